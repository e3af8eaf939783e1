// The host functions as the library sees them: one entry per name it
// imports, each timing its call and handing it to the host, and a trap
// behind every name the library must not call.
#include <intrin.h>

#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

#include "HostServices.h"
#include "torq7m/host/HostFunctions.h"

namespace standin {

namespace {

// Adds the time spent in one host function to the host's share.
struct HostTime {
    std::uint64_t begin = __rdtsc();
    ~HostTime()
    {
        if (g_host)
            g_host->log.hostTicks += __rdtsc() - begin;
    }
};

// Records the call of a host function; the host, or null when none exists.
HostRooms* Called(const char* function)
{
    HostRooms* host = g_host;
    if (host)
        host->log.recordCall(function, host->measurement.clock32());
    return host;
}

// --- The functions as the library sees them. -----------------------------

void* TORQ7_CALL NewMemAlloc(std::uint32_t size, const char* file, std::int32_t line)
{
    HostTime time;
    HostRooms* host = Called("NewMemAlloc");
    return host ? serve::NewMemAlloc(*host, size, file, line) : nullptr;
}

std::uint32_t TORQ7_CALL NewDoMemFree(void* block, const char* file, std::int32_t line)
{
    HostTime time;
    HostRooms* host = Called("NewDoMemFree");
    return host ? serve::NewDoMemFree(*host, block, file, line) : 0;
}

std::uint32_t TORQ7_CALL ShowWarning(const char* caption, const char* text)
{
    HostTime time;
    HostRooms* host = Called("ShowWarning");
    return host ? serve::ShowWarning(*host, caption, text) : 0;
}

std::uint32_t TORQ7_CALL StopExperiment()
{
    HostTime time;
    HostRooms* host = Called("StopExperiment");
    return host ? serve::StopExperiment(*host) : 0;
}

std::uint32_t TORQ7_CALL RegisterModuleClass(ModuleClassInfo* info)
{
    HostTime time;
    HostRooms* host = Called("RegisterModuleClass");
    return host ? serve::RegisterModuleClass(*host, info) : 0;
}

std::uint32_t TORQ7_CALL PerformDefaultAction(ModuleRecord* module, std::uint32_t message, std::uint32_t p1,
                                              std::uint32_t p2)
{
    HostTime time;
    HostRooms* host = Called("PerformDefaultAction");
    return host ? serve::PerformDefaultAction(*host, module, message, p1, p2) : 0;
}

DataBlock* TORQ7_CALL GetCurrentOutputBlock(OutputChannelRecord* channel)
{
    HostTime time;
    HostRooms* host = Called("GetCurrentOutputBlock");
    return host ? host->worksheet.getCurrentOutputBlock(channel) : nullptr;
}

std::uint32_t TORQ7_CALL NewReleaseOutputBlock(OutputChannelRecord* channel, const char* file, std::int32_t line)
{
    HostTime time;
    HostRooms* host = Called("NewReleaseOutputBlock");
    return host ? host->worksheet.newReleaseOutputBlock(channel, file, line) : 0;
}

DataBlock* TORQ7_CALL GetInputBlock(ModuleRecord* module, std::uint32_t input)
{
    HostTime time;
    HostRooms* host = Called("GetInputBlock");
    return host ? host->worksheet.getInputBlock(module, input) : nullptr;
}

std::uint32_t TORQ7_CALL NewReleaseInputBlock(ModuleRecord* module, std::uint32_t input, const char* file,
                                              std::int32_t line)
{
    HostTime time;
    HostRooms* host = Called("NewReleaseInputBlock");
    return host ? host->worksheet.newReleaseInputBlock(module, input, file, line) : 0;
}

std::uint32_t TORQ7_CALL ChangeModuleSize(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs)
{
    HostTime time;
    HostRooms* host = Called("ChangeModuleSize");
    return host ? host->worksheet.changeModuleSize(module, inputs, outputs) : 0;
}

std::uint32_t TORQ7_CALL RegisterMenuEntry(std::uint32_t command, MenuEntryHandler handler)
{
    HostTime time;
    HostRooms* host = Called("RegisterMenuEntry");
    return host ? serve::RegisterMenuEntry(*host, command, handler) : 0;
}

void* TORQ7_CALL CreateStackedFontIndirect(const tagLOGFONTA* font)
{
    HostTime time;
    HostRooms* host = Called("CreateStackedFontIndirect");
    return host ? serve::CreateStackedFontIndirect(*host, font) : nullptr;
}

std::uint32_t TORQ7_CALL DeleteStackedObject(void* object)
{
    HostTime time;
    HostRooms* host = Called("DeleteStackedObject");
    return host ? serve::DeleteStackedObject(*host, object) : 0;
}

std::uint32_t TORQ7_CALL DefineDllModule()
{
    HostTime time;
    HostRooms* host = Called("DefineDllModule");
    return host ? serve::DefineDllModule(*host) : 0;
}

std::uint32_t TORQ7_CALL DefineDllVariable(const char* name, void* address, std::uint32_t size)
{
    HostTime time;
    HostRooms* host = Called("DefineDllVariable");
    return host ? serve::DefineDllVariable(*host, name, address, size) : 0;
}

struct Implemented {
    const char* name;
    std::uintptr_t address;
};

template <typename Expected, typename Actual>
std::uintptr_t Checked(Actual function)
{
    static_assert(std::is_same_v<Expected, Actual>, "host function signature");
    return reinterpret_cast<std::uintptr_t>(function);
}

const Implemented kImplemented[] = {
    {"NewMemAlloc", Checked<hostfn::NewMemAlloc>(&NewMemAlloc)},
    {"NewDoMemFree", Checked<hostfn::NewDoMemFree>(&NewDoMemFree)},
    {"DefineDllModule", Checked<hostfn::DefineDllModule>(&DefineDllModule)},
    {"DefineDllVariable", Checked<hostfn::DefineDllVariable>(&DefineDllVariable)},
    {"RegisterModuleClass", Checked<hostfn::RegisterModuleClass>(&RegisterModuleClass)},
    {"PerformDefaultAction", Checked<hostfn::PerformDefaultAction>(&PerformDefaultAction)},
    {"NewReleaseOutputBlock", Checked<hostfn::NewReleaseOutputBlock>(&NewReleaseOutputBlock)},
    {"GetCurrentOutputBlock", Checked<hostfn::GetCurrentOutputBlock>(&GetCurrentOutputBlock)},
    {"GetInputBlock", Checked<hostfn::GetInputBlock>(&GetInputBlock)},
    {"NewReleaseInputBlock", Checked<hostfn::NewReleaseInputBlock>(&NewReleaseInputBlock)},
    {"ChangeModuleSize", Checked<hostfn::ChangeModuleSize>(&ChangeModuleSize)},
    {"ShowWarning", Checked<hostfn::ShowWarning>(&ShowWarning)},
    {"StopExperiment", Checked<hostfn::StopExperiment>(&StopExperiment)},
    {"CreateStackedFontIndirect", Checked<hostfn::CreateStackedFontIndirect>(&CreateStackedFontIndirect)},
    {"DeleteStackedObject", Checked<hostfn::DeleteStackedObject>(&DeleteStackedObject)},
    {"RegisterMenuEntry", Checked<hostfn::RegisterMenuEntry>(&RegisterMenuEntry)},
};

// One trap per host function name, so that each knows which name it stands for.
template <std::size_t Index>
std::uint32_t TORQ7_CALL Trap()
{
    if (HostRooms* host = Called(kHostFunctionNames[Index]))
        serve::Trap(*host, Index);
    return 0;
}

template <std::size_t... Index>
constexpr std::array<std::uint32_t(TORQ7_CALL*)(), sizeof...(Index)> MakeTraps(std::index_sequence<Index...>)
{
    return {&Trap<Index>...};
}

const auto kTraps = MakeTraps(std::make_index_sequence<kHostFunctionCount>{});

}  // namespace

std::uintptr_t HostFunctionAddress(std::size_t index)
{
    for (const Implemented& function : kImplemented) {
        if (std::strcmp(function.name, kHostFunctionNames[index]) == 0)
            return function.address;
    }
    return reinterpret_cast<std::uintptr_t>(kTraps[index]);
}

}  // namespace standin
