// The host's windows: the hidden main window that answers the symbol import
// and carries the main menu, and the window class of the module windows
// that own the library's dialogs.
#pragma once

#include <windows.h>

namespace standin {

struct HostWindows {
    HostWindows();
    ~HostWindows();
    HostWindows(const HostWindows&) = delete;
    HostWindows& operator=(const HostWindows&) = delete;

    // A module's window, owned by the main window; titled with the module's name.
    HWND newModuleWindow(const char* title) const;

    HINSTANCE instance = nullptr;
    HWND main = nullptr;
    HMENU menu = nullptr;   // destroyed with the main window
};

}  // namespace standin
