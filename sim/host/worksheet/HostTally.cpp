// Counts mode: the host's checks of the blocks an input module releases, kept
// as counts per output channel, and block memory used again from one block
// of a channel to the next. The due time is the one the library promises:
// the clock reaches start + (samples up to the block's end) x milliseconds
// per sample, truncated; the host reckons it on its 64-bit clock.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "HostWorksheet.h"
#include "sim/host/binding/HostArena.h"

namespace standin {

namespace {

constexpr unsigned char kFreshMemoryByte = 0xCD;

std::uint64_t DueAfter(std::uint64_t samples, double millisecondsPerSample)
{
    return static_cast<std::uint64_t>(std::trunc(static_cast<double>(samples) * millisecondsPerSample));
}

}  // namespace

DataBlock* HostWorksheet::outputBlockFor(ModuleEntry* entry, unsigned channel, std::uint32_t room)
{
    DataBlock* spare = entry->spareBlock[channel];
    if (spare && entry->spareRoom[channel] >= room) {
        entry->spareBlock[channel] = nullptr;
        // The header shows garbage again; the library writes every field it hands over.
        std::memset(spare, kFreshMemoryByte, sizeof(DataBlock));
        entry->outputRoom[channel] = entry->spareRoom[channel];
        return spare;
    }
    ArenaFree(spare);
    entry->spareBlock[channel] = nullptr;
    entry->outputRoom[channel] = room;
    return newBlock(room);
}

void HostWorksheet::retireOutputBlock(ModuleEntry* entry, unsigned channel)
{
    DataBlock* block = entry->outputBlock[channel];
    entry->outputBlock[channel] = nullptr;
    if (!log_.countsMode || entry->spareBlock[channel]) {
        ArenaFree(block);
        return;
    }
    entry->spareBlock[channel] = block;
    entry->spareRoom[channel] = entry->outputRoom[channel];
}

void HostWorksheet::tallyRelease(ModuleEntry* entry, unsigned channel, const DataBlock* block)
{
    ChannelTally& tally = entry->tally[channel];
    const double msPerSample = measurement_.msPerSample;
    const double distance = msPerSample * 0.001;
    if (block->dSampleDistance != distance || block->dStartTime != static_cast<double>(tally.samples) * distance)
        ++tally.timeErrors;
    if (block->wSampleCount != static_cast<std::uint16_t>(measurement_.blockSize))
        ++tally.countErrors;
    tally.samples += block->wSampleCount;
    const std::uint64_t elapsed = measurement_.elapsed();
    const std::uint64_t due = DueAfter(tally.samples, msPerSample);
    if (elapsed < due)
        ++tally.earlyReleases;
    else
        tally.largestDelay = std::max(tally.largestDelay, elapsed - due);
    if (tally.blocks == 0)
        tally.firstStartTime = block->dStartTime;
    ++tally.blocks;
    tally.lastStartTime = block->dStartTime;
    tally.lastReleaseElapsed = elapsed;
}

// After a process call that served the outputs: a block the library still
// holds although the clock has reached its due time was released late.
void HostWorksheet::tallyHeldBlocks(ModuleEntry* entry)
{
    const ModuleRecord* record = entry->module->record();
    if (measurement_.paused || record->bOutputEnable == 0)
        return;
    const std::uint64_t elapsed = measurement_.elapsed();
    std::lock_guard<std::mutex> lock(blocksMutex_);
    const unsigned outputs = std::min<unsigned>(record->uiOutputChannels, kMaxOutputHandles);
    for (unsigned c = 0; c < outputs; ++c) {
        const DataBlock* block = entry->outputBlock[c];
        ChannelTally& tally = entry->tally[c];
        if (block && elapsed >= DueAfter(tally.samples + block->wSampleCount, measurement_.msPerSample))
            ++tally.heldPastDue;
    }
}

BlockTimes HostWorksheet::blockTimes() const
{
    const auto all = entries();
    std::lock_guard<std::mutex> lock(blocksMutex_);
    BlockTimes times;
    for (const auto& entry : all) {
        if (!entry->started)
            continue;
        const unsigned outputs = std::min<unsigned>(entry->module->record()->uiOutputChannels, kMaxOutputHandles);
        for (unsigned c = 0; c < outputs; ++c) {
            const std::uint64_t due =
                DueAfter(entry->tally[c].samples + measurement_.blockSize, measurement_.msPerSample);
            times.nextDue = std::min(times.nextDue, due);
        }
        times.inputsWaiting |= std::any_of(std::begin(entry->waiting), std::end(entry->waiting),
                                           [](const std::deque<DataBlock*>& queue) { return !queue.empty(); });
    }
    times.blockEvents = blockEvents_;
    return times;
}

ChannelTally HostWorksheet::tally(const HostModule* module, unsigned channel) const
{
    ModuleEntry* entry = entryOf(module);
    std::lock_guard<std::mutex> lock(blocksMutex_);
    return entry && channel < kMaxOutputHandles ? entry->tally[channel] : ChannelTally{};
}

}  // namespace standin
