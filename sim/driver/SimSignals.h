// What the simulated board measures: the sampling clock codes and the 12-bit
// codes that a SimSignal yields at a given time.
#pragma once

#include <cstdint>
#include <vector>

#include "Replay.h"
#include "SimTorq7Control.h"

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

}  // namespace sim
