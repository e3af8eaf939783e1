// The host's windows: the hidden main window that answers the symbol import
// and carries the main menu, and the window class of the module windows
// that own the library's dialogs.
#pragma once

#include <windows.h>

namespace standin {

// The timer of the main window that polls for dialogs no module window owns.
constexpr UINT_PTR kDialogPollTimer = 1;

// The windows' procedures. They reach every part of the host, so they are
// defined with the host's parts joined (HostWindowProcs.cpp).
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ModuleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

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
