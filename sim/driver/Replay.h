// A recorded signal played back on an analog input: points of (time, code)
// looked up at the sample times of the running measurement.
#pragma once

#include <cstdint>
#include <vector>

namespace sim {

struct ReplayTrack {
    std::vector<double> timesMs;   // ascending, the first 0
    std::vector<double> codes;     // fractional 12-bit codes
    bool linear = false;
    bool loop = false;

    // The code at `tMs` from the start of sampling, rounded and clamped to 0..4095.
    std::uint16_t CodeAt(double tMs) const;
};

// Builds a track from points whose times may start anywhere; false when the
// times do not ascend strictly.
bool MakeReplayTrack(const double* timesMs, const double* codes, std::uint32_t count, std::uint32_t flags,
                     ReplayTrack* track);

}  // namespace sim
