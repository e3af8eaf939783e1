#include "SimSignals.h"

#include <cmath>

#include "SimState.h"

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

namespace {

// One channel's words while a read walks the set.
struct ChannelWords {
    const SimSignal* signal;
    const std::vector<std::uint16_t>* pattern;
    bool fixed;                 // the same word for every sample
    std::uint16_t word;         // the word when fixed
    std::size_t patternIndex;   // next pattern position, for a pattern signal
};

std::uint16_t Word(const SimSignal& signal, std::uint16_t code)
{
    return static_cast<std::uint16_t>(code << 4 | (signal.wLowBits & 0xF));
}

}  // namespace

void FillSampleWords(const SimSignal* signals, const std::vector<std::uint16_t>* patterns, std::uint32_t firstChannel,
                     std::uint32_t channels, std::uint32_t hundredths, std::uint64_t first, std::uint32_t count,
                     std::uint16_t* buffer)
{
    std::uint64_t sample = first / channels;
    std::uint32_t c = static_cast<std::uint32_t>(first % channels);
    ChannelWords words[kInputChannels];
    for (std::uint32_t i = 0; i < channels; ++i) {
        const SimSignal& signal = signals[firstChannel + i];
        const std::vector<std::uint16_t>& pattern = patterns[firstChannel + i];
        const std::uint64_t next = sample + (i < c ? 1 : 0);
        const bool isPattern = signal.dwKind == SIM_SIGNAL_PATTERN;
        const bool fixed = (isPattern && pattern.empty()) ||
                           (!isPattern && (signal.dwKind == SIM_SIGNAL_CONSTANT || !(signal.dPeriodMs > 0.0)));
        words[i] = {&signal, &pattern, fixed, Word(signal, fixed ? SignalCode(signal, pattern, 0, hundredths) : 0),
                    isPattern && !pattern.empty() ? static_cast<std::size_t>(next % pattern.size()) : 0};
    }
    for (std::uint32_t k = 0; k < count; ++k) {
        ChannelWords& channel = words[c];
        if (channel.fixed) {
            buffer[k] = channel.word;
        } else if (channel.signal->dwKind == SIM_SIGNAL_PATTERN) {
            buffer[k] = Word(*channel.signal, (*channel.pattern)[channel.patternIndex] & 0x0FFF);
            if (++channel.patternIndex == channel.pattern->size())
                channel.patternIndex = 0;
        } else {
            buffer[k] = Word(*channel.signal, SignalCode(*channel.signal, *channel.pattern, sample, hundredths));
        }
        if (++c == channels) {
            c = 0;
            ++sample;
        }
    }
}

}  // namespace sim
