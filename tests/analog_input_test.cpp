// The analog input class: the board mode made at the start from the host's
// time base and the stored settings, the sample buffer's life, and the sets
// read during a measurement, converted to volts.
#include <cstring>
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/ClassTable.h"
#include "torq7m/modules/SamplingIntervals.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 2;

class AnalogInputTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
    }

    standin::HostModule* placeInputs(unsigned channels) { return placeWithFirstBoard("TORQ7AD", {0, channels, ""}); }

    std::uint32_t driverCalls(SimEntry entry) { return driver().SimTorq7_CountCalls(entry, kBoard); }

    SamplingMode lastMode()
    {
        SamplingMode mode{};
        EXPECT_EQ(driver().SimTorq7_GetMode(kBoard, &mode), 1);
        return mode;
    }

    // The codes the board delivers on `channel`, one per sample and cycled,
    // with `lowBits` below each code.
    void setCodes(unsigned channel, const std::vector<std::uint16_t>& codes, std::uint16_t lowBits = 0)
    {
        const SimSignal signal{SIM_SIGNAL_PATTERN, 0.0, 0.0, 0.0, lowBits};
        driver().SimTorq7_SetSignal(kBoard, channel, &signal);
        driver().SimTorq7_SetCodePattern(kBoard, channel, codes.data(), static_cast<std::uint32_t>(codes.size()));
    }

    void expectOnlyWarning(const char* caption, const std::string& text)
    {
        const auto warnings = host().warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].caption, caption);
        EXPECT_EQ(warnings[0].text, text);
    }

    std::size_t failedProcessCalls()
    {
        std::size_t count = 0;
        for (const standin::ModuleResult& result : host().moduleResults())
            count += result.message == standin::kProcessCall;
        return count;
    }
};

TEST_F(AnalogInputTest, IntervalAndBufferSizeAreCheckedAtStart)
{
    constexpr char kBadRate[] = "サンプリングレートが不正です";
    constexpr char kBadSize[] = "バッファサイズのインデックスが不正です";
    struct Case {
        double milliseconds;
        std::int32_t bufferSize;
        std::uint32_t clockCode;
        const char* refusal;   // null: accepted
    };
    const Case kCases[] = {
        {0.03, 0, 0x26, nullptr},     {0.035, 0, 0x26, nullptr},  {100.009, 0, 0x0C, nullptr},
        {120000.0, 0, 0x3F, nullptr}, {0.02, 0, 0, kBadRate},     {0.07, 0, 0, kBadRate},
        {150.0, 0, 0, kBadRate},      {120000.5, 0, 0, kBadRate}, {1.0, 11, 0, kBadSize},
        {1.0, -1, 0, kBadSize},       {0.02, 11, 0, kBadRate},
    };
    standin::HostModule* ad = placeInputs(1);
    ASSERT_NE(ad, nullptr);
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.milliseconds << " ms, buffer size " << c.bufferSize);
        host().clearRecords();
        driver().SimTorq7_ClearLog();
        ad->dataAs<AdModuleData>()->nBufferSize = c.bufferSize;
        const bool started = host().start(c.milliseconds, 100);
        if (c.refusal) {
            EXPECT_FALSE(started);
            expectOnlyWarning("エラー", c.refusal);
            EXPECT_EQ(host().callCount("NewMemAlloc"), 0u);
            EXPECT_EQ(driver().SimTorq7_CallCount(), 0u);
        } else {
            EXPECT_TRUE(started);
            EXPECT_TRUE(host().warnings().empty());
            EXPECT_EQ(driverCalls(SIM_SETMODE), 1u);
            EXPECT_EQ(lastMode().dwClockCode, c.clockCode);
        }
        host().stop();
    }
}

// Every interval of the library's clock table reaches the board as its code
// (the table itself is checked on its own, without the DLL).
TEST_F(AnalogInputTest, EveryListedIntervalStartsTheBoardWithItsClockCode)
{
    standin::HostModule* ad = placeInputs(1);
    ASSERT_NE(ad, nullptr);
    for (const SamplingInterval& clock : kSamplingIntervalTable) {
        SCOPED_TRACE(clock.milliseconds);
        driver().SimTorq7_ClearLog();
        EXPECT_TRUE(host().start(clock.milliseconds, 10));
        EXPECT_EQ(driverCalls(SIM_SETMODE), 1u);
        EXPECT_EQ(lastMode().dwClockCode, clock.clockCode);
        host().stop();
    }
}

TEST_F(AnalogInputTest, StoredSettingsMakeTheMode)
{
    struct Case {
        std::int32_t startMethod;
        std::int32_t bufferMode;
        std::int32_t bufferSize;
        std::uint32_t modeCode;
        std::uint32_t bufferWords;
    };
    constexpr Case kCases[] = {
        {0, 0, 0, 2, 8192},   {0, 1, 1, 5, 16384},    {1, 0, 5, 4, 262144},
        {1, 1, 9, 6, 4194304}, {-3, 7, 10, 6, 8388608},
    };
    standin::HostModule* ad = placeInputs(3);
    ASSERT_NE(ad, nullptr);
    AdModuleData* data = ad->dataAs<AdModuleData>();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.modeCode);
        data->nStartMethod = c.startMethod;
        data->nBufferMode = c.bufferMode;
        data->nBufferSize = c.bufferSize;
        EXPECT_TRUE(host().start(1.0, 100));
        const SamplingMode mode = lastMode();
        EXPECT_EQ(mode.dwFirstChannel, 0u);
        EXPECT_EQ(mode.dwLastChannel, 2u);
        EXPECT_EQ(mode.dwBufferWords, c.bufferWords);
        EXPECT_EQ(mode.dwModeCode, c.modeCode);
        EXPECT_EQ(data->Mode.dwModeCode, c.modeCode);
        host().stop();
    }
}

TEST_F(AnalogInputTest, BufferHoldsOneSetOfEveryChannel)
{
    standin::HostModule* ad = placeInputs(8);
    ASSERT_NE(ad, nullptr);
    ASSERT_TRUE(host().start(1.0, 1024));
    const AdModuleData* data = ad->dataAs<AdModuleData>();
    EXPECT_EQ(data->dwTotalSamples, 8192u);
    EXPECT_EQ(lastMode().dwLastChannel, 7u);
    EXPECT_EQ(driver().SimTorq7_IsSampling(kBoard), 1);
    host().stop();
    EXPECT_EQ(driver().SimTorq7_IsSampling(kBoard), 0);
    const auto memory = host().memoryCalls();
    ASSERT_EQ(memory.size(), 2u);
    EXPECT_FALSE(memory[0].isFree);
    EXPECT_EQ(memory[0].size, 16384u);
    EXPECT_EQ(memory[0].file, "Torq7Ad");
    EXPECT_EQ(memory[0].line, 200);
    EXPECT_TRUE(memory[1].isFree);
    EXPECT_EQ(memory[1].address, memory[0].address);
    EXPECT_EQ(memory[1].file, "Torq7Ad");
    EXPECT_EQ(memory[1].line, 253);
}

TEST_F(AnalogInputTest, StartFailuresAndStops)
{
    struct Case {
        const char* what;
        SimEntry fault;   // SIM_GETVERSION: none
        bool refuseBuffer;
        bool started;
        const char* caption;
        const char* text;   // empty: the library's own text
        std::size_t stops;
        std::size_t allocations;
        std::size_t buffers;
        std::uint32_t startCalls;
    };
    const Case kCases[] = {
        {"mode refused", SIM_SETMODE, false, false, "エラー", "", 0, 0, 0, 0},
        {"no buffer", SIM_GETVERSION, true, false, "Torq-Q7", "バッファを確保できませんでした", 0, 1, 0, 0},
        {"sampling not started", SIM_STARTSAMPLING, false, true, "Torq-Q7",
         "サンプリング開始に失敗しました\nエラーコード： 77", 1, 1, 1, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        freshHost();
        startWithBoard(kBoard);
        standin::HostModule* ad = placeInputs(2);
        ASSERT_NE(ad, nullptr);
        if (c.fault != SIM_GETVERSION)
            driver().SimTorq7_SetFault(c.fault, kBoard, 0, 1, 77);
        if (c.refuseBuffer)
            host().setAllocationFilter([](std::uint32_t, const std::string& file, std::int32_t) { return file != "Torq7Ad"; });
        EXPECT_EQ(host().start(1.0, 100), c.started);
        const auto warnings = host().warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].caption, c.caption);
        EXPECT_EQ(*c.text ? warnings[0].text : std::string(), c.text);
        EXPECT_EQ(stopsAtWarnings_, std::vector<std::size_t>{c.stops});
        EXPECT_EQ(host().callCount("NewMemAlloc"), c.allocations);
        EXPECT_EQ(host().liveAllocations(), c.buffers);
        EXPECT_EQ(driverCalls(SIM_STARTSAMPLING), c.startCalls);

        // The stop frees what the start kept, a second stop nothing more.
        host().stop();
        EXPECT_EQ(host().sendMessage(ad, MODMSG_STOP), 1u);
        EXPECT_EQ(host().callCount("NewDoMemFree"), c.buffers);
        EXPECT_EQ(driverCalls(SIM_STOPSAMPLING), 2u);
    }
}

TEST_F(AnalogInputTest, SetIsReadOnlyWhenComplete)
{
    standin::HostModule* ad = placeInputs(1);
    ASSERT_NE(ad, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    host().runRounds(1, 3);
    EXPECT_EQ(driverCalls(SIM_GETSAMPLINGSTATUS), 1u);
    EXPECT_EQ(driverCalls(SIM_GETDATA), 0u) << "3 of 4 samples ready";
    EXPECT_EQ(host().callCount("GetCurrentOutputBlock"), 0u);
    EXPECT_TRUE(host().releasedBlocks().empty());
    EXPECT_EQ(failedProcessCalls(), 0u);
    host().runRounds(1, 1);
    EXPECT_EQ(driverCalls(SIM_GETDATA), 1u);
    const auto blocks = host().releasedBlocks(ad, 0);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].tick, kClockStart + 4);
    EXPECT_EQ(blocks[0].file, "Torq7Ad");
    EXPECT_EQ(blocks[0].line, 437);
}

TEST_F(AnalogInputTest, FailedStatusStopsTheMeasurement)
{
    standin::HostModule* ad = placeInputs(1);
    ASSERT_NE(ad, nullptr);
    ASSERT_TRUE(host().start(1.0, 4));
    driver().SimTorq7_SetFault(SIM_GETSAMPLINGSTATUS, kBoard, 0, 1, 33);
    host().runRounds(1, 4);
    expectOnlyWarning("Torq-Q7", "サンプリング状態の取得を失敗しました\nエラーコード： 33");
    EXPECT_EQ(stopsAtWarnings_, std::vector<std::size_t>{1});
    EXPECT_EQ(driverCalls(SIM_GETDATA), 0u);
    EXPECT_TRUE(host().releasedBlocks().empty());
    EXPECT_EQ(failedProcessCalls(), 1u);
    EXPECT_FALSE(host().running());
}

// A failed read stops the measurement and puts nothing in a block: neither
// the previous set again nor the host's fresh memory.
TEST_F(AnalogInputTest, FailedReadFillsNoBlock)
{
    struct Case {
        std::uint32_t goodReads;   // before the failing one
        std::size_t blocks;        // that reach the host
    };
    constexpr Case kCases[] = {{0, 0}, {1, 1}, {3, 3}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.goodReads);
        SetUp();
        standin::HostModule* ad = placeInputs(2);
        ASSERT_NE(ad, nullptr);
        setCodes(0, {0, 1024, 2048, 3072});
        setCodes(1, {4000});
        driver().SimTorq7_SetFault(SIM_GETDATA, kBoard, c.goodReads, 1, 44);
        ASSERT_TRUE(host().start(1.0, 4));
        host().runRounds(20, 1);
        expectOnlyWarning("Torq-Q7", "サンプリングデータ取得を失敗しました\nエラーコード： 44");
        EXPECT_EQ(stopsAtWarnings_, std::vector<std::size_t>{1});
        EXPECT_EQ(failedProcessCalls(), 0u) << "a failed read still returns 1";
        EXPECT_FALSE(host().running());
        for (unsigned channel = 0; channel < 2; ++channel) {
            const auto blocks = host().releasedBlocks(ad, channel);
            ASSERT_EQ(blocks.size(), c.blocks);
            const std::vector<float> samples =
                channel == 0 ? std::vector<float>{0.0f, 1.25f, 2.5f, 3.75f} : std::vector<float>(4, 4000 * 5.0f / 4096);
            for (std::size_t k = 0; k < blocks.size(); ++k) {
                EXPECT_EQ(blocks[k].startTime, 0.004 * static_cast<double>(k));
                EXPECT_EQ(blocks[k].samples, samples);
            }
            EXPECT_EQ(ad->channelState(channel)->bBlockPending, 0);
            EXPECT_EQ(ad->channelState(channel)->dwSamplesEmitted, c.blocks * 4);
        }
    }
}

TEST_F(AnalogInputTest, RawWordsBecomeVoltsInTheRange)
{
    struct Case {
        std::int32_t range;
        float high;
        float low;
        std::uint16_t lowBits;
        std::vector<std::uint16_t> codes;
        std::vector<float> volts;
    };
    const Case kCases[] = {
        {0, 5.0f, 0.0f, 0x0, {4095, 0, 2048, 1}, {4.998779296875f, 0.0f, 2.5f, 0.001220703125f}},
        {0, 5.0f, 0.0f, 0xF, {4095, 0, 2048, 1}, {4.998779296875f, 0.0f, 2.5f, 0.001220703125f}},
        {4, 10.0f, -10.0f, 0x0, {2048, 4095, 0, 1024}, {0.0f, 9.9951171875f, -10.0f, -5.0f}},
        {2, 2.5f, -2.5f, 0x7, {0, 2048, 4095, 3072}, {-2.5f, 0.0f, 2.498779296875f, 1.25f}},
    };
    standin::HostModule* ad = placeInputs(1);
    ASSERT_NE(ad, nullptr);
    AdModuleData* data = ad->dataAs<AdModuleData>();
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "range " << c.range << " low bits " << c.lowBits);
        host().clearRecords();
        data->nInputRange = c.range;
        data->fRangeHigh = c.high;
        data->fRangeLow = c.low;
        setCodes(0, c.codes, c.lowBits);
        ASSERT_TRUE(host().start(1.0, 4));
        host().runRounds(1, 4);
        const auto blocks = host().releasedBlocks(ad, 0);
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0].samples, c.volts);
        host().stop();
    }
}

TEST_F(AnalogInputTest, EveryCodeOfEveryRangeIsConvertedByTheFormula)
{
    // The board's ranges, and stored ranges whose volts single precision
    // cannot form exactly (they convert another way): every one must give
    // the formula's double result, rounded to a float, bit for bit.
    struct Range {
        float high;
        float low;
    };
    std::vector<Range> ranges;
    for (const InputRange& range : kInputRanges)
        ranges.push_back({range.fRangeHigh, range.fRangeLow});
    for (const Range& odd : {Range{4.1f, -0.3f}, Range{5.0f, 1e-30f}, Range{1e30f, -1e30f}, Range{-5.0f, 5.0f},
                             Range{3.0f, 3.0f}, Range{0.001f, 0.0f}, Range{1e-40f, 0.0f}})
        ranges.push_back(odd);
    // Every code once in each channel's block, and a few more past a
    // multiple of eight; channel c starts at code 517 c, odd channels with
    // all low bits set.
    constexpr std::uint32_t kCodes = 4096;
    constexpr std::uint32_t kBlock = kCodes + 3;
    for (unsigned channels = 1; channels <= 8; ++channels) {
        std::vector<std::vector<std::uint16_t>> codes(channels);
        for (unsigned c = 0; c < channels; ++c) {
            for (std::uint32_t j = 0; j < kCodes; ++j)
                codes[c].push_back(static_cast<std::uint16_t>((j + 517 * c) % kCodes));
            setCodes(c, codes[c], c % 2 ? 0xF : 0);
        }
        standin::HostModule* ad = placeInputs(channels);
        ASSERT_NE(ad, nullptr);
        AdModuleData* data = ad->dataAs<AdModuleData>();
        data->nBufferSize = 3;
        for (const Range& range : ranges) {
            SCOPED_TRACE(testing::Message() << channels << " channels, range " << range.low << " to " << range.high);
            host().clearRecords();
            data->fRangeHigh = range.high;
            data->fRangeLow = range.low;
            ASSERT_TRUE(host().start(1.0, kBlock));
            host().runRounds(1, kBlock);
            const double high = range.high;
            const double low = range.low;
            for (unsigned c = 0; c < channels; ++c) {
                const auto blocks = host().releasedBlocks(ad, c);
                ASSERT_EQ(blocks.size(), 1u);
                ASSERT_EQ(blocks[0].samples.size(), kBlock);
                unsigned wrong = 0;
                for (std::uint32_t j = 0; j < kBlock; ++j) {
                    const std::uint16_t code = codes[c][j % kCodes];
                    const float expected = static_cast<float>(low + (high - low) * code * (1.0 / 4096.0));
                    wrong += std::memcmp(&blocks[0].samples[j], &expected, sizeof expected) != 0;
                }
                EXPECT_EQ(wrong, 0u) << "channel " << c;
            }
            host().stop();
        }
        host().deleteModule(ad);
    }
}

TEST_F(AnalogInputTest, InterleavedSetIsSplitByChannel)
{
    standin::HostModule* ad = placeInputs(3);
    ASSERT_NE(ad, nullptr);
    // Codes a multiple of 256 give volts exact in single precision.
    for (std::uint16_t c = 0; c < 3; ++c)
        setCodes(c, {static_cast<std::uint16_t>(256 * (4 * c + 1)), static_cast<std::uint16_t>(256 * (4 * c + 2)),
                     static_cast<std::uint16_t>(256 * (4 * c + 3)), static_cast<std::uint16_t>(256 * (4 * c + 4))});
    ASSERT_TRUE(host().start(1.0, 4));
    host().runRounds(1, 4);
    EXPECT_EQ(ad->dataAs<AdModuleData>()->dwTotalSamples, 12u);
    for (unsigned c = 0; c < 3; ++c) {
        const auto blocks = host().releasedBlocks(ad, c);
        ASSERT_EQ(blocks.size(), 1u);
        std::vector<float> expected;
        for (unsigned j = 0; j < 4; ++j)
            expected.push_back(5.0f * static_cast<float>(4 * c + j + 1) / 16.0f);
        EXPECT_EQ(blocks[0].samples, expected) << "channel " << c;
    }
}

TEST_F(AnalogInputTest, StoredBufferReferenceIsNeverFreed)
{
    standin::HostModule* ad = placeInputs(2);
    ASSERT_NE(ad, nullptr);
    ad->dataAs<AdModuleData>()->pSampleBuffer = 0x0BADF00D;

    const std::vector<standin::HostModule*> placed = reopenWorksheet(kBoard);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(host().sendMessage(placed[0], MODMSG_STOP), 1u);
    EXPECT_EQ(host().callCount("NewDoMemFree"), 0u);
    EXPECT_TRUE(host().warnings().empty());
    EXPECT_TRUE(host().protocolErrors().empty());

    // A measurement of the restored module frees only its own buffer.
    ASSERT_TRUE(host().start(1.0, 10));
    host().stop();
    const auto memory = host().memoryCalls();
    ASSERT_EQ(memory.size(), 2u);
    EXPECT_EQ(memory[1].address, memory[0].address);
}

}  // namespace
}  // namespace torq7test
