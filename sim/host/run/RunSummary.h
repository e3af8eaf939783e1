// What standin-host.exe reports after a run, per output channel: blocks,
// samples, first and last start time, the largest delay between a block's
// due time and its release, and the range of the values; then where every
// sample of each input channel went, the driver's notices and outputs, the
// warnings and the stop requests; and whether the run was clean.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim/host/standin/StandinHost.h"

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

// What makes a run not clean: samples lost, the library's stop requests
// and its warnings.
struct RunVerdict {
    std::uint64_t lostSamples = 0;
    std::vector<std::string> lossyChannels;   // "AD ch0: 400"
    std::size_t stopRequests = 0;
    std::vector<Warning> warnings;
    std::uint64_t droppedBlocks = 0;           // sent into inputs no module takes
};

RunVerdict PrintRunSummary(StandinHost& host, const RunValues& values);

// Prints why a run was not clean, as the program's last lines; true when
// it was clean and nothing is printed.
bool PrintVerdict(const RunVerdict& verdict);

// One warning per input whose blocks no module took: they were dropped.
// Returns how many blocks were dropped in all.
std::uint64_t PrintDroppedBlocks(const StandinHost& host);

}  // namespace standin
