// The about box TORQ7_ABOUT, opened by the settings dialogs' information
// button: the module version from the string table and the maker's notice.
#pragma once

#include <windows.h>

// Modal over `owner`; only OK (or Enter) closes it.
void ShowAboutDialog(HWND owner);
