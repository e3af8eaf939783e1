// What the simulated board measures: the sampling clock codes and the 12-bit
// codes that a SimSignal yields at a given time.
#pragma once

#include <cstdint>
#include <vector>

#include "Replay.h"
#include "sim/control/SimTorq7Control.h"

namespace sim {

// Interval of a sampling clock code in hundredths of a millisecond, so that
// the samples produced by a time are counted exactly; 0 for an unknown code.
std::uint32_t ClockCodeHundredths(std::uint32_t clockCode);

// A level in codes, rounded and clamped to the converter's 0..4095.
std::uint16_t ClampedCode(double code);

// The 12-bit code of a signal for sample `sampleIndex` taken every
// `hundredths` / 100 ms; `pattern` serves SIM_SIGNAL_PATTERN, `replay`
// SIM_SIGNAL_REPLAY.
std::uint16_t SignalCode(const SimSignal& signal, const std::vector<std::uint16_t>& pattern,
                         const ReplayTrack& replay, std::uint64_t sampleIndex, std::uint32_t hundredths);

// The codes of one period of a periodic signal, by whole ms into the period,
// kept as they are worked out: sampled on whole ms from a whole-ms phase, such
// a signal meets the same points of its period again and again, and a sine
// costs far more than a look-up.
struct PeriodTable {
    SimSignal signal{};                 // the signal the codes are of
    std::vector<std::uint16_t> codes;   // kNoCode where not worked out yet
};

// An analog input as a read sees it.
struct InputChannel {
    const SimSignal* signal;
    const std::vector<std::uint16_t>* pattern;
    const ReplayTrack* replay;
    PeriodTable* table;
};

// The sample words of `count` words of an interleaved set, from word `first`
// on (counted since the start of sampling), of `channels` channels, `inputs`
// the first of them: code << 4 | the signal's low bits. Codes that do not
// change with time are worked out once per channel, those of a periodic
// signal once per point of its period.
void FillSampleWords(const InputChannel* inputs, std::uint32_t channels, std::uint32_t hundredths, std::uint64_t first,
                     std::uint32_t count, std::uint16_t* buffer);

}  // namespace sim
