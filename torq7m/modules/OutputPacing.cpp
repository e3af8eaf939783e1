#include "OutputPacing.h"

#include <windows.h>

#include <cmath>

#include "../host/HostImport.h"
#include "../host/LibraryVariables.h"
#include "ModuleTable.h"

struct PacingCounts {
    std::uint32_t samplesHigh[kChannelStateSlots];   // bits 32-63 of each channel's sample count
    std::uint32_t lastElapsed;                       // ticks since the start at the last reading
    std::uint32_t elapsedWraps;                      // times those ticks have passed 2^32
    bool startReached;                               // a reading at or after the start tick was taken
};

namespace {

constexpr double kSecondsPerMillisecond = 0.001;
constexpr std::int32_t kLastAnimationStep = 10;
constexpr std::int32_t kFirstRepeatedAnimationStep = -9;
constexpr std::uint32_t kHalfTickRange = 0x80000000u;
constexpr unsigned kMaxPacedModules = 256;

ModuleTable<PacingCounts, kMaxPacedModules> g_counts;

std::uint64_t SamplesEmitted(const PacingCall& call, const PacedChannel& channel)
{
    const std::uint64_t high = call.counts ? call.counts->samplesHigh[channel.index] : 0;
    return high << 32 | channel.state->dwSamplesEmitted;
}

// Ticks since the start of the measurement. Successive readings that drop by
// more than half the tick range have passed a multiple of 2^32 ms; a reading
// a little below the last one is a clock that went back, taken as it is.
// A host may write the start tick just after its first process call: until
// a reading at or after the start tick, one in the upper half of the range
// was taken before the start, and no time has elapsed yet.
std::uint64_t ElapsedTicks(PacingCounts* counts)
{
    const std::uint32_t elapsed = GetTickCount() - dwExperimentStartTimeTicks;
    if (!counts)
        return elapsed;
    if (!counts->startReached) {
        if (elapsed >= kHalfTickRange)
            return 0;
        counts->startReached = true;
    } else if (elapsed < counts->lastElapsed && counts->lastElapsed - elapsed >= kHalfTickRange) {
        ++counts->elapsedWraps;
    }
    counts->lastElapsed = elapsed;
    return std::uint64_t{counts->elapsedWraps} << 32 | elapsed;
}

// Due once the clock has reached the time of the sample after the block's
// last one.
bool IsDue(const PacingCall& call, const PacedChannel& channel, std::uint64_t elapsed)
{
    const double dueAfter = std::trunc(static_cast<double>(SamplesEmitted(call, channel)) * call.millisecondsPerSample);
    return static_cast<double>(elapsed) >= dueAfter;
}

}  // namespace

bool BeginPacing(ModuleRecord* module, const char* file, std::int32_t line, PacingCall* call)
{
    if (module->bOutputEnable == 0 || bExperimentIsPaused == 1)
        return false;
    call->module = module;
    call->millisecondsPerSample = fGlobalMilliSecondsPerSample;
    call->interval = call->millisecondsPerSample * kSecondsPerMillisecond;
    call->blockSize = uiGlobalBlockSize;
    call->counts = g_counts.Find(module);
    call->file = file;
    call->line = line;
    return true;
}

bool OpenPacedChannel(const PacingCall& call, std::uint32_t index, PacedChannel* channel)
{
    channel->index = index;
    channel->handle = FromHost32<OutputChannelRecord>(call.module->hOutputChannel[index]);
    channel->state = ChannelStateOf(call.module, index);
    if (!channel->handle || !channel->state)
        return false;
    channel->handle->wServedFlag = 0;
    return true;
}

float* StampNextBlock(const PacingCall& call, const PacedChannel& channel)
{
    if (channel.state->bBlockPending != 0)
        return nullptr;
    DataBlock* block = g_host.GetCurrentOutputBlock(channel.handle);
    if (!block)
        return nullptr;
    const std::uint64_t emitted = SamplesEmitted(call, channel);
    block->dSampleDistance = call.interval;
    block->dStartTime = static_cast<double>(emitted) * call.interval;
    block->wSampleCount = static_cast<std::uint16_t>(call.blockSize);
    const std::uint64_t total = emitted + call.blockSize;
    channel.state->bBlockPending = 1;
    channel.state->dwSamplesEmitted = static_cast<std::uint32_t>(total);
    if (call.counts)
        call.counts->samplesHigh[channel.index] = static_cast<std::uint32_t>(total >> 32);
    return BlockSamples(block);
}

void ReleaseIfDue(const PacingCall& call, const PacedChannel& channel)
{
    if (channel.state->bBlockPending != 1 || bExperimentIsPaused != 0)
        return;
    if (IsDue(call, channel, ElapsedTicks(call.counts)))
        ReleaseHeld(call, channel);
}

void ReleaseHeld(const PacingCall& call, const PacedChannel& channel)
{
    ChannelState* state = channel.state;
    if (state->bBlockPending != 1 || bExperimentIsPaused != 0)
        return;
    if (bAnimation == 1)
        AnimateChannel(call.module->dwAnimationArg, channel.index, state->nAnimationStep);
    g_host.NewReleaseOutputBlock(channel.handle, call.file, call.line);
    state->bBlockPending = 0;
    state->nAnimationStep = NextAnimationStep(state->nAnimationStep);
}

// Called on every idle call of a module: the tick count is read once, and
// only when a channel holds a block.
void ReleaseDueBlocks(ModuleRecord* module, const char* file, std::int32_t line)
{
    std::uint64_t elapsed = 0;
    bool clockRead = false;
    ForEachPacedChannel(module, file, line, [&](const PacingCall& call, const PacedChannel& channel) {
        if (channel.state->bBlockPending != 1)
            return;
        if (!clockRead) {
            elapsed = ElapsedTicks(call.counts);
            clockRead = true;
        }
        if (IsDue(call, channel, elapsed))
            ReleaseHeld(call, channel);
    });
}

void StartPacing(const ModuleRecord* module)
{
    ResetChannelStates(module, BoundedCount(module->uiOutputChannels, kChannelStateSlots));
    g_counts.Keep(module, PacingCounts{});
}

void EndPacing(const ModuleRecord* module)
{
    g_counts.Take(module);
}

void AnimateChannel(HostAddr32, std::uint32_t, std::int32_t) {}

std::int32_t NextAnimationStep(std::int32_t step)
{
    const std::int32_t next = step + 1;
    return next > kLastAnimationStep ? kFirstRepeatedAnimationStep : next;
}
