// Output pacing of the input classes: one block per output channel at a
// time, stamped with its time and handed to the host once the measurement
// clock has reached the time of the sample after its last one.
//
// The host's ChannelState words count a channel's samples in 32 bits, and
// the tick count wraps every 49.7 days. Beside them the library keeps, per
// running module, the upper half of each channel's count and the number of
// times the ticks elapsed since the start have wrapped, so that start times
// and due times stay exact for as long as a measurement runs.
#pragma once

#include <cstdint>

#include "../host/HostRecords.h"
#include "ModuleCommon.h"

// The library's counts of one running module (OutputPacing.cpp).
struct PacingCounts;

// What one pacing call works with, read once at its beginning.
struct PacingCall {
    ModuleRecord* module;
    double millisecondsPerSample;
    double interval;   // seconds per sample
    std::uint32_t blockSize;
    PacingCounts* counts;   // null when the library keeps none for the module
    const char* file;
    std::int32_t line;
};

// One output channel during a pacing call.
struct PacedChannel {
    std::uint32_t index;
    OutputChannelRecord* handle;
    ChannelState* state;
};

// False when the call serves no output: output enable 0 or paused.
bool BeginPacing(ModuleRecord* module, const char* file, std::int32_t line, PacingCall* call);
// Takes channel i's handle and state and clears its served word; false when
// the host gave it no handle or state.
bool OpenPacedChannel(const PacingCall& call, std::uint32_t index, PacedChannel* channel);
// When the channel holds no block: the host's next block, stamped with its
// start time, sample distance and count, counted as filled; its samples are
// for the caller to write. Null when the channel holds a block or the host
// has none.
float* StampNextBlock(const PacingCall& call, const PacedChannel& channel);
// Hands the held block to the host once it is due.
void ReleaseIfDue(const PacingCall& call, const PacedChannel& channel);
// Hands the held block to the host now, due or not.
void ReleaseHeld(const PacingCall& call, const PacedChannel& channel);

// Runs `step(call, channel)` for every output channel the call serves.
template <typename Step>
void ForEachPacedChannel(ModuleRecord* module, const char* file, std::int32_t line, Step&& step)
{
    PacingCall call;
    if (!BeginPacing(module, file, line, &call))
        return;
    // The count is read again after each channel: the host may change it.
    for (std::uint32_t i = 0; i < BoundedCount(module->uiOutputChannels, kChannelStateSlots); ++i) {
        PacedChannel channel;
        if (OpenPacedChannel(call, i, &channel))
            step(call, channel);
    }
}

// For every output channel: fills a block when the channel holds none, with
// `fill(channel, samples, count)` writing samples 0 .. count-1 in order, and
// releases the held block when it is due.
template <typename Fill>
void PaceOutputs(ModuleRecord* module, Fill& fill, const char* file, std::int32_t line)
{
    ForEachPacedChannel(module, file, line, [&fill](const PacingCall& call, const PacedChannel& channel) {
        if (float* samples = StampNextBlock(call, channel))
            fill(channel.index, samples, call.blockSize);
        ReleaseIfDue(call, channel);
    });
}

// The same for a source that has just delivered a whole new block per
// channel: the block a channel still holds is complete at the source, so it
// goes to the host first and the new samples fill the next one. Nothing that
// the source delivered is dropped while the host supplies blocks, even when
// the source runs ahead of the tick count. Every channel's new block is
// filled at once, by `fill(samples, count)`: samples[i] is the room of
// output channel i's block, null where the channel takes no block in this
// call, and count the samples of each block.
template <typename Fill>
void PaceNewSet(ModuleRecord* module, Fill& fill, const char* file, std::int32_t line)
{
    PacingCall call;
    if (!BeginPacing(module, file, line, &call))
        return;
    PacedChannel opened[kChannelStateSlots];
    float* samples[kChannelStateSlots] = {};
    unsigned count = 0;
    // The count is read again after each channel: the host may change it.
    for (std::uint32_t i = 0; i < BoundedCount(module->uiOutputChannels, kChannelStateSlots); ++i) {
        PacedChannel& channel = opened[count];
        if (!OpenPacedChannel(call, i, &channel))
            continue;
        ReleaseHeld(call, channel);
        samples[i] = StampNextBlock(call, channel);
        ++count;
    }
    fill(samples, call.blockSize);
    for (unsigned k = 0; k < count; ++k)
        ReleaseIfDue(call, opened[k]);
}

// Releases the blocks that are due and fills none.
void ReleaseDueBlocks(ModuleRecord* module, const char* file, std::int32_t line);

// The start of an input module's measurement: every output channel idle with
// no samples emitted, and the library's counts beside them cleared.
void StartPacing(const ModuleRecord* module);
// The end of it: the library forgets the module's counts.
void EndPacing(const ModuleRecord* module);

// The worksheet's animation hook; it has nothing to draw.
void AnimateChannel(HostAddr32 animationArg, std::uint32_t channel, std::int32_t step);

// 1 ... 10, then -9 ... 10 again.
std::int32_t NextAnimationStep(std::int32_t step);
