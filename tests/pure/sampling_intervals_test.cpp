// The lookup of the board's sampling clock for the host's interval: every
// listed interval is found, whatever lies between two of them is refused,
// and no two clocks share a code.
#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "torq7m/modules/SamplingIntervals.h"

namespace {

// Intervals count in hundredths of a millisecond; a value in the middle of a
// hundredth stays clear of rounding at its edges.
double MidHundredth(long long hundredths)
{
    return (static_cast<double>(hundredths) + 0.5) * 0.01;
}

long long Hundredths(double milliseconds)
{
    return static_cast<long long>(milliseconds * 100.0 + 0.5);
}

TEST(SamplingIntervals, EveryListedIntervalIsFoundAlsoWithinItsHundredth)
{
    for (unsigned i = 0; i < kSamplingIntervals; ++i) {
        const double interval = kSamplingIntervalTable[i].milliseconds;
        EXPECT_EQ(FindIntervalIndex(interval), static_cast<int>(i)) << interval;
        if (i + 1 < kSamplingIntervals) {
            EXPECT_EQ(FindIntervalIndex(MidHundredth(Hundredths(interval))), static_cast<int>(i)) << interval;
        }
    }
}

TEST(SamplingIntervals, EveryValueBetweenTwoListedIntervalsIsRefused)
{
    for (unsigned i = 0; i + 1 < kSamplingIntervals; ++i) {
        const long long from = Hundredths(kSamplingIntervalTable[i].milliseconds);
        const long long to = Hundredths(kSamplingIntervalTable[i + 1].milliseconds);
        ASSERT_LT(from, to) << "the table grows";
        // every hundredth of short gaps, some thousand spread over long ones
        const long long step = (to - from) / 1000 + 1;
        for (long long h = from + 1; h < to; h += step)
            EXPECT_EQ(FindIntervalIndex(MidHundredth(h)), -1) << MidHundredth(h);
        if (to - 1 > from) {
            EXPECT_EQ(FindIntervalIndex(MidHundredth(to - 1)), -1) << MidHundredth(to - 1);
        }
    }
}

TEST(SamplingIntervals, ValuesOutsideTheTableAreRefused)
{
    const double first = kSamplingIntervalTable[0].milliseconds;
    const double last = kSamplingIntervalTable[kSamplingIntervals - 1].milliseconds;
    for (const double value : {0.0, -1.0, first - 0.001, last + 0.001, last * 2, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(FindIntervalIndex(value), -1) << value;
}

TEST(SamplingIntervals, EveryClockHasACodeOfItsOwn)
{
    std::set<unsigned> codes;
    for (const SamplingInterval& interval : kSamplingIntervalTable) {
        EXPECT_TRUE(codes.insert(interval.clockCode).second) << interval.milliseconds << " shares its code";
    }
}

}  // namespace
