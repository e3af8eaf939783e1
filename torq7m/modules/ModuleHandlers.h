// The handlers and process functions of the four module classes.
#pragma once

#include <cstdint>

#include "../host/HostRecords.h"

using ModuleHandler = std::uint32_t (*)(ModuleRecord* module);

// The create step of placing a module, once the user has chosen the board in
// `slot` (0-15): the module claims it and takes its defaults; 1.
using ModuleCreator = std::uint32_t (*)(ModuleRecord* module, int slot);

// Analog input.
std::uint32_t AdCreate(ModuleRecord* module, int slot);
std::uint32_t AdStart(ModuleRecord* module);
std::uint32_t AdStop(ModuleRecord* module);
std::uint32_t TORQ7_CALL AdProcess(ModuleRecord* module);

// Digital input.
std::uint32_t DiCreate(ModuleRecord* module, int slot);
std::uint32_t DiStart(ModuleRecord* module);
std::uint32_t DiStop(ModuleRecord* module);
std::uint32_t TORQ7_CALL DiProcess(ModuleRecord* module);

// Digital output.
std::uint32_t DoCreate(ModuleRecord* module, int slot);
std::uint32_t DoStart(ModuleRecord* module);
std::uint32_t DoStop(ModuleRecord* module);
std::uint32_t TORQ7_CALL DoProcess(ModuleRecord* module);

// Analog output.
std::uint32_t DaCreate(ModuleRecord* module, int slot);
std::uint32_t DaLoaded(ModuleRecord* module);
std::uint32_t DaStart(ModuleRecord* module);
std::uint32_t DaStop(ModuleRecord* module);
std::uint32_t TORQ7_CALL DaProcess(ModuleRecord* module);
