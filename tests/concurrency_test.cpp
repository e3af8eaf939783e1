// Concurrency: process functions on the host's measurement thread while the
// user-interface thread places, sets up, starts and stops modules; and a
// digital input and a digital output module on one board driven from two
// threads. The simulated driver holds every port call for a while and counts
// calls that overlap; every port access must be serialised, and none lost or
// torn.
#include <atomic>
#include <thread>
#include <vector>

#include "SessionScript.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 3;
constexpr std::uint16_t kSecondBoard = 9;
constexpr std::uint32_t kHoldMicroseconds = 20;

class ConcurrencyTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        ASSERT_TRUE(loadLibrary());
        addBoard(0, kBoard);
        addBoard(1, kSecondBoard);
        ASSERT_EQ(host().setup(), 1u);
        driver().SimTorq7_SetPortHoldMicroseconds(kHoldMicroseconds);
    }

    // Port reads that the module's released and still held blocks account for.
    std::size_t readsAccountedFor(const standin::HostModule* din)
    {
        std::size_t blocks = 0;
        for (unsigned c = 0; c < din->outputs(); ++c)
            blocks += host().releasedBlocks(din, c).size() + din->channelState(c)->bBlockPending;
        return blocks * host().blockSize();
    }
};

// The user works on the worksheet while the measurement thread runs the
// process functions: a module is placed, set up (OK and Cancel), started and
// stopped on its own, again and again, beside a running digital loop, an
// analog input and an analog output.
TEST_F(ConcurrencyTest, UserInterfaceWorksWhileTheMeasurementRuns)
{
    host().useRealClock();
    standin::HostModule* din = placeWithFirstBoard("TORQ7DI", {0, 2, ""});
    standin::HostModule* dout = placeWithFirstBoard("TORQ7DO", {2, 0, ""});
    standin::HostModule* ain = placeWithFirstBoard("TORQ7AD", {0, 2, ""});
    ASSERT_TRUE(din && dout && ain);
    host().connect(din, 0, dout, 0);
    host().connect(din, 1, dout, 1);
    driver().SimTorq7_SetLoopback(kBoard, 1);
    ASSERT_TRUE(host().start(1.0, 20));

    std::vector<standin::HostModule*> placedDuringRun;
    unsigned step = 0;
    host().runFor(3000, [&] {
        switch (step++ % 4) {
        case 0:
            // A new digital input module takes the second board, the first being claimed.
            placedDuringRun.push_back(placeWithFirstBoard("TORQ7DI", {0, 3, ""}));
            ASSERT_NE(placedDuringRun.back(), nullptr);
            setUpWithOkAndCancel(placedDuringRun.back());
            host().startModule(placedDuringRun.back());
            break;
        case 1:
            host().stopModule(dout);
            setUpWithOkAndCancel(dout);
            host().startModule(dout);
            break;
        case 2:
            host().stopModule(ain);
            host().startModule(ain);
            setUpWithOkAndCancel(ain);
            break;
        default:
            host().stopModule(placedDuringRun.back());
            host().deleteModule(placedDuringRun.back());
            placedDuringRun.pop_back();
            break;
        }
    });
    EXPECT_GE(step, 4u) << "the user interface got too few turns";
    EXPECT_TRUE(host().warnings().empty()) << host().warnings().front().text;
    EXPECT_EQ(host().stopRequests(), 0u);
    EXPECT_EQ(driver().SimTorq7_PortOverlaps(), 0u) << "port accesses overlapped";
    // Every port read of the digital input went into a block.
    EXPECT_GT(host().releasedBlocks(din, 0).size(), 0u);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_INPORT, kBoard), readsAccountedFor(din));
    // Every block the digital output took was written whole, one port write per sample.
    const std::size_t blocksTaken = inputReleases(dout, 0, "Torq7Do", 374) + inputReleases(dout, 1, "Torq7Do", 374);
    EXPECT_GT(blocksTaken, 0u);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_OUTPORT, kBoard), blocksTaken * host().blockSize());
}

// Modules stopped, deleted and placed again thousands of times while another
// thread runs the rounds: no process call may reach a stopped or freed
// module. The host fills freed records and fences its blocks, so a late call
// faults or shows as a damaged block or a host check.
TEST_F(ConcurrencyTest, StopDeleteAndPlaceAgainWhileRoundsRun)
{
    constexpr unsigned kCycles = 3000;
    standin::HostModule* steady = placeWithFirstBoard("TORQ7DI", {0, 1, ""});
    ASSERT_NE(steady, nullptr);
    ASSERT_TRUE(host().start(1.0, 10));
    std::atomic<bool> done{false};
    std::atomic<unsigned> rounds{0};
    std::thread roundThread([&] {
        while (!done) {
            host().advanceClock(1);
            host().runRound();
            ++rounds;
        }
    });
    // Each cycle places one module of each kind from the stored worksheet,
    // starts them, lets the rounds reach them for a varying while and takes
    // them away: stopped first, or deleted while running.
    const std::vector<standin::StoredModule> stored = {
        StoredModuleOf(kSessionClasses[1], DefaultStoredData(kSessionClasses[1], kSecondBoard)),
        StoredModuleOf(kSessionClasses[2], DefaultStoredData(kSessionClasses[2], kSecondBoard)),
    };
    unsigned cycles = 0;
    for (; cycles < kCycles; ++cycles) {
        std::vector<standin::HostModule*> placed;
        ASSERT_TRUE(host().restoreModules(stored, &placed));
        for (standin::HostModule* module : placed)
            host().startModule(module);
        const unsigned seen = rounds;
        for (unsigned spin = 0; spin < cycles % 7 && rounds - seen < 2; ++spin)
            SwitchToThread();
        if (cycles % 2 == 0)
            host().stopModule(placed[0]);
        for (standin::HostModule* module : placed)
            host().deleteModule(module);
    }
    done = true;
    roundThread.join();
    EXPECT_EQ(cycles, kCycles);
    EXPECT_GT(rounds.load(), kCycles / 10) << "the rounds got too few turns";
    EXPECT_EQ(host().modules().size(), 1u);
    EXPECT_TRUE(host().protocolErrors().empty()) << host().protocolErrors().front();
    EXPECT_EQ(host().damagedBlocks(), 0u);
    EXPECT_GT(host().releasedBlocks(steady, 0).size(), 0u);
}

// A digital input and a digital output module on one board, each processed
// on a thread of its own: the port calls never overlap, the input reads the
// port's bytes in order without losing one, and the output writes exactly
// the bytes of its samples, in order.
TEST_F(ConcurrencyTest, TwoDigitalModulesOnOneBoardFromTwoThreads)
{
    constexpr std::uint32_t kBlock = 50;
    constexpr unsigned kCalls = 150;
    standin::HostModule* din = placeWithFirstBoard("TORQ7DI", {0, 1, ""});
    standin::HostModule* dout = placeWithFirstBoard("TORQ7DO", {1, 0, ""});
    ASSERT_TRUE(din && dout);
    const std::vector<std::uint8_t> portBytes = {0x01, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01};
    driver().SimTorq7_SetInputPattern(kBoard, portBytes.data(), static_cast<std::uint32_t>(portBytes.size()));
    ASSERT_TRUE(host().start(1.0, kBlock));
    driver().SimTorq7_ClearLog();

    std::atomic<int> ready{0};
    std::thread input([&] {
        ++ready;
        while (ready < 2) {
        }
        for (unsigned n = 0; n < kCalls; ++n) {
            host().advanceClock(kBlock);
            host().processModule(din);
        }
    });
    std::vector<std::uint8_t> expectedWrites;
    std::thread output([&] {
        ++ready;
        while (ready < 2) {
        }
        for (unsigned n = 0; n < kCalls; ++n) {
            std::vector<float> samples(kBlock);
            for (std::uint32_t j = 0; j < kBlock; ++j) {
                const bool high = (n * 7 + j * 3) % 5 < 2;
                samples[j] = high ? 5.0f : 0.0f;
                expectedWrites.push_back(high ? 0x01 : 0x00);
            }
            host().feedInput(dout, 0, samples);
            host().processModule(dout);
        }
    });
    input.join();
    output.join();

    EXPECT_EQ(driver().SimTorq7_PortOverlaps(), 0u) << "port accesses overlapped";
    std::vector<std::uint8_t> written(driver().SimTorq7_GetOutPortHistory(kBoard, nullptr, 0));
    driver().SimTorq7_GetOutPortHistory(kBoard, written.data(), static_cast<std::uint32_t>(written.size()));
    EXPECT_EQ(written, expectedWrites);

    const std::vector<standin::ReleasedBlock> blocks = host().releasedBlocks(din, 0);
    ASSERT_FALSE(blocks.empty());
    std::size_t read = 0;
    for (const standin::ReleasedBlock& block : blocks) {
        ASSERT_EQ(block.samples.size(), kBlock);
        for (float sample : block.samples) {
            const float expected = portBytes[read % portBytes.size()] & 1 ? 5.0f : 0.0f;
            ASSERT_EQ(sample, expected) << "port read " << read;
            ++read;
        }
    }
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_INPORT, kBoard), readsAccountedFor(din));
    EXPECT_TRUE(host().warnings().empty());
}

}  // namespace
}  // namespace torq7test
