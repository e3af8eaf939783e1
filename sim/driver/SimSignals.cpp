// The codes the simulated board measures: each signal kind at a sample's time.
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

namespace {

// The level of a signal other than a pattern or a replay, `intoPeriodMs` ms
// into its period (0 without a period), at sample `sampleIndex`.
double Level(const SimSignal& signal, double intoPeriodMs, std::uint64_t sampleIndex)
{
    // Fraction of the period elapsed; a signal without a period stays at its centre.
    const bool periodic = signal.dPeriodMs > 0.0;
    double phase = periodic ? intoPeriodMs / signal.dPeriodMs : 0.0;
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
    return value;
}

}  // namespace

std::uint16_t SignalCode(const SimSignal& signal, const std::vector<std::uint16_t>& pattern,
                         const ReplayTrack& replay, std::uint64_t sampleIndex, std::uint32_t hundredths)
{
    if (signal.dwKind == SIM_SIGNAL_PATTERN)
        return pattern.empty() ? 0 : pattern[sampleIndex % pattern.size()] & 0x0FFF;

    const double t = static_cast<double>(sampleIndex) * hundredths / 100.0;
    if (signal.dwKind == SIM_SIGNAL_REPLAY)
        return replay.CodeAt(t);
    const double intoPeriod = signal.dPeriodMs > 0.0 ? std::fmod(t + signal.dPhaseMs, signal.dPeriodMs) : 0.0;
    return ClampedCode(Level(signal, intoPeriod, sampleIndex));
}

namespace {

constexpr std::uint16_t kNoCode = 0xFFFF;
// Periods up to this many ms are kept in a table (2 bytes per ms).
constexpr std::uint32_t kLongestTabledPeriodMs = 1u << 18;
// Below this, whole numbers and their sums are exact in a double.
constexpr std::uint64_t kExactWholes = std::uint64_t{1} << 52;

bool IsWhole(double value)
{
    return value >= 0.0 && value < static_cast<double>(kExactWholes) && value == std::floor(value);
}

// Whether the codes of `count` more samples of the signal, from sample
// `sample` on, can come from its period table: a periodic shape with a whole
// period and phase, sampled on whole ms, at sample times that stay exact. Its
// place in the period is then the very whole number the fmod of a direct
// reading gives, so the table holds the same codes.
bool CanUseTable(const SimSignal& signal, std::uint32_t hundredths, std::uint64_t sample, std::uint32_t count)
{
    switch (signal.dwKind) {
    case SIM_SIGNAL_SINE:
    case SIM_SIGNAL_RAMP:
    case SIM_SIGNAL_SQUARE:
    case SIM_SIGNAL_TRIANGLE:
        break;
    default:
        return false;
    }
    return hundredths % 100 == 0 && IsWhole(signal.dPeriodMs) && signal.dPeriodMs >= 1.0 &&
           signal.dPeriodMs <= kLongestTabledPeriodMs && IsWhole(signal.dPhaseMs) &&
           sample + count <= kExactWholes / hundredths;
}

bool SameShape(const SimSignal& a, const SimSignal& b)
{
    return a.dwKind == b.dwKind && a.dCenter == b.dCenter && a.dAmplitude == b.dAmplitude && a.dPeriodMs == b.dPeriodMs;
}

// The table of the signal, emptied when it was of another shape.
std::vector<std::uint16_t>& TableFor(const SimSignal& signal, PeriodTable* table)
{
    const auto periodMs = static_cast<std::size_t>(signal.dPeriodMs);
    if (!SameShape(table->signal, signal) || table->codes.size() != periodMs) {
        table->signal = signal;
        table->codes.assign(periodMs, kNoCode);
    }
    return table->codes;
}

// One channel's words while a read walks the set.
struct ChannelWords {
    const InputChannel* input;
    bool fixed;                           // the same word for every sample
    std::uint16_t word;                   // the word when fixed
    std::size_t patternIndex;             // next pattern position, for a pattern signal
    std::vector<std::uint16_t>* codes;    // the period table, when the codes come from it
    std::uint32_t intoPeriodMs;           // next sample's place in the period
    std::uint32_t stepMs;                 // from one sample to the next, within a period
};

std::uint16_t Word(const SimSignal& signal, std::uint16_t code)
{
    return static_cast<std::uint16_t>(code << 4 | (signal.wLowBits & 0xF));
}

// Whether a signal gives the same code for every sample: a constant, an
// empty pattern, or a periodic shape without a period.
bool IsFixed(const SimSignal& signal, const std::vector<std::uint16_t>& pattern)
{
    switch (signal.dwKind) {
    case SIM_SIGNAL_PATTERN:
        return pattern.empty();
    case SIM_SIGNAL_NOISE:
    case SIM_SIGNAL_REPLAY:
        return false;
    case SIM_SIGNAL_CONSTANT:
        return true;
    default:
        return !(signal.dPeriodMs > 0.0);
    }
}

ChannelWords StartChannel(const InputChannel& input, std::uint32_t hundredths, std::uint64_t next, std::uint32_t count)
{
    const SimSignal& signal = *input.signal;
    const std::vector<std::uint16_t>& pattern = *input.pattern;
    const bool fixed = IsFixed(signal, pattern);
    ChannelWords words{&input, fixed, Word(signal, fixed ? SignalCode(signal, pattern, *input.replay, 0, hundredths) : 0),
                       0, nullptr, 0, 0};
    if (signal.dwKind == SIM_SIGNAL_PATTERN && !pattern.empty())
        words.patternIndex = static_cast<std::size_t>(next % pattern.size());
    if (!fixed && CanUseTable(signal, hundredths, next, count)) {
        words.codes = &TableFor(signal, input.table);
        const std::uint64_t periodMs = words.codes->size();
        const std::uint64_t sampleMs = hundredths / 100;
        words.intoPeriodMs = static_cast<std::uint32_t>((next * sampleMs + static_cast<std::uint64_t>(signal.dPhaseMs)) % periodMs);
        words.stepMs = static_cast<std::uint32_t>(sampleMs % periodMs);
    }
    return words;
}

std::uint16_t TableCode(ChannelWords& channel)
{
    std::vector<std::uint16_t>& codes = *channel.codes;
    std::uint16_t& code = codes[channel.intoPeriodMs];
    if (code == kNoCode)
        code = ClampedCode(Level(*channel.input->signal, channel.intoPeriodMs, 0));
    channel.intoPeriodMs += channel.stepMs;
    if (channel.intoPeriodMs >= codes.size())
        channel.intoPeriodMs -= static_cast<std::uint32_t>(codes.size());
    return code;
}

}  // namespace

void FillSampleWords(const InputChannel* inputs, std::uint32_t channels, std::uint32_t hundredths, std::uint64_t first,
                     std::uint32_t count, std::uint16_t* buffer)
{
    std::uint64_t sample = first / channels;
    std::uint32_t c = static_cast<std::uint32_t>(first % channels);
    ChannelWords words[kInputChannels];
    for (std::uint32_t i = 0; i < channels; ++i)
        words[i] = StartChannel(inputs[i], hundredths, sample + (i < c ? 1 : 0), count);
    for (std::uint32_t k = 0; k < count; ++k) {
        ChannelWords& channel = words[c];
        const SimSignal& signal = *channel.input->signal;
        if (channel.fixed) {
            buffer[k] = channel.word;
        } else if (channel.codes) {
            buffer[k] = Word(signal, TableCode(channel));
        } else if (signal.dwKind == SIM_SIGNAL_PATTERN) {
            const std::vector<std::uint16_t>& pattern = *channel.input->pattern;
            buffer[k] = Word(signal, pattern[channel.patternIndex] & 0x0FFF);
            if (++channel.patternIndex == pattern.size())
                channel.patternIndex = 0;
        } else {
            buffer[k] = Word(signal, SignalCode(signal, *channel.input->pattern, *channel.input->replay, sample, hundredths));
        }
        if (++c == channels) {
            c = 0;
            ++sample;
        }
    }
}

}  // namespace sim
