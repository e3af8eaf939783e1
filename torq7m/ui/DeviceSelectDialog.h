// The board selection dialog Q7_DEVSEL, the first step of placing a module.
#pragma once

#include "../board/BoardTable.h"

struct HWND__;

// Offers the boards that no module of `kind` has claimed. The chosen slot
// 0-15, or kNoSlot when the user cancels, no board is offered, the dialog
// cannot be shown or it ends without the user's answer (its owner window
// gone, a WM_QUIT in its loop).
int DeviceSelectDialog(HWND__* owner, ModuleKind kind);
