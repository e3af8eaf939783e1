// A recording played back: the code at a sample's time, between the recorded points.
#include "Replay.h"

#include <algorithm>
#include <cmath>

#include "SimSignals.h"

namespace sim {

namespace {

// Times of a recording written with a few decimals meet the sample times
// only within rounding: a point counts as reached this early.
constexpr double kTimeToleranceMs = 1e-4;

}  // namespace

bool MakeReplayTrack(const double* timesMs, const double* codes, std::uint32_t count, std::uint32_t flags,
                     ReplayTrack* track)
{
    *track = ReplayTrack{};
    if (!timesMs || !codes || count == 0)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0 && !(timesMs[i] > timesMs[i - 1]))
            return false;
        track->timesMs.push_back(timesMs[i] - timesMs[0]);
        track->codes.push_back(codes[i]);
    }
    track->linear = (flags & SIM_REPLAY_LINEAR) != 0;
    track->loop = (flags & SIM_REPLAY_LOOP) != 0;
    return true;
}

std::uint16_t ReplayTrack::CodeAt(double tMs) const
{
    if (codes.empty())
        return 0;
    const std::size_t count = timesMs.size();
    const bool looping = loop && count > 1;
    // One loop lasts as long as the recording plus its last spacing, so that
    // the first point follows the last as it followed the one before.
    const double length = looping ? 2 * timesMs[count - 1] - timesMs[count - 2] : 0.0;
    if (looping) {
        tMs = std::fmod(tMs, length);
        if (length - tMs <= kTimeToleranceMs)
            tMs = 0.0;
    }
    // The last point at or before t.
    const auto after = std::upper_bound(timesMs.begin(), timesMs.end(), tMs + kTimeToleranceMs);
    if (after == timesMs.begin())
        return ClampedCode(codes.front());
    const std::size_t at = static_cast<std::size_t>(after - timesMs.begin()) - 1;
    const bool last = at + 1 >= count;
    if (!linear || (last && !looping))
        return ClampedCode(codes[at]);
    // After the last point a loop runs on towards the first.
    const double nextTime = last ? length : timesMs[at + 1];
    const double nextCode = last ? codes.front() : codes[at + 1];
    const double fraction = (tMs - timesMs[at]) / (nextTime - timesMs[at]);
    return ClampedCode(codes[at] + std::max(0.0, fraction) * (nextCode - codes[at]));
}

}  // namespace sim
