// The settings dialogs of the four module classes, opened by the module's
// setup message. Each returns the dialog's result: 1 after OK, 0 after
// Cancel or when the dialog could not be opened.
#pragma once

#include <cstdint>

struct ModuleRecord;

std::uint32_t AdSettingsDialog(ModuleRecord* module);
std::uint32_t DiSettingsDialog(ModuleRecord* module);
std::uint32_t DoSettingsDialog(ModuleRecord* module);
std::uint32_t DaSettingsDialog(ModuleRecord* module);
