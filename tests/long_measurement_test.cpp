// Measurements longer than the host's 32-bit counts: more than 2^32 samples
// of a channel and tick counts that wrap, run on the virtual clock with the
// stand-in host in counts mode. Every block must start at its sample index x
// interval, and every release must come at the first call at or after its
// due time, never earlier.
#include "TestHost.h"
#include "torq7m/modules/AdModuleData.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 0;
constexpr std::uint32_t kLargestBlock = 65535;
constexpr std::int32_t kLargestDriverBuffer = 10;
constexpr std::uint64_t kTickRange = std::uint64_t{1} << 32;

class LongMeasurementTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
        host().useCountsMode(true);
    }

    standin::HostModule* placeAnalogInput()
    {
        standin::HostModule* ad = placeWithFirstBoard("TORQ7AD", {0, 1, ""});
        if (ad)
            ad->dataAs<AdModuleData>()->nBufferSize = kLargestDriverBuffer;
        return ad;
    }

    // For each block k, one round 1 ms before the clock reaches
    // `releasableAt(k)` (ms from the start) and one when it does.
    template <typename ReleasableAt>
    void runBlockByBlock(std::uint64_t blocks, ReleasableAt releasableAt)
    {
        std::uint64_t elapsed = 0;
        for (std::uint64_t k = 0; k < blocks && host().running(); ++k) {
            const std::uint64_t at = releasableAt(k);
            host().advanceClock(at - 1 - elapsed);
            host().runRound();
            host().advanceClock(1);
            host().runRound();
            elapsed = at;
        }
    }

    void expectExactRun(const standin::HostModule* module, std::uint64_t blocks, std::uint32_t blockSize,
                        double milliseconds)
    {
        const standin::ChannelTally tally = host().channelTally(module, 0);
        EXPECT_EQ(tally.blocks, blocks);
        EXPECT_EQ(tally.samples, blocks * blockSize);
        EXPECT_EQ(tally.timeErrors, 0u) << "start times not sample index x interval";
        EXPECT_EQ(tally.countErrors, 0u);
        EXPECT_EQ(tally.earlyReleases, 0u);
        EXPECT_EQ(tally.heldPastDue, 0u) << "blocks released later than the first call at their due time";
        EXPECT_EQ(tally.lastStartTime, static_cast<double>((blocks - 1) * blockSize) * (milliseconds * 0.001));
        // The host's own word counts on modulo 2^32.
        EXPECT_EQ(module->channelState(0)->dwSamplesEmitted, static_cast<std::uint32_t>(blocks * blockSize));
        EXPECT_TRUE(host().protocolErrors().empty());
        EXPECT_TRUE(host().warnings().empty());
        EXPECT_EQ(host().callCount("NewMemAlloc"), 1u) << "only the start's own buffer";
    }
};

TEST_F(LongMeasurementTest, AnalogInputPastTwoToThe32SamplesWithTheTickCountWrapping)
{
    // 0.03 ms per sample: 2^32 samples take 35.8 hours; the tick count wraps
    // after about 17 hours of it.
    constexpr std::uint32_t kStart = 0xFFFFFFFFu - 60000000u;
    constexpr std::uint64_t kBlocks = kTickRange / kLargestBlock + 3;
    host().useVirtualClock(kStart);
    standin::HostModule* ad = placeAnalogInput();
    ASSERT_NE(ad, nullptr);
    ASSERT_TRUE(host().start(0.03, kLargestBlock));
    // A set is complete once the clock has reached its last sample: (k + 1) x
    // 65535 x 3 / 100 ms, rounded up to whole milliseconds.
    runBlockByBlock(kBlocks, [](std::uint64_t k) { return ((k + 1) * kLargestBlock * 3 + 99) / 100; });
    EXPECT_LT(host().now(), kStart) << "the tick count has wrapped";
    expectExactRun(ad, kBlocks, kLargestBlock, 0.03);
}

TEST_F(LongMeasurementTest, AnalogInputAtOneMillisecondAcrossTwoTickWraps)
{
    constexpr std::uint32_t kStart = 0xFFFFFFFFu - 100000u;
    constexpr std::uint64_t kBlocks = (kTickRange + 100000u) / kLargestBlock + 2;
    host().useVirtualClock(kStart);
    standin::HostModule* ad = placeAnalogInput();
    ASSERT_NE(ad, nullptr);
    ASSERT_TRUE(host().start(1.0, kLargestBlock));
    runBlockByBlock(kBlocks, [](std::uint64_t k) { return (k + 1) * kLargestBlock; });
    EXPECT_GE(host().elapsed(), kTickRange + 100000u) << "the tick count has wrapped twice";
    expectExactRun(ad, kBlocks, kLargestBlock, 1.0);
}

TEST_F(LongMeasurementTest, HeldBlocksWaitAcrossTwoWrapsOfTheElapsedTicks)
{
    // The digital input fills its block at the first call and holds it: at
    // 120000 ms per sample the ticks since the start pass 2^32 twice within
    // 71583 blocks, and each block must still wait for its due time.
    constexpr std::uint64_t kBlocks = 2 * kTickRange / 120000 + 10;
    host().useVirtualClock(0xFFFFFFF0u);
    standin::HostModule* din = placeWithFirstBoard("TORQ7DI", {0, 1, ""});
    ASSERT_NE(din, nullptr);
    ASSERT_TRUE(host().start(120000.0, 1));
    runBlockByBlock(kBlocks, [](std::uint64_t k) { return (k + 1) * 120000; });
    EXPECT_GE(host().elapsed(), 2 * kTickRange);
    const standin::ChannelTally tally = host().channelTally(din, 0);
    EXPECT_EQ(tally.blocks, kBlocks);
    EXPECT_EQ(tally.timeErrors, 0u);
    EXPECT_EQ(tally.earlyReleases, 0u);
    EXPECT_EQ(tally.heldPastDue, 0u);
    EXPECT_EQ(tally.lastReleaseElapsed, kBlocks * 120000);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_INPORT, kBoard), kBlocks);
}

TEST_F(LongMeasurementTest, CountsModeCatchesEarlyReleasesAndTimeJumps)
{
    // The host's own count word set back under a held block: the library
    // takes the block as due at once and starts the next one at time 0.
    standin::HostModule* din = placeWithFirstBoard("TORQ7DI", {0, 1, ""});
    ASSERT_NE(din, nullptr);
    ASSERT_TRUE(host().start(1.0, 100));
    host().runRounds(1, 50);
    din->channelState(0)->dwSamplesEmitted = 0;
    host().runRounds(1, 1);
    host().runRounds(1, 100);
    const standin::ChannelTally tally = host().channelTally(din, 0);
    EXPECT_EQ(tally.blocks, 2u);
    EXPECT_EQ(tally.earlyReleases, 2u);
    EXPECT_EQ(tally.timeErrors, 1u);
    EXPECT_TRUE(host().releasedBlocks().empty()) << "counts mode keeps no blocks";
    EXPECT_EQ(host().callCount("NewReleaseOutputBlock"), 2u);
}

}  // namespace
}  // namespace torq7test
