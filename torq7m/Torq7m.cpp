// The library's exports and its start-up and shut-down sequence: the one
// place that knows every subsystem.
#include <windows.h>

#include "board/BoardTable.h"
#include "board/EventWindow.h"
#include "host/HostImport.h"
#include "classes/ModuleClasses.h"
#include "ui/ChannelBar.h"
#include "ui/DialogFont.h"
#include "ui/VendorMenu.h"

HINSTANCE g_hInstLibrary;

namespace {

// The boards and the module classes; a failure here leaves the host without
// vendor menu and module classes, and start-up still succeeds.
void SetupBoardsAndClasses()
{
    if (!CreateEventWindow())
        return;
    if (!InitBoardTable())
        return;
    InstallVendorMenu();
    RegisterModuleClasses();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_hInstLibrary = instance;
    return TRUE;
}

extern "C" std::uint32_t TORQ7_CALL WEP(std::uint32_t)
{
    return 1;
}

extern "C" std::uint32_t TORQ7_CALL SetupVireoDLL(HWND hostMain)
{
    if (!ImportHostSymbols(hostMain))
        return 0;
    if (!BindLibraryVariables())
        return 0;
    SetupBoardsAndClasses();
    RegisterChannelBarClasses();
    return 1;
}

extern "C" std::uint32_t TORQ7_CALL FinishVireoDLL(std::uint32_t)
{
    UnregisterChannelBarClasses();
    ReleaseDialogFont();
    ReleaseClassBitmaps();
    ShutdownBoardTable();
    DestroyEventWindow();
    return 1;
}
