// What the simulated driver's analog inputs deliver: the sample intervals of
// the clock codes, interleaved words, and the signals' shapes over time.
#include "SimDriverFixture.h"

namespace {

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

}  // namespace
