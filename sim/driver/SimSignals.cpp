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

// Uniform in [-1, 1), the same for the same seed and sample whenever it is read.
double NoiseAt(std::uint32_t seed, std::uint64_t sampleIndex)
{
    // splitmix64 of the seed and the index
    std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32 ^ sampleIndex) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 4503599627370496.0 - 1.0;
}

}  // namespace

std::uint16_t ClampedCode(double code)
{
    if (!(code > 0.0))
        return 0;
    if (code > kMaxCode)
        return static_cast<std::uint16_t>(kMaxCode);
    return static_cast<std::uint16_t>(std::lround(code));
}

std::uint32_t ClockCodeHundredths(std::uint32_t clockCode)
{
    if (clockCode > 0x3F || clockCode == kMissingClockCode)
        return 0;
    return FactorOf(kDecades, clockCode >> 3) * FactorOf(kMultipliers, clockCode & 7);
}

std::uint16_t SignalCode(const SimSignal& signal, const std::vector<std::uint16_t>& pattern,
                         const ReplayTrack& replay, std::uint64_t sampleIndex, std::uint32_t hundredths)
{
    if (signal.dwKind == SIM_SIGNAL_PATTERN)
        return pattern.empty() ? 0 : pattern[sampleIndex % pattern.size()] & 0x0FFF;

    const double t = static_cast<double>(sampleIndex) * hundredths / 100.0;
    if (signal.dwKind == SIM_SIGNAL_REPLAY)
        return replay.CodeAt(t);
    // Fraction of the period elapsed; a signal without a period stays at its centre.
    const bool periodic = signal.dPeriodMs > 0.0;
    double phase = periodic ? std::fmod(t + signal.dPhaseMs, signal.dPeriodMs) / signal.dPeriodMs : 0.0;
    if (phase < 0.0)
        phase += 1.0;
    double value = signal.dCenter;
    if (signal.dwKind == SIM_SIGNAL_NOISE)
        value += signal.dAmplitude * NoiseAt(signal.dwSeed, sampleIndex);
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
        case SIM_SIGNAL_TRIANGLE:
            value += signal.dAmplitude * (phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase);
            break;
        default:
            break;
        }
    }
    return ClampedCode(value);
}

}  // namespace sim
