#include "SamplingIntervals.h"

int FindIntervalIndex(double x)
{
    if (!(x >= kSamplingIntervalTable[0].milliseconds) || x > kSamplingIntervalTable[kSamplingIntervals - 1].milliseconds)
        return -1;
    const std::int32_t hundredths = static_cast<std::int32_t>(x * 100.0);
    const double y = hundredths * 0.01;
    for (unsigned i = 0; i < kSamplingIntervals; ++i) {
        if (kSamplingIntervalTable[i].milliseconds == y)
            return static_cast<int>(i);
    }
    return -1;
}
