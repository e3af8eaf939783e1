// The analog input's set as the start sizes it and the process call reads
// it: channel counts a damaged stored worksheet may bring, a set that does
// not fit one buffer, the set's own stride when the host's count changes
// during a measurement, and channels the host gives no block.
#include <string>
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/AdModuleData.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 5;

class AnalogInputSetTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
    }

    standin::HostModule* placeInputs(unsigned channels) { return placeWithFirstBoard("TORQ7AD", {0, channels, ""}); }

    // Channel c delivers code 256 (c + 1) + j for sample j, j below 4: volts
    // that single precision holds exactly in the 0 to 5 V range.
    void setDistinctCodes(unsigned channels)
    {
        for (unsigned c = 0; c < channels; ++c) {
            std::vector<std::uint16_t> codes;
            for (std::uint16_t j = 0; j < 4; ++j)
                codes.push_back(static_cast<std::uint16_t>(256 * (c + 1) + j));
            driver().SimTorq7_SetCodePattern(kBoard, c, codes.data(), static_cast<std::uint32_t>(codes.size()));
        }
    }

    static std::vector<float> VoltsOf(unsigned channel, std::uint32_t samples)
    {
        std::vector<float> volts;
        for (std::uint32_t j = 0; j < samples; ++j)
            volts.push_back(static_cast<float>(5.0 * (256 * (channel + 1) + j % 4) / 4096.0));
        return volts;
    }
};

TEST_F(AnalogInputSetTest, ChannelCountsTheBoardCannotSampleAreRefusedBeforeAnyDriverCall)
{
    struct Case {
        std::uint32_t channels;
        std::uint32_t blockSize;
        const char* text;
    };
    const Case kCases[] = {
        {0, 1024, "チャンネル数 0 は使えません\nチャンネル数は 1～8 です"},
        {9, 1024, "チャンネル数 9 は使えません\nチャンネル数は 1～8 です"},
        {40000, 65535, "チャンネル数 40000 は使えません\nチャンネル数は 1～8 です"},
        {8, 0x20000000, "ブロックサイズ 536870912 × 8 チャンネルのバッファは確保できません"},
    };
    standin::HostModule* ad = placeInputs(1);
    ASSERT_NE(ad, nullptr);
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels, blocks of " << c.blockSize);
        ad->record()->uiOutputChannels = c.channels;
        host().clearRecords();
        driver().SimTorq7_ClearLog();
        EXPECT_FALSE(host().start(1.0, c.blockSize));
        const auto warnings = host().warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].caption, "エラー");
        EXPECT_EQ(warnings[0].text, c.text);
        EXPECT_EQ(host().callCount("NewMemAlloc"), 0u);
        EXPECT_EQ(driver().SimTorq7_CallCount(), 0u);
        host().advanceClock(10);
        host().runRound();
        EXPECT_EQ(driver().SimTorq7_CallCount(), 0u) << "a refused module read the board";
        host().stop();
    }
    // The same module with a count the board has measures again.
    ad->record()->uiOutputChannels = 8;
    host().clearRecords();
    EXPECT_TRUE(host().start(1.0, 65535));
    EXPECT_TRUE(host().warnings().empty());
    EXPECT_EQ(ad->dataAs<AdModuleData>()->dwTotalSamples, 8u * 65535);
}

// The set keeps the layout the board was started with: a host that changes
// the module's count during the measurement gets the channels the set holds
// at their places, and 0 V for channels the set lacks.
TEST_F(AnalogInputSetTest, SetIsReadWithTheChannelCountOfItsStart)
{
    struct Case {
        unsigned atStart;
        unsigned during;
    };
    constexpr Case kCases[] = {{4, 2}, {2, 4}, {3, 8}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.atStart << " channels at the start, " << c.during << " during");
        SetUp();
        standin::HostModule* ad = placeInputs(c.atStart);
        ASSERT_NE(ad, nullptr);
        setDistinctCodes(c.atStart);
        ASSERT_TRUE(host().start(1.0, 4));
        ad->record()->uiOutputChannels = c.during;
        host().runRounds(1, 4);
        for (unsigned channel = 0; channel < c.during; ++channel) {
            const auto blocks = host().releasedBlocks(ad, channel);
            ASSERT_EQ(blocks.size(), 1u) << "channel " << channel;
            const std::vector<float> expected = channel < c.atStart ? VoltsOf(channel, 4) : std::vector<float>(4, 0.0f);
            EXPECT_EQ(blocks[0].samples, expected) << "channel " << channel;
        }
        EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_GETDATA, kBoard), 1u);
        host().stop();
        ad->record()->uiOutputChannels = c.atStart;
    }
}

// A channel the host has no block for falls behind alone; the others of the
// same set are converted as ever, whatever the channel count.
TEST_F(AnalogInputSetTest, ChannelWithoutHostBlockLeavesTheOthersOfTheSetAlike)
{
    for (unsigned channels = 2; channels <= 8; ++channels) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        SetUp();
        standin::HostModule* ad = placeInputs(channels);
        ASSERT_NE(ad, nullptr);
        setDistinctCodes(channels);
        host().setOutputBlockFilter([](const standin::HostModule&, unsigned channel) { return channel != 1; });
        constexpr std::uint32_t kBlock = 11;   // two groups of four rows and three rows more
        ASSERT_TRUE(host().start(1.0, kBlock));
        host().runRounds(2, kBlock);
        EXPECT_TRUE(host().releasedBlocks(ad, 1).empty());
        EXPECT_EQ(ad->channelState(1)->dwSamplesEmitted, 0u);
        for (unsigned channel = 0; channel < channels; ++channel) {
            if (channel == 1)
                continue;
            const auto blocks = host().releasedBlocks(ad, channel);
            ASSERT_EQ(blocks.size(), 2u) << "channel " << channel;
            // the pattern of four codes runs on across the block boundary
            std::vector<float> second = VoltsOf(channel, 2 * kBlock);
            second.erase(second.begin(), second.begin() + kBlock);
            EXPECT_EQ(blocks[0].samples, VoltsOf(channel, kBlock)) << "channel " << channel;
            EXPECT_EQ(blocks[1].samples, second) << "channel " << channel;
        }
        host().stop();
    }
}

}  // namespace
}  // namespace torq7test
