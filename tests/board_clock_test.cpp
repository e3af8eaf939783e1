// The board's crystal and the PC's tick count never agree exactly: the
// board's sets complete a little before or after the tick count says they
// are due, and the gap grows with drift. Every sample the board delivers
// must still reach the host exactly once, in order, in a block stamped with
// the time of its own first sample.
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/AdModuleData.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 0;
constexpr unsigned kChannels = 2;
constexpr std::uint32_t kCodes = 4096;
// Room for a good many sets in the driver, so that a board that runs ahead
// never overflows.
constexpr std::int32_t kLargeDriverBuffer = 10;

class BoardClockTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
        // Sample r of channel 0 carries code r mod 4096, of channel 1 the
        // code counted down: a lost, repeated or shifted sample shows.
        std::vector<std::uint16_t> up(kCodes);
        std::vector<std::uint16_t> down(kCodes);
        for (std::uint32_t code = 0; code < kCodes; ++code) {
            up[code] = static_cast<std::uint16_t>(code);
            down[code] = static_cast<std::uint16_t>(kCodes - 1 - code);
        }
        setCodes(0, up);
        setCodes(1, down);
    }

    void setCodes(unsigned channel, const std::vector<std::uint16_t>& codes)
    {
        const SimSignal signal{SIM_SIGNAL_PATTERN, 0.0, 0.0, 0.0, 0};
        driver().SimTorq7_SetSignal(kBoard, channel, &signal);
        driver().SimTorq7_SetCodePattern(kBoard, channel, codes.data(), kCodes);
    }

    standin::HostModule* placeInputs()
    {
        standin::HostModule* ad = placeWithFirstBoard("TORQ7AD", {0, kChannels, ""});
        if (ad)
            ad->dataAs<AdModuleData>()->nBufferSize = kLargeDriverBuffer;
        return ad;
    }

    std::uint32_t setsRead() { return driver().SimTorq7_CountCalls(SIM_GETDATA, kBoard); }

    // The volts of sample r of a channel, as the board made it.
    static float Expected(const AdModuleData& data, unsigned channel, std::uint64_t r)
    {
        const std::uint32_t code = static_cast<std::uint32_t>(r % kCodes);
        const double value = channel == 0 ? code : kCodes - 1 - code;
        return static_cast<float>(data.fRangeLow + (data.fRangeHigh - data.fRangeLow) * value / kCodes);
    }

    // Every block of every channel holds the samples that follow the
    // previous block's, from sample 0 on, and starts at its first sample's time.
    void expectEverySampleOnce(const standin::HostModule* ad, std::uint32_t blockSize, double milliseconds)
    {
        const AdModuleData& data = *ad->dataAs<AdModuleData>();
        const double interval = milliseconds * 0.001;
        for (unsigned channel = 0; channel < kChannels; ++channel) {
            SCOPED_TRACE(channel);
            const auto blocks = host().releasedBlocks(ad, channel);
            const std::uint32_t held = ad->channelState(channel)->bBlockPending;
            EXPECT_EQ(blocks.size() + held, setsRead()) << "every set read reaches the host, in a block of its own";
            for (std::size_t k = 0; k < blocks.size(); ++k) {
                const std::uint64_t first = std::uint64_t{k} * blockSize;
                ASSERT_EQ(blocks[k].startTime, static_cast<double>(first) * interval) << "block " << k;
                ASSERT_EQ(blocks[k].samples.size(), blockSize) << "block " << k;
                for (std::uint32_t j = 0; j < blockSize; ++j)
                    ASSERT_EQ(blocks[k].samples[j], Expected(data, channel, first + j)) << "block " << k << " sample " << j;
            }
        }
        EXPECT_TRUE(host().warnings().empty());
        EXPECT_TRUE(host().protocolErrors().empty());
    }
};

TEST_F(BoardClockTest, BoardAheadOfTheTickCountLosesNoSet)
{
    struct Case {
        double leadMs;
        std::uint32_t roundMs;   // how often the host calls
    };
    constexpr Case kCases[] = {{1, 1}, {2, 1}, {7, 1}, {15, 1}, {2, 3}, {15, 10}};
    constexpr std::uint32_t kBlockSize = 100;
    constexpr std::uint32_t kSets = 60;
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "board " << c.leadMs << " ms ahead, a call every " << c.roundMs << " ms");
        SetUp();
        standin::HostModule* ad = placeInputs();
        ASSERT_NE(ad, nullptr);
        driver().SimTorq7_SetBoardClock(kBoard, c.leadMs, 0.0);
        ASSERT_TRUE(host().start(1.0, kBlockSize));
        host().runRounds(kSets * kBlockSize / c.roundMs, c.roundMs);
        EXPECT_GE(setsRead(), kSets);
        expectEverySampleOnce(ad, kBlockSize, 1.0);
        // A set read before its block is due waits for the due time, not for the next set.
        const auto blocks = host().releasedBlocks(ad, 0);
        for (std::uint32_t k = 0; k < blocks.size(); ++k) {
            const std::uint32_t due = (k + 1) * kBlockSize;
            EXPECT_EQ(blocks[k].tick, kClockStart + (due + c.roundMs - 1) / c.roundMs * c.roundMs) << "block " << k;
        }
    }
}

TEST_F(BoardClockTest, BoardBehindTheTickCountLosesNothingEither)
{
    constexpr double kLagsMs[] = {-1, -15, -99};
    constexpr std::uint32_t kBlockSize = 100;
    for (const double lag : kLagsMs) {
        SCOPED_TRACE(lag);
        SetUp();
        standin::HostModule* ad = placeInputs();
        ASSERT_NE(ad, nullptr);
        driver().SimTorq7_SetBoardClock(kBoard, lag, 0.0);
        ASSERT_TRUE(host().start(1.0, kBlockSize));
        host().runRounds(5000, 1);
        EXPECT_EQ(setsRead(), 49u) << "the fiftieth set is not complete on a board behind";
        expectEverySampleOnce(ad, kBlockSize, 1.0);
        const auto blocks = host().releasedBlocks(ad, 1);
        ASSERT_FALSE(blocks.empty());
        EXPECT_EQ(blocks.back().tick, kClockStart + 4900 - static_cast<std::int32_t>(lag))
            << "a block that is late is released as soon as it is read";
    }
}

TEST_F(BoardClockTest, DriftingCrystalKeepsEverySampleForMinutes)
{
    struct Case {
        double ppm;
        double leadMs;
        double milliseconds;
        std::uint32_t blockSize;
        std::uint32_t roundMs;
    };
    // 1000 ppm runs ahead by several whole sets within the ten minutes; the
    // library reads one set per call and catches up.
    constexpr Case kCases[] = {
        {80, 3, 1.0, 100, 1}, {1000, 0, 1.0, 100, 7}, {-1000, 0, 1.0, 100, 7}, {80, 3, 0.03, 1000, 5},
    };
    constexpr std::uint64_t kRunMs = 10 * 60 * 1000;
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.ppm << " ppm, " << c.leadMs << " ms ahead, " << c.milliseconds << " ms x "
                                        << c.blockSize);
        SetUp();
        standin::HostModule* ad = placeInputs();
        ASSERT_NE(ad, nullptr);
        driver().SimTorq7_SetBoardClock(kBoard, c.leadMs, c.ppm);
        ASSERT_TRUE(host().start(c.milliseconds, c.blockSize));
        host().runRounds(static_cast<unsigned>(kRunMs / c.roundMs), c.roundMs);
        const double boardMs = static_cast<double>(kRunMs) * (1.0 + c.ppm * 1e-6) + c.leadMs;
        const auto completeSets = static_cast<std::uint32_t>(boardMs / (c.milliseconds * c.blockSize));
        EXPECT_GE(setsRead() + 1, completeSets) << "the library keeps up with the board";
        EXPECT_LE(setsRead(), completeSets);
        expectEverySampleOnce(ad, c.blockSize, c.milliseconds);
    }
}

// Hours on the virtual clock, counted rather than kept.
TEST_F(BoardClockTest, HoursWithTheCrystalOffBy80PpmCountEverySample)
{
    constexpr double kPpms[] = {80, -80};
    constexpr std::uint32_t kBlockSize = 1000;
    constexpr std::uint64_t kRunMs = 6ull * 3600 * 1000;
    constexpr std::uint32_t kRoundMs = 50;
    for (const double ppm : kPpms) {
        SCOPED_TRACE(ppm);
        SetUp();
        host().useCountsMode(true);
        standin::HostModule* ad = placeInputs();
        ASSERT_NE(ad, nullptr);
        driver().SimTorq7_SetBoardClock(kBoard, 3.0, ppm);
        ASSERT_TRUE(host().start(1.0, kBlockSize));
        host().runRounds(static_cast<unsigned>(kRunMs / kRoundMs), kRoundMs);
        const double boardMs = static_cast<double>(kRunMs) * (1.0 + ppm * 1e-6) + 3.0;
        const auto completeSets = static_cast<std::uint64_t>(boardMs / kBlockSize);
        for (unsigned channel = 0; channel < kChannels; ++channel) {
            const standin::ChannelTally tally = host().channelTally(ad, channel);
            EXPECT_EQ(tally.blocks + ad->channelState(channel)->bBlockPending, setsRead());
            EXPECT_GE(tally.blocks + 2, completeSets);
            EXPECT_EQ(tally.samples, tally.blocks * kBlockSize);
            EXPECT_EQ(tally.timeErrors, 0u) << "a block stamped with another set's time";
            EXPECT_EQ(tally.countErrors, 0u);
            EXPECT_EQ(tally.heldPastDue, 0u);
        }
        EXPECT_TRUE(host().warnings().empty());
    }
}

}  // namespace
}  // namespace torq7test
