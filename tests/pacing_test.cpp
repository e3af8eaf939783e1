// Output pacing of the input classes, seen through a digital input module,
// which paces on every process call: block times, due times on the host's
// clock, pause, output enable, channels without a host block, animation.
#include "TestHost.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 0;

class PacingTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
    }

    standin::HostModule* placeInput(unsigned outputs) { return placeWithFirstBoard("TORQ7DI", {0, outputs, ""}); }
    std::uint32_t portReads() { return driver().SimTorq7_CountCalls(SIM_INPORT, kBoard); }
    std::size_t released(const standin::HostModule* module, unsigned channel)
    {
        return host().releasedBlocks(module, channel).size();
    }
};

TEST_F(PacingTest, BlocksCarryTheirTimesAndAreReleasedWhenDue)
{
    struct TimeBase {
        double milliseconds;
        std::uint32_t blockSize;
        std::uint32_t step;   // ms between due times
    };
    constexpr TimeBase kCases[] = {{1.0, 100, 100}, {0.03, 1000, 30}, {120000.0, 1, 120000}};
    for (const TimeBase& c : kCases) {
        SCOPED_TRACE(c.milliseconds);
        freshHost();
        startWithBoard(kBoard);
        standin::HostModule* din = placeInput(1);
        ASSERT_NE(din, nullptr);
        ASSERT_TRUE(host().start(c.milliseconds, c.blockSize));
        const double interval = c.milliseconds * 0.001;
        for (unsigned k = 1; k <= 3; ++k) {
            host().runRounds(1, c.step - 1);
            EXPECT_EQ(released(din, 0), k - 1u) << "released 1 ms before its due time";
            host().runRounds(1, 1);
            const auto blocks = host().releasedBlocks(din, 0);
            ASSERT_EQ(blocks.size(), k);
            const standin::ReleasedBlock& block = blocks.back();
            EXPECT_EQ(block.tick, kClockStart + k * c.step);
            EXPECT_EQ(block.startTime, static_cast<double>((k - 1) * c.blockSize) * interval);
            EXPECT_EQ(block.sampleDistance, interval);
            EXPECT_EQ(block.count, c.blockSize);
            EXPECT_EQ(block.file, "Torq7Di");
            EXPECT_EQ(block.line, 366);
        }
        // The next call fills the fourth block and holds it.
        host().runRound();
        EXPECT_EQ(released(din, 0), 3u);
        EXPECT_EQ(din->channelState(0)->dwSamplesEmitted, 4 * c.blockSize);
        EXPECT_EQ(din->channelState(0)->bBlockPending, 1);
    }
}

TEST_F(PacingTest, WrappingTickCountNeverReleasesEarly)
{
    host().useVirtualClock(0xFFFFFF00u);
    standin::HostModule* din = placeInput(1);
    ASSERT_NE(din, nullptr);
    ASSERT_TRUE(host().start(1.0, 100));
    host().runRounds(60, 10);
    const auto blocks = host().releasedBlocks(din, 0);
    ASSERT_EQ(blocks.size(), 6u);
    for (std::uint32_t k = 0; k < blocks.size(); ++k)
        EXPECT_EQ(blocks[k].tick, 0xFFFFFF00u + (k + 1) * 100) << "block " << k;
}

// A host may write the start tick just after its first process call: that
// call reads the clock before the start. Every block still waits for its
// own due time, counted from the start tick.
TEST_F(PacingTest, ClockReadBeforeTheStartTickReleasesNothingEarly)
{
    for (std::uint32_t before : {1u, 2u, 50u}) {
        SCOPED_TRACE(testing::Message() << before << " ms before the start");
        freshHost();
        startWithBoard(kBoard);
        standin::HostModule* din = placeInput(1);
        ASSERT_NE(din, nullptr);
        ASSERT_TRUE(host().start(1.0, 100));
        host().setClock(kClockStart - before);
        host().runRound();
        EXPECT_EQ(released(din, 0), 0u);
        host().setClock(kClockStart);
        for (unsigned k = 1; k <= 3; ++k) {
            host().runRounds(1, 99);
            EXPECT_EQ(released(din, 0), k - 1u) << "released before its due time";
            host().runRounds(1, 1);
            const auto blocks = host().releasedBlocks(din, 0);
            ASSERT_EQ(blocks.size(), k);
            EXPECT_EQ(blocks.back().tick, kClockStart + k * 100);
        }
    }
}

TEST_F(PacingTest, PauseFreezesFillingReadingAndReleasing)
{
    standin::HostModule* din = placeInput(1);
    ASSERT_NE(din, nullptr);
    ASSERT_TRUE(host().start(1.0, 100));
    host().runRounds(1, 50);
    ASSERT_EQ(portReads(), 100u);
    host().pause();
    const std::size_t blockRequests = host().callCount("GetCurrentOutputBlock");
    host().runRounds(3, 100);
    EXPECT_EQ(portReads(), 100u);
    EXPECT_EQ(host().callCount("GetCurrentOutputBlock"), blockRequests);
    EXPECT_EQ(released(din, 0), 0u);
    EXPECT_EQ(din->channelState(0)->dwSamplesEmitted, 100u);

    // Blocks that fell due during the pause follow one per call.
    host().resume();
    for (std::size_t expected : {1u, 2u, 3u, 3u}) {
        host().runRound();
        EXPECT_EQ(released(din, 0), expected);
    }
}

TEST_F(PacingTest, OutputEnableZeroServesNothing)
{
    standin::HostModule* din = placeInput(2);
    ASSERT_NE(din, nullptr);
    ASSERT_TRUE(host().start(1.0, 100));
    din->record()->bOutputEnable = 0;
    host().runRounds(3, 100);
    EXPECT_TRUE(host().releasedBlocks().empty());
    EXPECT_EQ(portReads(), 0u);
    EXPECT_EQ(host().callCount("GetCurrentOutputBlock"), 0u);
    EXPECT_EQ(din->outputChannel(0)->wServedFlag, 1u) << "not served, so not cleared";

    // Served again: only the module's own channels get their word cleared.
    din->record()->bOutputEnable = 1;
    din->outputChannel(2)->wServedFlag = 0x5A5A;
    host().runRound();
    EXPECT_EQ(din->outputChannel(0)->wServedFlag, 0u);
    EXPECT_EQ(din->outputChannel(1)->wServedFlag, 0u);
    EXPECT_EQ(din->outputChannel(2)->wServedFlag, 0x5A5Au);
    const auto blocks = host().releasedBlocks(din, 1);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].startTime, 0.0);
}

TEST_F(PacingTest, ChannelWithoutHostBlockFallsBehindAlone)
{
    standin::HostModule* din = placeInput(3);
    ASSERT_NE(din, nullptr);
    host().setOutputBlockFilter([](const standin::HostModule&, unsigned channel) { return channel != 1; });
    ASSERT_TRUE(host().start(1.0, 100));
    host().runRounds(3, 100);
    EXPECT_EQ(released(din, 0), 3u);
    EXPECT_EQ(released(din, 1), 0u);
    EXPECT_EQ(released(din, 2), 3u);
    EXPECT_EQ(din->channelState(1)->dwSamplesEmitted, 0u);
    EXPECT_EQ(din->channelState(2)->dwSamplesEmitted, 300u);

    // Once the host has blocks again the channel starts at time 0 and catches up.
    host().setOutputBlockFilter({});
    host().runRound();
    host().runRound();
    const auto late = host().releasedBlocks(din, 1);
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0].startTime, 0.0);
    EXPECT_EQ(late[1].startTime, 0.1);
}

TEST_F(PacingTest, AnimationStepCountsReleasesWithOrWithoutAnimation)
{
    struct Check {
        unsigned releases;
        std::int32_t step;
    };
    constexpr Check kChecks[] = {{10, 10}, {11, -9}, {30, 10}};
    for (bool animation : {true, false}) {
        SCOPED_TRACE(animation ? "animation on" : "animation off");
        freshHost();
        startWithBoard(kBoard);
        standin::HostModule* din = placeInput(1);
        ASSERT_NE(din, nullptr);
        host().setAnimation(animation);
        ASSERT_TRUE(host().start(1.0, 1));
        EXPECT_EQ(din->channelState(0)->nAnimationStep, 0);
        for (const Check& check : kChecks) {
            host().runRounds(check.releases - static_cast<unsigned>(released(din, 0)), 1);
            ASSERT_EQ(released(din, 0), check.releases);
            EXPECT_EQ(din->channelState(0)->nAnimationStep, check.step) << check.releases << " releases";
        }
    }
}

}  // namespace
}  // namespace torq7test
