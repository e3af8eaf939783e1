// The simulated driver as the library sees it: loaded from its folder, bound
// by name, driven against a virtual clock.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/driver/SimTorq7Control.h"
#include "sim/driver/SimTorq7Loader.h"

namespace {

std::uint32_t g_now;

std::uint32_t TORQ7_CALL VirtualClock()
{
    return g_now;
}

// A path beside the test program.
std::string BesideProgram(const std::string& relative)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + relative;
}

template <typename F>
F Bind(HMODULE driver, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(driver, name)));
}

constexpr std::uint32_t kAny = 0xFFFFFFFF;
constexpr std::uint16_t kBoard = 7;
constexpr std::uint32_t kSlot = 2;

class SimDriver : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver_ = LoadLibraryA(BesideProgram("driver\\torq7.dll").c_str());
        ASSERT_NE(driver_, nullptr);
        ASSERT_TRUE(LoadSimTorq7Control(driver_, &sim_));
        create_ = Bind<drvfn::Create>(driver_, "Torq7Create");
        close_ = Bind<drvfn::Close>(driver_, "Torq7Close");
        getResource_ = Bind<drvfn::GetResource>(driver_, "Torq7GetResource");
        setMode_ = Bind<drvfn::SetMode>(driver_, "Torq7SetMode");
        start_ = Bind<drvfn::StartSampling>(driver_, "Torq7StartSampling");
        stop_ = Bind<drvfn::StopSampling>(driver_, "Torq7StopSampling");
        status_ = Bind<drvfn::GetSamplingStatus>(driver_, "Torq7GetSamplingStatus");
        getData_ = Bind<drvfn::GetData>(driver_, "Torq7GetData");
        setData_ = Bind<drvfn::SetData>(driver_, "Torq7SetData");
        inPort_ = Bind<drvfn::InPort>(driver_, "Torq7InPort");
        outPort_ = Bind<drvfn::OutPort>(driver_, "Torq7OutPort");
        lastError_ = Bind<drvfn::GetLastError>(driver_, "Torq7GetLastError");
        sim_.SimTorq7_Reset();
        g_now = 5000;
        sim_.SimTorq7_SetClock(VirtualClock);
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }

    void TearDown() override
    {
        DestroyWindow(window_);
        sim_.SimTorq7_Reset();
        FreeLibrary(driver_);
    }

    // Board number kBoard in slot kSlot, opened with the test's window.
    void OpenBoard()
    {
        const SimBoardConfig config{1, kBoard, 1, 0xE800, 32, 3};
        sim_.SimTorq7_SetBoard(kSlot, &config);
        std::uint32_t slot = kSlot;
        ASSERT_EQ(create_(&slot, window_, kDriverMessageBase, 0), 1);
    }

    std::vector<UINT> PostedMessages()
    {
        std::vector<UINT> messages;
        MSG msg;
        while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE))
            messages.push_back(msg.message);
        return messages;
    }

    std::int32_t SetMode(std::uint32_t first, std::uint32_t last, std::uint32_t words, std::uint32_t clock,
                         std::uint32_t mode)
    {
        SamplingMode sampling{first, last, words, clock, mode};
        return setMode_(kBoard, &sampling);
    }

    std::uint32_t Ready()
    {
        std::uint32_t ready = 0, produced = 0;
        EXPECT_EQ(status_(kBoard, &ready, &produced), 1);
        return ready;
    }

    // `count` words, read `chunk` words at a time (the last read may be shorter).
    std::vector<std::uint16_t> ReadWords(std::uint32_t count, std::uint32_t chunk)
    {
        std::vector<std::uint16_t> words(count);
        for (std::uint32_t done = 0; done < count; done += chunk) {
            const std::uint32_t now = std::min(chunk, count - done);
            EXPECT_EQ(getData_(kBoard, now, &words[done]), 1) << "at word " << done;
        }
        return words;
    }

    HMODULE driver_ = nullptr;
    HWND window_ = nullptr;
    SimTorq7Control sim_{};
    drvfn::Create create_;
    drvfn::Close close_;
    drvfn::GetResource getResource_;
    drvfn::SetMode setMode_;
    drvfn::StartSampling start_;
    drvfn::StopSampling stop_;
    drvfn::GetSamplingStatus status_;
    drvfn::GetData getData_;
    drvfn::SetData setData_;
    drvfn::InPort inPort_;
    drvfn::OutPort outPort_;
    drvfn::GetLastError lastError_;
};

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

TEST_F(SimDriver, ClockCodesSetTheSampleInterval)
{
    struct Case {
        std::uint32_t clockCode;
        std::uint32_t elapsedMs;
        std::uint32_t samples;  // per channel; 0xFFFFFFFF: the mode is refused
    };
    constexpr Case kCases[] = {
        {0x26, 3, 100},      {0x21, 2, 50},        {0x14, 7, 7},  {0x17, 6, 5}, {0x0A, 59, 2},
        {0x3F, 240000, 2},   {0x3F, 239999, 1},    {0x22, 1, kAny}, {0x20, 1, kAny}, {0x00, 1, kAny},
        {0x40, 1, kAny},
    };
    OpenBoard();
    for (const Case& c : kCases) {
        if (c.samples == kAny) {
            EXPECT_EQ(SetMode(0, 1, 8192, c.clockCode, 2), 0) << c.clockCode;
            EXPECT_EQ(lastError_(kBoard), SIM_ERROR_BAD_MODE);
            continue;
        }
        ASSERT_EQ(SetMode(0, 1, 8192, c.clockCode, 2), 1) << c.clockCode;
        ASSERT_EQ(start_(kBoard), 1);
        g_now += c.elapsedMs;
        EXPECT_EQ(Ready(), 2 * c.samples) << c.clockCode;
        ASSERT_EQ(stop_(kBoard), 1);
    }
    EXPECT_EQ(SetMode(3, 2, 8192, 0x14, 2), 0);
    EXPECT_EQ(SetMode(0, 8, 8192, 0x14, 2), 0);
    EXPECT_EQ(SetMode(0, 7, 8192, 0x14, 3), 0);
}

TEST_F(SimDriver, DeliversChannelInterleavedWordsAsTheyBecomeReady)
{
    OpenBoard();
    // Channel c's sample j has code 100 c + j.
    for (std::uint16_t channel = 1; channel <= 3; ++channel) {
        const std::uint16_t codes[] = {std::uint16_t(100 * channel), std::uint16_t(100 * channel + 1),
                                       std::uint16_t(100 * channel + 2), std::uint16_t(100 * channel + 3)};
        sim_.SimTorq7_SetCodePattern(kBoard, channel, codes, 4);
    }
    const SimSignal lowBits{SIM_SIGNAL_CONSTANT, 4095.0, 0.0, 0.0, 0x5};
    sim_.SimTorq7_SetSignal(kBoard, 4, &lowBits);
    ASSERT_EQ(SetMode(1, 4, 8192, 0x14, 2), 1);
    ASSERT_EQ(start_(kBoard), 1);
    g_now += 2;
    EXPECT_EQ(Ready(), 8u);
    std::uint16_t words[8]{};
    EXPECT_EQ(getData_(kBoard, 9, words), 0) << "more than ready";
    EXPECT_EQ(lastError_(kBoard), SIM_ERROR_DATA_SHORT);
    ASSERT_EQ(getData_(kBoard, 6, words), 1);
    const std::uint16_t first[] = {100 << 4, 200 << 4, 300 << 4, 0xFFF5, 101 << 4, 201 << 4};
    EXPECT_TRUE(std::equal(first, first + 6, words));
    EXPECT_EQ(Ready(), 2u);
    g_now += 1;
    EXPECT_EQ(Ready(), 6u);
    ASSERT_EQ(getData_(kBoard, 3, words), 1);
    const std::uint16_t next[] = {301 << 4, 0xFFF5, 102 << 4};
    EXPECT_TRUE(std::equal(next, next + 3, words));
}

TEST_F(SimDriver, SignalsFollowTheirShapeOverTheSampleTimes)
{
    struct Case {
        SimSignal signal;
        std::uint16_t codes[4];  // samples 1 ms apart
    };
    const Case kCases[] = {
        {{SIM_SIGNAL_SINE, 2048.0, 1000.0, 4.0, 0}, {2048, 3048, 2048, 1048}},
        {{SIM_SIGNAL_RAMP, 2048.0, 2048.0, 4.0, 0}, {0, 1024, 2048, 3072}},
        {{SIM_SIGNAL_SQUARE, 2000.0, 1000.0, 4.0, 0}, {3000, 3000, 1000, 1000}},
        {{SIM_SIGNAL_CONSTANT, 5000.0, 0.0, 0.0, 0}, {4095, 4095, 4095, 4095}},
        {{SIM_SIGNAL_CONSTANT, -3.0, 0.0, 0.0, 0}, {0, 0, 0, 0}},
    };
    constexpr std::uint32_t kChannels = sizeof kCases / sizeof kCases[0];
    OpenBoard();
    for (std::uint32_t channel = 0; channel < kChannels; ++channel)
        sim_.SimTorq7_SetSignal(kBoard, channel, &kCases[channel].signal);
    ASSERT_EQ(SetMode(0, kChannels - 1, 8192, 0x14, 2), 1);
    ASSERT_EQ(start_(kBoard), 1);
    g_now += 4;
    std::uint16_t words[4 * kChannels]{};
    ASSERT_EQ(getData_(kBoard, 4 * kChannels, words), 1);
    for (std::uint32_t channel = 0; channel < kChannels; ++channel)
        for (std::uint32_t j = 0; j < 4; ++j)
            EXPECT_EQ(words[j * kChannels + channel] >> 4, kCases[channel].codes[j]) << channel << " " << j;
}

TEST_F(SimDriver, PeriodicSignalsKeepTheirShapeAtEverySampleInterval)
{
    // Whole-ms periods and phases, some not dividing the read, sampled every
    // 0.5, 1 and 10 ms: at the times the intervals share, the codes agree.
    const SimSignal kSignals[] = {
        {SIM_SIGNAL_SINE, 2048.0, 1500.0, 40.0, 0, 7.0},
        {SIM_SIGNAL_RAMP, 2048.0, 2000.0, 40.0, 0, 13.0},
        {SIM_SIGNAL_SQUARE, 2000.0, 1000.0, 30.0, 0, 29.0},
        {SIM_SIGNAL_TRIANGLE, 2048.0, 2000.0, 70.0, 0, 3.0},
    };
    struct Interval {
        std::uint32_t clockCode;
        std::uint32_t hundredths;
    };
    constexpr Interval kIntervals[] = {{0x15, 50}, {0x14, 100}, {0x34, 1000}};
    constexpr std::uint32_t kChannels = 4;
    constexpr std::uint32_t kMs = 200;
    OpenBoard();
    for (std::uint32_t channel = 0; channel < kChannels; ++channel)
        sim_.SimTorq7_SetSignal(kBoard, channel, &kSignals[channel]);
    std::vector<std::uint16_t> byMs[kChannels];  // codes at 0, 1, 2 ... ms, from the finest interval
    for (const Interval& interval : kIntervals) {
        ASSERT_EQ(SetMode(0, kChannels - 1, 8192, interval.clockCode, 2), 1);
        ASSERT_EQ(start_(kBoard), 1);
        g_now += kMs;
        const std::uint32_t samples = kMs * 100 / interval.hundredths;
        const std::vector<std::uint16_t> words = ReadWords(samples * kChannels, 7);
        ASSERT_EQ(stop_(kBoard), 1);
        for (std::uint32_t j = 0; j < samples; ++j) {
            if (j * interval.hundredths % 100 != 0)
                continue;
            const std::uint32_t ms = j * interval.hundredths / 100;
            for (std::uint32_t channel = 0; channel < kChannels; ++channel) {
                const std::uint16_t code = words[j * kChannels + channel] >> 4;
                if (byMs[channel].size() == ms)
                    byMs[channel].push_back(code);
                else
                    EXPECT_EQ(code, byMs[channel][ms]) << interval.clockCode << " channel " << channel << " at " << ms << " ms";
            }
        }
    }
    // A few points of the shapes, and every period like the first.
    EXPECT_EQ(byMs[0][3], 3548);
    EXPECT_EQ(byMs[0][33], 2048);
    EXPECT_EQ(byMs[1][27], 48);
    EXPECT_EQ(byMs[2][0], 1000);
    EXPECT_EQ(byMs[2][1], 3000);
    EXPECT_EQ(byMs[3][32], 4048);
    const std::uint32_t kPeriods[] = {40, 40, 30, 70};
    for (std::uint32_t channel = 0; channel < kChannels; ++channel)
        for (std::uint32_t ms = kPeriods[channel]; ms < kMs; ++ms)
            EXPECT_EQ(byMs[channel][ms], byMs[channel][ms - kPeriods[channel]]) << channel << " at " << ms << " ms";
}

TEST_F(SimDriver, ASignalChangedWhileSamplingIsReadAsChanged)
{
    struct Step {
        SimSignal signal;
        std::uint16_t codes[4];  // the next four samples, 1 ms apart
    };
    const Step kSteps[] = {
        {{SIM_SIGNAL_SINE, 2048.0, 1000.0, 4.0, 0}, {2048, 3048, 2048, 1048}},
        {{SIM_SIGNAL_SINE, 2048.0, 500.0, 4.0, 0}, {2048, 2548, 2048, 1548}},
        {{SIM_SIGNAL_SINE, 2048.0, 500.0, 4.0, 0, 1.0}, {2548, 2048, 1548, 2048}},
        {{SIM_SIGNAL_RAMP, 2048.0, 2048.0, 4.0, 0}, {0, 1024, 2048, 3072}},
        {{SIM_SIGNAL_RAMP, 2048.0, 2048.0, 8.0, 0}, {0, 512, 1024, 1536}},  // samples 16..19
    };
    OpenBoard();
    ASSERT_EQ(SetMode(0, 0, 8192, 0x14, 2), 1);
    ASSERT_EQ(start_(kBoard), 1);
    for (const Step& step : kSteps) {
        sim_.SimTorq7_SetSignal(kBoard, 0, &step.signal);
        g_now += 4;
        const std::vector<std::uint16_t> words = ReadWords(4, 3);
        for (std::uint32_t j = 0; j < 4; ++j)
            EXPECT_EQ(words[j] >> 4, step.codes[j]) << &step - kSteps << " " << j;
    }
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
    }
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
