// The analog output class: samples clamped to the output range and sent to
// the board's converters as 12-bit codes, one driver call per sample.
#include <cmath>
#include <limits>
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/DaModuleData.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 1;

class AnalogOutputTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
    }

    standin::HostModule* placeOutputs(unsigned inputs) { return placeWithFirstBoard("TORQ7DA", {inputs, 0, ""}); }

    std::vector<std::uint16_t> codesOn(unsigned channel)
    {
        std::vector<std::uint16_t> codes(driver().SimTorq7_GetOutputCodes(kBoard, channel, nullptr, 0));
        driver().SimTorq7_GetOutputCodes(kBoard, channel, codes.data(), static_cast<std::uint32_t>(codes.size()));
        return codes;
    }

    // The output channel argument of every Torq7SetData call, in order.
    std::vector<std::uint32_t> setDataChannels()
    {
        std::vector<std::uint32_t> channels;
        for (std::uint32_t i = 0; i < driver().SimTorq7_CallCount(); ++i) {
            SimCall call{};
            if (driver().SimTorq7_GetCall(i, &call) && call.dwEntry == SIM_SETDATA)
                channels.push_back(call.dwArgs[1]);
        }
        return channels;
    }

    // Input blocks given back by the test's one analog output module.
    std::size_t inputReleases(unsigned input)
    {
        return HostTest::inputReleases(host().modules().front(), input, "Torq7Da", 350);
    }
};

TEST_F(AnalogOutputTest, StartAndStopChangeNothing)
{
    standin::HostModule* da = placeOutputs(1);
    ASSERT_NE(da, nullptr);
    host().clearRecords();
    driver().SimTorq7_ClearLog();
    EXPECT_EQ(host().sendMessage(da, MODMSG_START), 1u);
    EXPECT_EQ(host().sendMessage(da, MODMSG_STOP), 1u);
    EXPECT_EQ(driver().SimTorq7_CallCount(), 0u);
    EXPECT_TRUE(host().memoryCalls().empty());
    EXPECT_TRUE(host().warnings().empty());
    EXPECT_TRUE(host().defaultActions().empty());
}

TEST_F(AnalogOutputTest, SamplesBecomeCodesOfTheRange)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::uint32_t range;
        std::vector<float> samples;
        std::vector<std::uint16_t> codes;
    };
    const Case kCases[] = {
        {0, {-1.0f, 0.0f, 1.0f, 2.5f, 4.999f, 5.0f, 7.0f, kNaN}, {0, 0, 819, 2048, 4095, 4096, 4096, 0}},
        {2, {-3.0f, -2.5f, 0.0f, 1.25f, 2.499f, 2.5f, kNaN}, {0, 0, 2048, 3072, 4095, 4096, 0}},
        {4, {-10.0f, -0.001f, 0.0f, 9.995f, 10.0f, 11.0f}, {0, 2047, 2048, 4094, 4096, 4096}},
    };
    standin::HostModule* da = placeOutputs(1);
    ASSERT_NE(da, nullptr);
    ASSERT_TRUE(host().start(1.0, 16));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.range);
        da->dataAs<DaModuleData>()->nOutputRange = c.range;
        const std::size_t before = codesOn(0).size();
        host().feedInput(da, 0, c.samples);
        host().runRounds(1, 16);
        const std::vector<std::uint16_t> codes = codesOn(0);
        EXPECT_EQ(std::vector<std::uint16_t>(codes.begin() + before, codes.end()), c.codes);
    }
}

TEST_F(AnalogOutputTest, BlockIsSentInSampleOrderOnItsChannel)
{
    standin::HostModule* da = placeOutputs(2);
    ASSERT_NE(da, nullptr);
    ASSERT_TRUE(host().start(1.0, 100));
    std::vector<float> samples;
    std::vector<std::uint16_t> expected;
    for (std::uint16_t j = 0; j < 100; ++j) {
        // 40 codes apart, each exact in single precision.
        samples.push_back(static_cast<float>(j) * 200.0f / 4096.0f);
        expected.push_back(static_cast<std::uint16_t>(40 * j));
    }
    driver().SimTorq7_ClearLog();
    host().feedInput(da, 1, samples);
    host().runRounds(1, 100);
    EXPECT_EQ(codesOn(1), expected);
    EXPECT_TRUE(codesOn(0).empty());
    EXPECT_EQ(setDataChannels(), std::vector<std::uint32_t>(100, 1));
    EXPECT_EQ(inputReleases(1), 1u);
}

TEST_F(AnalogOutputTest, AtMostOneBlockSizeOfSamplesIsSent)
{
    struct Case {
        std::vector<float> samples;
        std::size_t sent;
    };
    const Case kCases[] = {{{}, 0}, {{1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f}, 4}, {{1.0f}, 1}};
    standin::HostModule* da = placeOutputs(1);
    ASSERT_NE(da, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    std::size_t sent = 0;
    std::size_t releases = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.samples.size());
        host().feedInput(da, 0, c.samples);
        host().runRounds(1, 4);
        sent += c.sent;
        EXPECT_EQ(codesOn(0).size(), sent);
        EXPECT_EQ(inputReleases(0), ++releases);
        EXPECT_EQ(host().waitingInputBlocks(da, 0), 0u);
    }
}

TEST_F(AnalogOutputTest, PausedMeasurementTakesNoBlock)
{
    standin::HostModule* da = placeOutputs(1);
    ASSERT_NE(da, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    host().pause();
    host().feedInput(da, 0, {1.0f, 2.0f, 3.0f, 4.0f});
    host().runRounds(2, 4);
    EXPECT_TRUE(host().inputBlockCalls().empty());
    EXPECT_EQ(host().waitingInputBlocks(da, 0), 1u);
    EXPECT_TRUE(codesOn(0).empty());
    host().resume();
    host().runRounds(1, 4);
    EXPECT_EQ(codesOn(0).size(), 4u);
    EXPECT_EQ(inputReleases(0), 1u);
}

TEST_F(AnalogOutputTest, FailedSendsWarnEachAndTheRestIsStillSent)
{
    standin::HostModule* da = placeOutputs(2);
    ASSERT_NE(da, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    // The second and third calls fail.
    driver().SimTorq7_SetFault(SIM_SETDATA, kBoard, 1, 2, -3);
    host().feedInput(da, 0, {0.0f, 1.25f, 2.5f, 3.75f});
    host().feedInput(da, 1, {2.5f, 2.5f});
    host().runRounds(1, 4);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_SETDATA, kBoard), 6u);
    EXPECT_EQ(codesOn(0), (std::vector<std::uint16_t>{0, 3072}));
    EXPECT_EQ(codesOn(1), (std::vector<std::uint16_t>{2048, 2048}));
    const auto warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 2u);
    for (const standin::Warning& warning : warnings) {
        EXPECT_EQ(warning.caption, "サンプリングエラー");
        EXPECT_EQ(warning.text, "データ出力に失敗しました\nエラーコード -3\nソケット番号 1\n");
    }
    EXPECT_EQ(stopsAtWarnings_, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(inputReleases(0), 1u);
    EXPECT_EQ(inputReleases(1), 1u);
    EXPECT_FALSE(host().running());
}

// A stored module may bring more inputs than the board has outputs: their
// blocks are taken and given back every round, and reach no converter.
TEST_F(AnalogOutputTest, InputsBeyondTheTwoOutputsAreHandedBackUnwritten)
{
    standin::HostModule* da = placeOutputs(4);
    ASSERT_NE(da, nullptr);
    ASSERT_EQ(da->inputs(), 4u);
    ASSERT_TRUE(host().start(1.0, 2));
    driver().SimTorq7_ClearLog();
    constexpr unsigned kRounds = 3;
    for (unsigned round = 0; round < kRounds; ++round) {
        for (unsigned input = 0; input < 4; ++input)
            host().feedInput(da, input, {2.5f, 2.5f});
        host().runRounds(1, 2);
    }
    std::vector<std::uint32_t> expected;
    for (unsigned round = 0; round < kRounds; ++round)
        expected.insert(expected.end(), {0, 0, 1, 1});
    EXPECT_EQ(setDataChannels(), expected);
    for (unsigned input = 0; input < 4; ++input) {
        EXPECT_EQ(inputReleases(input), kRounds) << "input " << input;
        EXPECT_EQ(host().waitingInputBlocks(da, input), 0u) << "input " << input;
    }
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_GETLASTERROR, kBoard), 0u);
    EXPECT_TRUE(host().warnings().empty());
}

}  // namespace
}  // namespace torq7test
