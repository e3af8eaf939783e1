// Output pacing of the input classes: one block per output channel at a
// time, stamped with its time and handed to the host once the measurement
// clock has reached the time of the sample after its last one.
#pragma once

#include <cstdint>

#include "../host/HostRecords.h"

// Yields sample j of channel i; may read the board. `context` is the
// caller's, handed through unchanged.
struct SampleSource {
    float (*read)(void* context, ModuleRecord* module, std::uint32_t channel, std::uint32_t sample);
    void* context;
};

void PaceOutputs(ModuleRecord* module, SampleSource source, const char* file, std::int32_t line);

// The worksheet's animation hook; it has nothing to draw.
void AnimateChannel(HostAddr32 animationArg, std::uint32_t channel, std::int32_t step);

// 1 ... 10, then -9 ... 10 again.
std::int32_t NextAnimationStep(std::int32_t step);
