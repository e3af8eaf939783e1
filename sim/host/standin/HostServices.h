// What the host functions the library calls do, beyond the block protocol
// (HostWorksheet): memory, registration, warnings and the stop request.
// Each is called with its call already recorded.
#pragma once

#include <windows.h>

#include <cstdint>

#include "HostRooms.h"

namespace standin::serve {

void* NewMemAlloc(HostRooms& host, std::uint32_t size, const char* file, std::int32_t line);
std::uint32_t NewDoMemFree(HostRooms& host, void* block, const char* file, std::int32_t line);
std::uint32_t ShowWarning(HostRooms& host, const char* caption, const char* text);
std::uint32_t StopExperiment(HostRooms& host);
std::uint32_t RegisterModuleClass(HostRooms& host, const ModuleClassInfo* info);
std::uint32_t PerformDefaultAction(HostRooms& host, ModuleRecord* module, std::uint32_t message, std::uint32_t p1,
                                   std::uint32_t p2);
std::uint32_t RegisterMenuEntry(HostRooms& host, std::uint32_t command, MenuEntryHandler handler);
void* CreateStackedFontIndirect(HostRooms& host, const LOGFONTA* font);
std::uint32_t DeleteStackedObject(HostRooms& host, void* object);
std::uint32_t DefineDllModule(HostRooms& host);
std::uint32_t DefineDllVariable(HostRooms& host, const char* name, void* address, std::uint32_t size);
// A host function the library must not call.
void Trap(HostRooms& host, std::size_t functionIndex);

}  // namespace standin::serve
