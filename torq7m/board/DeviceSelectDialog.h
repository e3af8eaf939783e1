// The board selection dialog Q7_DEVSEL, shown when a module is placed.
#pragma once

#include <cstdint>

#include "BoardTable.h"

struct HWND__;

// Kind of the module being created: the dialog offers only the boards that
// no module of this kind has claimed. Set by the caller before the dialog.
extern ModuleKind selectionKind;

// The chosen slot 0-15, or kNoSlot when the user cancels, no board is
// offered or the dialog cannot be shown.
int DeviceSelectDialog(HWND__* owner);
