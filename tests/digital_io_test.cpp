// The digital input and digital output classes on the simulated board's
// ports: bits to levels and back, the order of port accesses, failed
// accesses during a measurement and the output buffer's life.
#include <cmath>
#include <limits>
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/DoModuleData.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 5;
constexpr float kHigh = 5.0f;

class DigitalIoTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
    }

    standin::HostModule* placeInput(unsigned outputs) { return placeWithFirstBoard("TORQ7DI", {0, outputs, ""}); }
    standin::HostModule* placeOutput(unsigned inputs) { return placeWithFirstBoard("TORQ7DO", {inputs, 0, ""}); }

    void setInputBytes(const std::vector<std::uint8_t>& bytes)
    {
        driver().SimTorq7_SetInputPattern(kBoard, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }

    std::vector<std::uint8_t> portWrites()
    {
        std::vector<std::uint8_t> bytes(driver().SimTorq7_GetOutPortHistory(kBoard, nullptr, 0));
        driver().SimTorq7_GetOutPortHistory(kBoard, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return bytes;
    }

    std::size_t inputReleases(const standin::HostModule* module, unsigned input)
    {
        return HostTest::inputReleases(module, input, "Torq7Do", 374);
    }
};

TEST_F(DigitalIoTest, InputStopMessageChangesNothing)
{
    standin::HostModule* din = placeInput(1);
    ASSERT_NE(din, nullptr);
    host().clearRecords();
    driver().SimTorq7_ClearLog();
    EXPECT_EQ(host().sendMessage(din, MODMSG_STOP), 1u);
    EXPECT_EQ(driver().SimTorq7_CallCount(), 0u);
    EXPECT_TRUE(host().memoryCalls().empty());
    EXPECT_TRUE(host().defaultActions().empty());
}

TEST_F(DigitalIoTest, InputBitsBecomeLevels)
{
    standin::HostModule* din = placeInput(8);
    ASSERT_NE(din, nullptr);
    setInputBytes({0xA5});
    ASSERT_TRUE(host().start(1.0, 10));
    host().runRounds(1, 10);
    for (unsigned c = 0; c < 8; ++c) {
        const auto blocks = host().releasedBlocks(din, c);
        ASSERT_EQ(blocks.size(), 1u) << "channel " << c;
        const float level = (0xA5 >> c) & 1 ? kHigh : 0.0f;
        EXPECT_EQ(blocks[0].samples, std::vector<float>(10, level)) << "channel " << c;
    }
}

TEST_F(DigitalIoTest, EachSampleOfEachChannelReadsThePortInTurn)
{
    standin::HostModule* din = placeInput(3);
    ASSERT_NE(din, nullptr);
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t n = 0; n < bytes.size(); ++n)
        bytes[n] = static_cast<std::uint8_t>(n * 29 + (n >> 3));
    setInputBytes(bytes);
    ASSERT_TRUE(host().start(1.0, 100));
    host().runRounds(1, 100);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_INPORT, kBoard), 300u);
    for (unsigned c = 0; c < 3; ++c) {
        const auto blocks = host().releasedBlocks(din, c);
        ASSERT_EQ(blocks.size(), 1u);
        for (unsigned j = 0; j < 100; ++j) {
            const float level = (bytes[c * 100 + j] >> c) & 1 ? kHigh : 0.0f;
            ASSERT_EQ(blocks[0].samples[j], level) << "channel " << c << " sample " << j;
        }
    }
}

TEST_F(DigitalIoTest, FailedReadWarnsOnceAndTheBlockIsCompleted)
{
    standin::HostModule* din = placeInput(2);
    ASSERT_NE(din, nullptr);
    setInputBytes({0xFF});
    // The 151st read fails: channel 1, sample 50.
    driver().SimTorq7_SetFault(SIM_INPORT, kBoard, 150, 1, -7);
    ASSERT_TRUE(host().start(1.0, 100));
    host().runRounds(1, 100);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_INPORT, kBoard), 200u);
    const auto warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].caption, "サンプリングエラー");
    EXPECT_EQ(warnings[0].text, "LogSlot = 5\nChannel = 1\nErrCode = -7");
    EXPECT_EQ(stopsAtWarnings_, std::vector<std::size_t>{1});
    const auto blocks = host().releasedBlocks(din, 1);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].samples, std::vector<float>(100, kHigh)) << "the failed read keeps the byte read before";
    EXPECT_FALSE(host().running());
}

TEST_F(DigitalIoTest, OutputSamplesSetAndClearTheirBit)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Step {
        unsigned channel;
        std::vector<float> samples;
        std::vector<std::uint8_t> written;
    };
    const Step kSteps[] = {
        {3, {0.0f, 7.0f, 5.0f, 4.999f}, {0x00, 0x08, 0x08, 0x00}},
        {0, {5.0f, 5.0f, 5.0f, 5.0f}, {0x01, 0x09, 0x09, 0x01}},
        {0, {kNaN, -1.0f, -0.0f, 5.0f}, {0x00, 0x08, 0x08, 0x01}},
    };
    standin::HostModule* dout = placeOutput(4);
    ASSERT_NE(dout, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    std::vector<std::uint8_t> expected;
    for (const Step& step : kSteps) {
        host().feedInput(dout, step.channel, step.samples);
        host().runRounds(1, 4);
        expected.insert(expected.end(), step.written.begin(), step.written.end());
        EXPECT_EQ(portWrites(), expected) << "channel " << step.channel;
    }
    EXPECT_EQ(inputReleases(dout, 3), 1u);
    EXPECT_EQ(inputReleases(dout, 0), 2u);
}

TEST_F(DigitalIoTest, ChannelWithoutBlockKeepsItsEarlierBits)
{
    standin::HostModule* dout = placeOutput(2);
    ASSERT_NE(dout, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    host().feedInput(dout, 0, {5.0f, 0.0f, 5.0f, 0.0f});
    host().feedInput(dout, 1, {0.0f, 0.0f, 0.0f, 0.0f});
    host().runRounds(1, 4);
    host().feedInput(dout, 1, {5.0f, 5.0f, 5.0f, 5.0f});
    host().runRounds(1, 4);
    const std::vector<std::uint8_t> expected = {0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00,
                                                0x03, 0x02, 0x03, 0x02};
    EXPECT_EQ(portWrites(), expected);
}

TEST_F(DigitalIoTest, OutputUsesAtMostOneBlockSizeOfSamples)
{
    struct Case {
        std::vector<float> samples;
        std::size_t writes;
    };
    const Case kCases[] = {{{}, 0}, {{5.0f, 5.0f, 5.0f, 5.0f, 5.0f, 5.0f}, 4}, {{5.0f, 5.0f}, 2}};
    standin::HostModule* dout = placeOutput(1);
    ASSERT_NE(dout, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    std::size_t writes = 0;
    std::size_t releases = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.samples.size());
        host().feedInput(dout, 0, c.samples);
        host().runRounds(1, 4);
        writes += c.writes;
        EXPECT_EQ(portWrites().size(), writes);
        EXPECT_EQ(inputReleases(dout, 0), ++releases);
        EXPECT_EQ(host().waitingInputBlocks(dout, 0), 0u);
    }
}

TEST_F(DigitalIoTest, FailedWritesWarnEachAndTheRestIsStillWritten)
{
    standin::HostModule* dout = placeOutput(2);
    ASSERT_NE(dout, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    // The second and third writes fail.
    driver().SimTorq7_SetFault(SIM_OUTPORT, kBoard, 1, 2, 42);
    host().feedInput(dout, 0, {5.0f, 5.0f, 5.0f, 5.0f});
    host().feedInput(dout, 1, {5.0f, 0.0f, 0.0f, 0.0f});
    host().runRounds(1, 4);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_OUTPORT, kBoard), 8u);
    const std::vector<std::uint8_t> expected = {0x01, 0x01, 0x03, 0x01, 0x01, 0x01};
    EXPECT_EQ(portWrites(), expected);
    const auto warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 2u);
    for (const standin::Warning& warning : warnings) {
        EXPECT_EQ(warning.caption, "サンプリングエラー");
        EXPECT_EQ(warning.text, "データ出力に失敗しました\nエラーコード 42\nソケット番号 5\n");
    }
    EXPECT_EQ(stopsAtWarnings_, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(inputReleases(dout, 0), 1u);
    EXPECT_EQ(inputReleases(dout, 1), 1u);
    EXPECT_FALSE(host().running());
}

TEST_F(DigitalIoTest, OutputBufferLivesFromStartToStop)
{
    standin::HostModule* dout = placeOutput(1);
    ASSERT_NE(dout, nullptr);
    ASSERT_TRUE(host().start(1.0, 64));
    auto memory = host().memoryCalls();
    ASSERT_EQ(memory.size(), 1u);
    EXPECT_EQ(memory[0].size, 64u);
    EXPECT_EQ(memory[0].file, "Torq7Do");
    EXPECT_EQ(memory[0].line, 158);
    // A fresh buffer is all zeros: the first sample of a cleared bit writes 0.
    host().feedInput(dout, 0, std::vector<float>(64, 0.0f));
    host().runRounds(1, 64);
    EXPECT_EQ(portWrites(), std::vector<std::uint8_t>(64, 0x00));

    host().stop();
    EXPECT_EQ(host().sendMessage(dout, MODMSG_STOP), 1u);
    memory = host().memoryCalls();
    ASSERT_EQ(memory.size(), 2u) << "the second stop frees nothing";
    EXPECT_TRUE(memory[1].isFree);
    EXPECT_EQ(memory[1].address, memory[0].address);
    EXPECT_EQ(memory[1].line, 181);
}

TEST_F(DigitalIoTest, RefusedOutputBufferWarnsAndWritesNothing)
{
    standin::HostModule* dout = placeOutput(1);
    ASSERT_NE(dout, nullptr);
    host().setAllocationFilter([](std::uint32_t, const std::string& file, std::int32_t) { return file != "Torq7Do"; });
    EXPECT_FALSE(host().start(1.0, 4));
    const auto warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].caption, "Torq-Q7 D-Out:エラー");
    EXPECT_EQ(warnings[0].text, "出力バッファ確保を失敗しました");
    EXPECT_EQ(host().stopRequests(), 0u);

    host().feedInput(dout, 0, {5.0f, 5.0f, 5.0f, 5.0f});
    host().runRounds(1, 4);
    EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_OUTPORT, kBoard), 0u);
    EXPECT_EQ(inputReleases(dout, 0), 1u);
    host().stop();
    EXPECT_EQ(host().callCount("NewDoMemFree"), 0u);
}

TEST_F(DigitalIoTest, StoredBufferReferenceIsNeverFreed)
{
    standin::HostModule* dout = placeOutput(1);
    ASSERT_NE(dout, nullptr);
    dout->dataAs<DoModuleData>()->pOutputBuffer = 0x12345678;

    const std::vector<standin::HostModule*> placed = reopenWorksheet(kBoard);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(host().sendMessage(placed[0], MODMSG_STOP), 1u);
    EXPECT_EQ(host().callCount("NewDoMemFree"), 0u);
    EXPECT_TRUE(host().protocolErrors().empty());
}

TEST_F(DigitalIoTest, OutputPortReadBackThroughLoopback)
{
    standin::HostModule* dout = placeOutput(3);
    standin::HostModule* din = placeInput(3);
    ASSERT_TRUE(dout && din);
    driver().SimTorq7_SetLoopback(kBoard, 1);
    ASSERT_TRUE(host().start(1.0, 4));
    host().feedInput(dout, 0, {0.0f, 0.0f, 0.0f, 5.0f});
    host().feedInput(dout, 2, {0.0f, 0.0f, 0.0f, 5.0f});
    host().runRounds(1, 4);
    for (unsigned c = 0; c < 3; ++c) {
        const auto blocks = host().releasedBlocks(din, c);
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0].samples, std::vector<float>(4, c == 1 ? 0.0f : kHigh)) << "channel " << c;
    }
}

}  // namespace
}  // namespace torq7test
