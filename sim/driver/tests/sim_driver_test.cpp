// The simulated driver as the library sees it: boards, faults, ports and
// outputs, overlapping port calls and the variants that lack an entry point.
#include <atomic>
#include <mutex>
#include <thread>

#include "SimDriverFixture.h"

namespace {

TEST_F(SimDriver, OpensPresentSlotsUnderTheirBoardNumbers)
{
    OpenBoard();
    for (std::uint32_t slot = 0; slot < kBoardSlots; ++slot) {
        std::uint32_t variable = slot;
        EXPECT_EQ(create_(&variable, window_, kDriverMessageBase, 0), slot == kSlot ? 1 : 0) << slot;
        EXPECT_EQ(variable, slot == kSlot ? kBoard : slot) << slot;
    }
    SimCall call{};
    ASSERT_EQ(sim_.SimTorq7_GetCall(0, &call), 1);
    EXPECT_EQ(call.dwEntry, SIM_CREATE);
    EXPECT_EQ(call.dwArgs[0], kSlot);
    EXPECT_EQ(call.dwArgs[1], static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window_)));
    EXPECT_EQ(call.dwArgs[2], kDriverMessageBase);
    EXPECT_EQ(call.dwTick, 5000u);
    EXPECT_EQ(call.dwThreadId, GetCurrentThreadId());
    EXPECT_EQ(sim_.SimTorq7_CountCalls(SIM_CREATE, kAny), 1u + kBoardSlots);

    ResourceRecord resource{};
    ASSERT_EQ(getResource_(kBoard, &resource), 1);
    EXPECT_EQ(resource.dwIoPortAddress, 0xE800u);
    EXPECT_EQ(resource.dwIoPortLength, 32u);
    EXPECT_EQ(getResource_(kSlot, &resource), 0) << "calls go by board number, not slot";
    EXPECT_EQ(lastError_(kSlot), SIM_ERROR_NO_BOARD);

    EXPECT_EQ(sim_.SimTorq7_PostNotice(kBoard, 2), 1);
    EXPECT_EQ(PostedMessages(), std::vector<UINT>{kMsgDriverNotice2});
    EXPECT_EQ(sim_.SimTorq7_OpenBoards(), 1u);
    EXPECT_EQ(close_(kBoard), 1);
    EXPECT_EQ(sim_.SimTorq7_OpenBoards(), 0u);
    EXPECT_EQ(getResource_(kBoard, &resource), 0);
    EXPECT_EQ(lastError_(kBoard), SIM_ERROR_NOT_OPEN);
    EXPECT_EQ(sim_.SimTorq7_PostNotice(kBoard, 2), 0);
}

TEST_F(SimDriver, FallingBehindDropsOldSetsAndPostsOneNoticePerEpisode)
{
    struct Case {
        std::uint32_t modeCode;
        UINT notice;
    };
    constexpr Case kCases[] = {{2, kMsgBufferOverflow}, {4, kMsgBufferOverflow},
                               {5, kMsgBufferOverrun},  {6, kMsgBufferOverrun}};
    OpenBoard();
    for (std::uint16_t channel = 0; channel < 3; ++channel) {
        std::vector<std::uint16_t> codes(20);
        for (std::uint16_t j = 0; j < 20; ++j)
            codes[j] = std::uint16_t(10 * channel + j);
        sim_.SimTorq7_SetCodePattern(kBoard, channel, codes.data(), 20);
    }
    for (const Case& c : kCases) {
        // Eight words hold two whole sets of three channels.
        ASSERT_EQ(SetMode(0, 2, 8, 0x14, c.modeCode), 1);
        ASSERT_EQ(start_(kBoard), 1);
        g_now += 2;
        EXPECT_EQ(Ready(), 6u);
        EXPECT_TRUE(PostedMessages().empty());
        g_now += 8;
        EXPECT_EQ(Ready(), 6u) << "the oldest sets are dropped";
        EXPECT_EQ(Ready(), 6u);
        EXPECT_EQ(PostedMessages(), std::vector<UINT>{c.notice}) << c.modeCode;
        std::uint16_t words[3]{};
        ASSERT_EQ(getData_(kBoard, 3, words), 1);
        EXPECT_EQ(words[0], 8 << 4) << "reading resumes at channel 0 of sample 8";
        EXPECT_EQ(words[2], 28 << 4);
        g_now += 5;
        EXPECT_EQ(Ready(), 6u);
        EXPECT_EQ(PostedMessages(), std::vector<UINT>{c.notice}) << "a read ends the episode";
        ASSERT_EQ(stop_(kBoard), 1);
        // Every word produced was read, dropped or is still ready.
        SimSamplingCounts counts{};
        ASSERT_EQ(sim_.SimTorq7_GetSamplingCounts(kBoard, &counts), 1);
        EXPECT_EQ(counts.qwProduced, 45u);
        EXPECT_EQ(counts.qwRead, 3u);
        EXPECT_EQ(counts.qwDropped, 36u);
        EXPECT_EQ(counts.qwProduced - counts.qwRead - counts.qwDropped, Ready());
        EXPECT_EQ(counts.dwChannels, 3u);
        EXPECT_EQ(counts.dwNotices, 2u);
        EXPECT_EQ(counts.dwNoticeMessage, c.notice);
    }
}

// The time until the next set is the first ms of the clock at which the
// board holds it, whether its crystal runs fast or slow, ahead or behind.
TEST_F(SimDriver, TellsWhenTheNextSetIsComplete)
{
    struct Case {
        double leadMs;
        double ppm;
        std::uint32_t channels;
        std::uint32_t samples;
    };
    constexpr Case kCases[] = {
        {0.0, 0.0, 4, 100}, {15.0, 1000.0, 4, 100}, {-1000.0, -1000.0, 2, 100},
        {1000.0, 1000.0, 1, 7}, {0.3, -80.0, 8, 33},
    };
    OpenBoard();
    std::uint64_t delay = 0;
    EXPECT_EQ(sim_.SimTorq7_NextSetDelay(100, &delay), 0) << "no board samples";
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.leadMs);
        sim_.SimTorq7_SetBoardClock(kBoard, c.leadMs, c.ppm);
        ASSERT_EQ(SetMode(0, c.channels - 1, 8192, 0x14, 2), 1);
        ASSERT_EQ(start_(kBoard), 1);
        const std::uint32_t set = c.samples * c.channels;
        for (int k = 0; k < 50; ++k) {
            ASSERT_EQ(sim_.SimTorq7_NextSetDelay(c.samples, &delay), 1);
            if (delay > 0) {
                g_now += static_cast<std::uint32_t>(delay) - 1;
                ASSERT_LT(Ready(), set) << "set " << k << " a ms early";
                g_now += 1;
            }
            ASSERT_GE(Ready(), set) << "set " << k;
            ReadWords(set, set);
        }
        ASSERT_EQ(stop_(kBoard), 1);
    }
    ASSERT_EQ(SetMode(0, 3, 300, 0x14, 2), 1);
    ASSERT_EQ(start_(kBoard), 1);
    EXPECT_EQ(sim_.SimTorq7_NextSetDelay(100, &delay), 0) << "a set of 400 words never fits in 300";
    ASSERT_EQ(stop_(kBoard), 1);
}

TEST_F(SimDriver, InjectedFaultsFailAfterTheirPassesWithTheirCode)
{
    OpenBoard();
    sim_.SimTorq7_SetFault(SIM_OUTPORT, kBoard, 2, 1, -42);
    sim_.SimTorq7_SetFault(SIM_SETDATA, kAny, 0, kAny, 9);
    sim_.SimTorq7_ClearLog();
    const std::int32_t expected[] = {1, 1, 0, 1};
    for (std::int32_t result : expected)
        EXPECT_EQ(outPort_(kBoard, 0x5A), result);
    EXPECT_EQ(lastError_(kBoard), -42);
    EXPECT_EQ(sim_.SimTorq7_GetOutPortHistory(kBoard, nullptr, 0), 3u) << "a failed write writes nothing";
    SimCall call{};
    ASSERT_EQ(sim_.SimTorq7_GetCall(2, &call), 1);
    EXPECT_EQ(call.dwEntry, SIM_OUTPORT);
    EXPECT_EQ(call.nResult, 0);
    EXPECT_EQ(call.dwArgs[1], 0x5Au);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(setData_(kBoard, 0, 100), 0);
    EXPECT_EQ(lastError_(kBoard), 9);
    sim_.SimTorq7_ClearFaults();
    EXPECT_EQ(setData_(kBoard, 0, 100), 1);
    EXPECT_EQ(sim_.SimTorq7_CountCalls(SIM_SETDATA, kBoard), 4u);
    EXPECT_EQ(sim_.SimTorq7_CountCalls(SIM_SETDATA, kBoard + 1), 0u);
}

TEST_F(SimDriver, PortsAndOutputsKeepWhatWasWritten)
{
    OpenBoard();
    const std::uint8_t pattern[] = {0x01, 0x80, 0xFF};
    sim_.SimTorq7_SetInputPattern(kBoard, pattern, 3);
    std::uint8_t read[4]{};
    for (std::uint8_t& byte : read)
        ASSERT_EQ(inPort_(kBoard, &byte), 1);
    const std::uint8_t cycled[] = {0x01, 0x80, 0xFF, 0x01};
    EXPECT_TRUE(std::equal(cycled, cycled + 4, read));

    sim_.SimTorq7_SetLoopback(kBoard, 1);
    for (std::uint8_t byte : {0x0F, 0xA5}) {
        ASSERT_EQ(outPort_(kBoard, byte), 1);
        std::uint8_t back = 0;
        ASSERT_EQ(inPort_(kBoard, &back), 1);
        EXPECT_EQ(back, byte);
    }
    std::uint8_t written[2]{};
    EXPECT_EQ(sim_.SimTorq7_GetOutPortHistory(kBoard, written, 2), 2u);
    EXPECT_EQ(written[0], 0x0F);
    EXPECT_EQ(written[1], 0xA5);

    for (std::uint16_t code : {0, 2048, 4096})
        ASSERT_EQ(setData_(kBoard, 1, code), 1);
    EXPECT_EQ(setData_(kBoard, 2, 1), 0);
    EXPECT_EQ(lastError_(kBoard), SIM_ERROR_BAD_ARGUMENT);
    std::uint16_t codes[3]{};
    EXPECT_EQ(sim_.SimTorq7_GetOutputCodes(kBoard, 1, codes, 3), 3u);
    EXPECT_EQ(codes[2], 4096);
    EXPECT_EQ(sim_.SimTorq7_GetOutputCodes(kBoard, 0, nullptr, 0), 0u);
}

TEST_F(SimDriver, CountsPortCallsThatOverlap)
{
    OpenBoard();
    sim_.SimTorq7_SetPortHoldMicroseconds(1000);
    std::mutex portLock;
    for (bool locked : {true, false}) {
        const std::uint32_t before = sim_.SimTorq7_PortOverlaps();
        std::atomic<int> started{0};
        auto worker = [&] {
            // Both threads call the port at the same time.
            started.fetch_add(1);
            while (started.load() < 2)
                Sleep(0);
            for (int i = 0; i < 20; ++i) {
                std::unique_lock<std::mutex> hold(portLock, std::defer_lock);
                if (locked)
                    hold.lock();
                std::uint8_t byte = 0;
                inPort_(kBoard, &byte);
            }
        };
        std::thread a(worker), b(worker);
        a.join();
        b.join();
        if (locked)
            EXPECT_EQ(sim_.SimTorq7_PortOverlaps(), before);
        else
            EXPECT_GT(sim_.SimTorq7_PortOverlaps(), before);
    }
}

// Each variant lacks its one entry point and has everything else.
TEST(SimDriverVariants, LackExactlyTheirEntryPoint)
{
    for (const char* missing : kDriverEntryNames) {
        const HMODULE variant =
            LoadLibraryA(BesideProgram(std::string("drivers-missing\\") + missing + "\\torq7.dll").c_str());
        ASSERT_NE(variant, nullptr) << missing;
        for (const char* name : kDriverEntryNames)
            EXPECT_EQ(GetProcAddress(variant, name) == nullptr, name == missing) << missing << " " << name;
        SimTorq7Control control{};
        EXPECT_TRUE(LoadSimTorq7Control(variant, &control)) << missing;
        FreeLibrary(variant);
    }
}

}  // namespace
