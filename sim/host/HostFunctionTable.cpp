// The host functions as the library sees them: one entry per name it
// imports, each timing its call and handing it to the host, and a trap
// behind every name the library must not call.
#include <intrin.h>

#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

#include "HostState.h"
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

// --- The functions as the library sees them. -----------------------------

void* TORQ7_CALL NewMemAlloc(std::uint32_t size, const char* file, std::int32_t line)
{
    HostTime time;
    return g_host ? g_host->newMemAlloc(size, file, line) : nullptr;
}

std::uint32_t TORQ7_CALL NewDoMemFree(void* block, const char* file, std::int32_t line)
{
    HostTime time;
    return g_host ? g_host->newDoMemFree(block, file, line) : 0;
}

std::uint32_t TORQ7_CALL ShowWarning(const char* caption, const char* text)
{
    HostTime time;
    return g_host ? g_host->showWarning(caption, text) : 0;
}

std::uint32_t TORQ7_CALL StopExperiment()
{
    HostTime time;
    return g_host ? g_host->stopExperiment() : 0;
}

std::uint32_t TORQ7_CALL RegisterModuleClass(ModuleClassInfo* info)
{
    HostTime time;
    return g_host ? g_host->registerModuleClass(info) : 0;
}

std::uint32_t TORQ7_CALL PerformDefaultAction(ModuleRecord* module, std::uint32_t message, std::uint32_t p1,
                                              std::uint32_t p2)
{
    HostTime time;
    return g_host ? g_host->performDefaultAction(module, message, p1, p2) : 0;
}

DataBlock* TORQ7_CALL GetCurrentOutputBlock(OutputChannelRecord* channel)
{
    HostTime time;
    return g_host ? g_host->getCurrentOutputBlock(channel) : nullptr;
}

std::uint32_t TORQ7_CALL NewReleaseOutputBlock(OutputChannelRecord* channel, const char* file, std::int32_t line)
{
    HostTime time;
    return g_host ? g_host->newReleaseOutputBlock(channel, file, line) : 0;
}

DataBlock* TORQ7_CALL GetInputBlock(ModuleRecord* module, std::uint32_t input)
{
    HostTime time;
    return g_host ? g_host->getInputBlock(module, input) : nullptr;
}

std::uint32_t TORQ7_CALL NewReleaseInputBlock(ModuleRecord* module, std::uint32_t input, const char* file,
                                              std::int32_t line)
{
    HostTime time;
    return g_host ? g_host->newReleaseInputBlock(module, input, file, line) : 0;
}

std::uint32_t TORQ7_CALL ChangeModuleSize(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs)
{
    HostTime time;
    return g_host ? g_host->changeModuleSize(module, inputs, outputs) : 0;
}

std::uint32_t TORQ7_CALL RegisterMenuEntry(std::uint32_t command, MenuEntryHandler handler)
{
    HostTime time;
    return g_host ? g_host->registerMenuEntry(command, handler) : 0;
}

void* TORQ7_CALL CreateStackedFontIndirect(const tagLOGFONTA* font)
{
    HostTime time;
    return g_host ? g_host->createStackedFontIndirect(font) : nullptr;
}

std::uint32_t TORQ7_CALL DeleteStackedObject(void* object)
{
    HostTime time;
    return g_host ? g_host->deleteStackedObject(object) : 0;
}

std::uint32_t TORQ7_CALL DefineDllModule()
{
    HostTime time;
    return g_host ? g_host->defineDllModule() : 0;
}

std::uint32_t TORQ7_CALL DefineDllVariable(const char* name, void* address, std::uint32_t size)
{
    HostTime time;
    return g_host ? g_host->defineDllVariable(name, address, size) : 0;
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
    if (g_host)
        g_host->trap(Index);
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

std::string TextOrEmpty(const char* text)
{
    return text ? std::string(text) : std::string();
}

}  // namespace standin
