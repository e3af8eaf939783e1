#include "OutputPacing.h"

#include <windows.h>

#include <cmath>

#include "../host/HostImport.h"
#include "../host/LibraryVariables.h"
#include "ModuleCommon.h"

namespace {

constexpr double kSecondsPerMillisecond = 0.001;
constexpr std::int32_t kLastAnimationStep = 10;
constexpr std::int32_t kFirstRepeatedAnimationStep = -9;

void FillBlock(ModuleRecord* module, std::uint32_t channel, DataBlock* block, ChannelState* state,
               SampleSource source)
{
    const double interval = fGlobalMilliSecondsPerSample * kSecondsPerMillisecond;
    const std::uint32_t blockSize = uiGlobalBlockSize;
    block->dSampleDistance = interval;
    block->dStartTime = static_cast<double>(state->dwSamplesEmitted) * interval;
    block->wSampleCount = static_cast<std::uint16_t>(blockSize);
    float* samples = BlockSamples(block);
    for (std::uint32_t j = 0; j < blockSize; ++j)
        samples[j] = source.read(source.context, module, channel, j);
    state->bBlockPending = 1;
    state->dwSamplesEmitted += blockSize;
}

// Due once the clock has reached the time of the sample after the block's
// last one. Measured as time elapsed since the start, so that a tick count
// that wraps during the measurement still holds blocks until they are due.
bool BlockIsDue(const ChannelState* state)
{
    const std::uint32_t elapsed = GetTickCount() - dwExperimentStartTimeTicks;
    const double dueAfter = std::trunc(static_cast<double>(state->dwSamplesEmitted) * fGlobalMilliSecondsPerSample);
    return !(static_cast<double>(elapsed) < dueAfter);
}

void ReleaseBlock(ModuleRecord* module, std::uint32_t channel, OutputChannelRecord* handle, ChannelState* state,
                  const char* file, std::int32_t line)
{
    if (bAnimation == 1)
        AnimateChannel(module->dwAnimationArg, channel, state->nAnimationStep);
    g_host.NewReleaseOutputBlock(handle, file, line);
    state->bBlockPending = 0;
    state->nAnimationStep = NextAnimationStep(state->nAnimationStep);
}

}  // namespace

void PaceOutputs(ModuleRecord* module, SampleSource source, const char* file, std::int32_t line)
{
    if (module->bOutputEnable == 0 || bExperimentIsPaused == 1)
        return;
    // The count is read again after each channel: the host may change it.
    for (std::uint32_t i = 0; i < BoundedCount(module->uiOutputChannels, kChannelStateSlots); ++i) {
        OutputChannelRecord* handle = FromHost32<OutputChannelRecord>(module->hOutputChannel[i]);
        ChannelState* state = ChannelStateOf(module, i);
        if (!handle || !state)
            continue;
        handle->wServedFlag = 0;
        if (state->bBlockPending == 0) {
            if (DataBlock* block = g_host.GetCurrentOutputBlock(handle))
                FillBlock(module, i, block, state, source);
        }
        if (state->bBlockPending == 1 && bExperimentIsPaused == 0 && BlockIsDue(state))
            ReleaseBlock(module, i, handle, state, file, line);
    }
}

void AnimateChannel(HostAddr32, std::uint32_t, std::int32_t) {}

std::int32_t NextAnimationStep(std::int32_t step)
{
    const std::int32_t next = step + 1;
    return next > kLastAnimationStep ? kFirstRepeatedAnimationStep : next;
}
