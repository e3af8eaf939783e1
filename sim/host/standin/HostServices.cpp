// What the host functions for memory, registration, warnings and the stop
// request do, recording each in the call log.
#include "HostServices.h"

#include <cstring>

#include "sim/host/binding/HostArena.h"

namespace standin::serve {

namespace {

constexpr unsigned char kFreshMemoryByte = 0xCD;   // the library must not rely on what a new block holds

std::string Describe(const char* file, std::int32_t line)
{
    return TextOrEmpty(file) + ":" + std::to_string(line);
}

}  // namespace

void Trap(HostRooms& host, std::size_t functionIndex)
{
    host.log.fail(std::string("the library called the host function ") + kHostFunctionNames[functionIndex] +
                  ", which it must not use");
}

void* NewMemAlloc(HostRooms& host, std::uint32_t size, const char* file, std::int32_t line)
{
    const std::string fileName = TextOrEmpty(file);
    void* block = host.imports.allowsAllocation(size, fileName, line) ? ArenaAllocateGuarded(size) : nullptr;
    if (block)
        std::memset(block, kFreshMemoryByte, size);
    CallLog& log = host.log;
    std::lock_guard<std::mutex> lock(log.mutex);
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    log.memoryCalls.push_back({log.nextSeq(), false, address, size, fileName, line, false});
    if (block)
        log.liveBlocks[address] = {size, fileName, line};
    return block;
}

std::uint32_t NewDoMemFree(HostRooms& host, void* block, const char* file, std::int32_t line)
{
    CallLog& log = host.log;
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    std::string error;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        const auto it = log.liveBlocks.find(address);
        const bool known = it != log.liveBlocks.end();
        log.memoryCalls.push_back(
            {log.nextSeq(), true, address, known ? it->second.size : 0, TextOrEmpty(file), line, !known});
        if (known) {
            log.liveBlocks.erase(it);
            ArenaFree(block);
        } else {
            error = "NewDoMemFree of an address that is not a live block, at " + Describe(file, line);
        }
    }
    if (!error.empty())
        log.fail(error);
    return 1;
}

std::uint32_t ShowWarning(HostRooms& host, const char* caption, const char* text)
{
    CallLog& log = host.log;
    Warning warning;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        warning = {log.nextSeq(), TextOrEmpty(caption), TextOrEmpty(text), host.measurement.clock32()};
        log.warnings.push_back(warning);
    }
    if (log.warningListener)
        log.warningListener(warning);
    return 1;
}

std::uint32_t StopExperiment(HostRooms& host)
{
    std::lock_guard<std::mutex> lock(host.log.mutex);
    ++host.log.stopRequests;
    host.measurement.stopRequested = true;
    return 1;
}

std::uint32_t RegisterModuleClass(HostRooms& host, const ModuleClassInfo* info)
{
    if (!info) {
        host.log.fail("RegisterModuleClass without a record");
        return 0;
    }
    RegisteredClass cls{};
    cls.info = *info;
    cls.className = TextOrEmpty(FromHost32<const char>(info->pszClassName));
    const char* shortName = FromHost32<const char>(info->pszShortName);
    const char* longName = FromHost32<const char>(info->pszLongName);
    if (shortName)
        cls.shortName.assign(shortName, strnlen(shortName, kShortNameSize));
    if (longName)
        cls.longName.assign(longName, strnlen(longName, kLongNameSize));
    cls.handler = FromHost32<std::remove_pointer_t<ModuleMessageHandler>>(info->pfnMessageHandler);
    cls.process = FromHost32<std::remove_pointer_t<ModuleProcessFunction>>(info->pfnProcess);
    std::lock_guard<std::mutex> lock(host.log.mutex);
    cls.seq = host.log.nextSeq();
    host.log.classes.push_back(cls);
    return 1;
}

std::uint32_t PerformDefaultAction(HostRooms& host, ModuleRecord* module, std::uint32_t message, std::uint32_t p1,
                                   std::uint32_t p2)
{
    const std::uint32_t result = host.imports.defaultActionResult(message);
    std::lock_guard<std::mutex> lock(host.log.mutex);
    host.log.defaultActions.push_back({host.log.nextSeq(), module, message, p1, p2, result});
    return result;
}

std::uint32_t RegisterMenuEntry(HostRooms& host, std::uint32_t command, MenuEntryHandler handler)
{
    std::lock_guard<std::mutex> lock(host.log.mutex);
    host.log.menuEntries.push_back({host.log.nextSeq(), command, handler});
    return 1;
}

void* CreateStackedFontIndirect(HostRooms& host, const LOGFONTA* font)
{
    HFONT handle = font ? CreateFontIndirectA(font) : nullptr;
    std::lock_guard<std::mutex> lock(host.log.mutex);
    if (handle)
        host.log.fonts.insert(handle);
    return handle;
}

std::uint32_t DeleteStackedObject(HostRooms& host, void* object)
{
    auto font = static_cast<HFONT>(object);
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(host.log.mutex);
        known = host.log.fonts.erase(font) != 0;
    }
    if (!known) {
        host.log.fail("DeleteStackedObject of an object the host did not create");
        return 0;
    }
    DeleteObject(font);
    return 1;
}

std::uint32_t DefineDllModule(HostRooms& host)
{
    const std::uint32_t result = host.imports.defineDllModuleResult();
    std::lock_guard<std::mutex> lock(host.log.mutex);
    ++host.log.defineModuleCalls;
    return result;
}

std::uint32_t DefineDllVariable(HostRooms& host, const char* name, void* address, std::uint32_t size)
{
    CallLog& log = host.log;
    const std::string variable = TextOrEmpty(name);
    std::string error;
    std::uint32_t result = 1;
    std::size_t callIndex = 0;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        callIndex = log.boundVariables.size();
    }
    result = host.imports.defineDllVariableResult(callIndex);
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        log.boundVariables.push_back({log.nextSeq(), variable, reinterpret_cast<std::uintptr_t>(address), size, result});
    }
    const LibraryVariableName* known = nullptr;
    for (const LibraryVariableName& candidate : kLibraryVariables) {
        if (variable == candidate.name)
            known = &candidate;
    }
    if (!known)
        error = "DefineDllVariable of an unknown variable \"" + variable + "\"";
    else if (known->size != size)
        error = "DefineDllVariable of \"" + variable + "\" with size " + std::to_string(size);
    else if (!address)
        error = "DefineDllVariable of \"" + variable + "\" without an address";
    if (!error.empty()) {
        log.fail(error);
        return 0;
    }
    // From now on the host keeps the variable current, starting with its value now.
    if (result != 0) {
        host.measurement.bindVariable(variable, address);
        host.measurement.writeVariables();
    }
    return result;
}

}  // namespace standin::serve
