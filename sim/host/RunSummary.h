// What standin-host.exe reports after a run, per output channel: blocks,
// samples, first and last start time, the largest delay between a block's
// due time and its release, and the range of the values; then the driver's
// outputs, the warnings and the stop requests.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "StandinHost.h"

namespace standin {

struct ValueRange {
    float low = 0.0f;
    float high = 0.0f;
    bool any = false;
};

// Per (module id, output channel), kept from the released blocks.
using RunValues = std::map<std::pair<int, unsigned>, ValueRange>;

void NoteValues(RunValues& values, const HostModule& module, unsigned channel, const BlockView& block);

// Blocks released so far by every output channel.
std::uint64_t ReleasedBlocks(const StandinHost& host);

void PrintRunSummary(StandinHost& host, const RunValues& values);

// One warning per input whose blocks no module took: they were dropped.
void PrintDroppedBlocks(const StandinHost& host);

}  // namespace standin
