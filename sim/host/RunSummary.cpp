// The report after a run, per output channel.
#include "RunSummary.h"

#include <algorithm>
#include <cstdio>

#include "CodePage.h"
#include "RunCsv.h"
#include "torq7m/modules/DaModuleData.h"

namespace standin {

namespace {

// A code page 932 text in UTF-8, padded to `columns` columns of a terminal:
// a double-byte character takes two, as it takes two bytes.
std::string Padded(const std::string& cp932, std::size_t columns)
{
    return Cp932ToUtf8(cp932) + std::string(columns > cp932.size() ? columns - cp932.size() : 0, ' ');
}

}  // namespace

void NoteValues(RunValues& values, const HostModule& module, unsigned channel, const BlockView& block)
{
    ValueRange& range = values[{module.id(), channel}];
    if (block.count == 0)
        return;
    // Kept in locals over the block: a day of the demo passes half a billion samples.
    float low = block.samples[0];
    float high = low;
    for (std::uint32_t j = 1; j < block.count; ++j) {
        low = std::min(low, block.samples[j]);
        high = std::max(high, block.samples[j]);
    }
    range.low = range.any ? std::min(range.low, low) : low;
    range.high = range.any ? std::max(range.high, high) : high;
    range.any = true;
}

std::uint64_t ReleasedBlocks(const StandinHost& host)
{
    std::uint64_t blocks = 0;
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel)
            blocks += host.channelTally(module, channel).blocks;
    }
    return blocks;
}

void PrintRunSummary(StandinHost& host, const RunValues& values)
{
    std::size_t nameColumns = 5;
    for (const HostModule* module : host.modules())
        nameColumns = std::max(nameColumns, module->name().size());
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel) {
            const ChannelTally tally = host.channelTally(module, channel);
            std::string name;
            if (!Utf8ToCp932(ChannelName(*module, channel), &name))
                name = "?";
            std::printf("%s ch%u %s %8llu blocks, %11llu samples", Padded(module->name(), nameColumns).c_str(), channel,
                        Padded("(" + name + ")", 12).c_str(), static_cast<unsigned long long>(tally.blocks),
                        static_cast<unsigned long long>(tally.samples));
            const auto range = values.find({module->id(), channel});
            if (tally.blocks != 0 && range != values.end())
                std::printf(", start times %.3f..%.3f s, largest delay %llu ms, values %.3f..%.3f",
                            tally.firstStartTime, tally.lastStartTime,
                            static_cast<unsigned long long>(tally.largestDelay), range->second.low,
                            range->second.high);
            std::printf("\n");
        }
    }
    if (SimTorq7Control* driver = host.driver()) {
        for (const HostModule* module : host.modules()) {
            if (module->className() == "TORQ7DA") {
                for (std::uint32_t channel = 0; channel < kDaChannels; ++channel) {
                    std::printf("%s: analog output ch%u: %u codes written\n", Cp932ToUtf8(module->name()).c_str(), channel,
                                driver->SimTorq7_GetOutputCodes(BoardOf(*module), channel, nullptr, 0));
                }
            } else if (module->className() == "TORQ7DO") {
                std::printf("%s: digital output port: %u writes\n", Cp932ToUtf8(module->name()).c_str(),
                            driver->SimTorq7_GetOutPortHistory(BoardOf(*module), nullptr, 0));
            }
        }
    }
    std::printf("library warnings: %zu, stop requests from the library: %zu\n", host.warnings().size(), host.stopRequests());
}

void PrintDroppedBlocks(const StandinHost& host)
{
    for (const DroppedInputBlocks& dropped : host.droppedInputBlocks()) {
        for (const HostModule* module : host.modules()) {
            if (module->id() != dropped.moduleId)
                continue;
            const std::string why = dropped.noSuchInput
                                        ? "the module has " + std::to_string(module->inputs()) + " inputs"
                                        : "the module took none of the last " + std::to_string(kMaxWaitingBlocks);
            std::printf("warning: module '%s' (%s) input %u: %llu blocks dropped, no module takes them (%s)\n",
                        Cp932ToUtf8(module->name()).c_str(), module->className().c_str(), dropped.input,
                        static_cast<unsigned long long>(dropped.blocks), why.c_str());
        }
    }
}

}  // namespace standin
