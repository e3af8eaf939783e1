#include "LiveBuffers.h"

#include "ModuleTable.h"

namespace {

constexpr unsigned kMaxLiveBuffers = 256;

ModuleTable<LiveBuffer, kMaxLiveBuffers> g_live;

}  // namespace

LiveBuffer FindLiveBuffer(const ModuleRecord* module)
{
    const LiveBuffer* buffer = g_live.Find(module);
    return buffer ? *buffer : LiveBuffer{};
}

int KeepLiveBuffer(const ModuleRecord* module, LiveBuffer buffer)
{
    return g_live.Keep(module, buffer) ? 1 : 0;
}

LiveBuffer TakeLiveBuffer(const ModuleRecord* module)
{
    return g_live.Take(module);
}
