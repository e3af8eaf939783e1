// The handlers and process functions of the four module classes.
#pragma once

#include <cstdint>

#include "../host/HostRecords.h"

using ModuleHandler = std::uint32_t (*)(ModuleRecord* module);

// Analog input.
std::uint32_t AdCreate(ModuleRecord* module);
std::uint32_t AdStart(ModuleRecord* module);
std::uint32_t AdStop(ModuleRecord* module);
std::uint32_t TORQ7_CALL AdProcess(ModuleRecord* module);

// Digital input.
std::uint32_t DiCreate(ModuleRecord* module);
std::uint32_t DiStart(ModuleRecord* module);
std::uint32_t DiStop(ModuleRecord* module);
std::uint32_t TORQ7_CALL DiProcess(ModuleRecord* module);

// Digital output.
std::uint32_t DoCreate(ModuleRecord* module);
std::uint32_t DoStart(ModuleRecord* module);
std::uint32_t DoStop(ModuleRecord* module);
std::uint32_t TORQ7_CALL DoProcess(ModuleRecord* module);

// Analog output.
std::uint32_t DaCreate(ModuleRecord* module);
std::uint32_t DaLoaded(ModuleRecord* module);
std::uint32_t DaStart(ModuleRecord* module);
std::uint32_t TORQ7_CALL DaProcess(ModuleRecord* module);
