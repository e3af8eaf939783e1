// The vendor popup "HALDEN(&H)" in the host's main menu, one item per
// module class, and the host menu entry that shows the setup note.
#pragma once

#include <cstdint>

#include "../host/CallConv.h"

// Inserts the popup of UX1_MENU as the fourth item of the host's main menu
// and registers the setup note's menu entry with the host.
void InstallVendorMenu();

// The handler of the host's menu entry; returns the message box's result.
extern "C" std::int32_t TORQ7_CALL ShowSetupNote();
