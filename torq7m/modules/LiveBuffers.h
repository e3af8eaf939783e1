// Buffers that a module holds during a measurement, kept beside its
// settings block and keyed by the module. The stored block cannot reach
// them: a restored worksheet or an old working copy of the settings brings
// only the stale bytes of its own field, which the library never uses.
#pragma once

#include <cstdint>

struct ModuleRecord;

struct LiveBuffer {
    void* address;
    std::uint32_t elements;   // what the buffer was allocated for
    std::uint32_t channels;   // interleaved in it: the module's channel count at the start
};

// The module's buffer, or {null, 0}.
LiveBuffer FindLiveBuffer(const ModuleRecord* module);
// 0 when no more buffers can be kept.
int KeepLiveBuffer(const ModuleRecord* module, LiveBuffer buffer);
// Forgets the module's buffer and returns it, {null, 0} when there was none.
LiveBuffer TakeLiveBuffer(const ModuleRecord* module);
