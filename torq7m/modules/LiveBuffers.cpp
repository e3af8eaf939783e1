#include "LiveBuffers.h"

namespace {

constexpr unsigned kMaxLiveBuffers = 256;

struct LiveEntry {
    const ModuleRecord* module;
    LiveBuffer buffer;
};

LiveEntry g_live[kMaxLiveBuffers];

LiveEntry* FindEntry(const ModuleRecord* module)
{
    for (LiveEntry& entry : g_live) {
        if (entry.module == module)
            return &entry;
    }
    return nullptr;
}

}  // namespace

LiveBuffer FindLiveBuffer(const ModuleRecord* module)
{
    const LiveEntry* entry = FindEntry(module);
    return entry ? entry->buffer : LiveBuffer{};
}

int KeepLiveBuffer(const ModuleRecord* module, LiveBuffer buffer)
{
    LiveEntry* entry = FindEntry(module);
    if (!entry)
        entry = FindEntry(nullptr);
    if (!entry)
        return 0;
    entry->buffer = buffer;
    entry->module = module;
    return 1;
}

LiveBuffer TakeLiveBuffer(const ModuleRecord* module)
{
    LiveEntry* entry = FindEntry(module);
    if (!entry)
        return LiveBuffer{};
    const LiveBuffer buffer = entry->buffer;
    *entry = LiveEntry{};
    return buffer;
}
