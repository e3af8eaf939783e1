// The board selection dialog Q7_DEVSEL, the first step of placing a module.
#pragma once

#include "../board/BoardTable.h"

struct HWND__;

// Offers the boards that no module of `kind` has claimed. The chosen slot
// 0-15, or kNoSlot when the user cancels, no board is offered or the dialog
// cannot be shown.
int DeviceSelectDialog(HWND__* owner, ModuleKind kind);
