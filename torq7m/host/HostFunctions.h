// Signatures of the host functions the library calls, as the host exports
// them by name. Arguments and results take the native width; the values
// the host hands out fit in 32 bits.
#pragma once

#include <cstdint>

#include "HostRecords.h"

struct tagLOGFONTA;

namespace hostfn {

using NewMemAlloc = void*(TORQ7_CALL*)(std::uint32_t size, const char* file, std::int32_t line);
using NewDoMemFree = std::uint32_t(TORQ7_CALL*)(void* block, const char* file, std::int32_t line);
using ShowWarning = std::uint32_t(TORQ7_CALL*)(const char* caption, const char* text);
using StopExperiment = std::uint32_t(TORQ7_CALL*)(void);
using RegisterModuleClass = std::uint32_t(TORQ7_CALL*)(ModuleClassInfo* info);
using PerformDefaultAction = std::uint32_t(TORQ7_CALL*)(ModuleRecord* module, std::uint32_t message,
                                                         std::uint32_t param1, std::uint32_t param2);
using GetCurrentOutputBlock = DataBlock*(TORQ7_CALL*)(OutputChannelRecord* channel);
using NewReleaseOutputBlock = std::uint32_t(TORQ7_CALL*)(OutputChannelRecord* channel, const char* file,
                                                          std::int32_t line);
using GetInputBlock = DataBlock*(TORQ7_CALL*)(ModuleRecord* module, std::uint32_t input);
using NewReleaseInputBlock = std::uint32_t(TORQ7_CALL*)(ModuleRecord* module, std::uint32_t input,
                                                         const char* file, std::int32_t line);
using ChangeModuleSize = std::uint32_t(TORQ7_CALL*)(ModuleRecord* module, std::uint32_t inputs,
                                                     std::uint32_t outputs);
using RegisterMenuEntry = std::uint32_t(TORQ7_CALL*)(std::uint32_t command, MenuEntryHandler handler);
using CreateStackedFontIndirect = void*(TORQ7_CALL*)(const tagLOGFONTA* font);
using DeleteStackedObject = std::uint32_t(TORQ7_CALL*)(void* object);
using DefineDllModule = std::uint32_t(TORQ7_CALL*)(void);
using DefineDllVariable = std::uint32_t(TORQ7_CALL*)(const char* name, void* address, std::uint32_t size);

}  // namespace hostfn
