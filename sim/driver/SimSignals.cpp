#include "SimSignals.h"

#include <cmath>

namespace sim {

namespace {

struct CodeStep {
    std::uint32_t code;
    std::uint32_t factor;
};

// Clock code = 8 x decade code + multiplier code.
constexpr CodeStep kDecades[] = {
    {4, 1}, {2, 10}, {6, 100}, {1, 1000}, {5, 10000}, {3, 100000}, {7, 1000000},
};
constexpr CodeStep kMultipliers[] = {
    {2, 2}, {6, 3}, {1, 4}, {5, 5}, {3, 6}, {4, 10}, {7, 12},
};
// The board has no 0.02 ms clock.
constexpr std::uint32_t kMissingClockCode = 8 * 4 + 2;

constexpr std::uint32_t FactorOf(const CodeStep (&steps)[7], std::uint32_t code)
{
    for (const CodeStep& step : steps)
        if (step.code == code)
            return step.factor;
    return 0;
}

constexpr double kMaxCode = 4095.0;
constexpr double kTwoPi = 6.283185307179586;

}  // namespace

std::uint32_t ClockCodeHundredths(std::uint32_t clockCode)
{
    if (clockCode > 0x3F || clockCode == kMissingClockCode)
        return 0;
    return FactorOf(kDecades, clockCode >> 3) * FactorOf(kMultipliers, clockCode & 7);
}

std::uint16_t SignalCode(const SimSignal& signal, const std::vector<std::uint16_t>& pattern,
                         std::uint64_t sampleIndex, std::uint32_t hundredths)
{
    if (signal.dwKind == SIM_SIGNAL_PATTERN)
        return pattern.empty() ? 0 : pattern[sampleIndex % pattern.size()] & 0x0FFF;

    const double t = static_cast<double>(sampleIndex) * hundredths / 100.0;
    // Fraction of the period elapsed; a signal without a period stays at its centre.
    const bool periodic = signal.dPeriodMs > 0.0;
    const double phase = periodic ? std::fmod(t, signal.dPeriodMs) / signal.dPeriodMs : 0.0;
    double value = signal.dCenter;
    if (periodic) {
        switch (signal.dwKind) {
        case SIM_SIGNAL_SINE:
            value += signal.dAmplitude * std::sin(kTwoPi * phase);
            break;
        case SIM_SIGNAL_RAMP:
            value += signal.dAmplitude * (2.0 * phase - 1.0);
            break;
        case SIM_SIGNAL_SQUARE:
            value += phase < 0.5 ? signal.dAmplitude : -signal.dAmplitude;
            break;
        default:
            break;
        }
    }
    if (!(value > 0.0))
        return 0;
    if (value > kMaxCode)
        return static_cast<std::uint16_t>(kMaxCode);
    return static_cast<std::uint16_t>(std::lround(value));
}

}  // namespace sim
