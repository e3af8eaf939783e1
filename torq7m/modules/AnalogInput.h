// The analog input class's sampling set-up.
#pragma once

#include "../host/HostRecords.h"

// Validates the settings, fills the mode and the set size and sends the mode
// to the board; 0 on failure, with the reason left in `text` (256 bytes).
int ConfigureSampling(ModuleRecord* module, char* text);
