#include "VendorMenu.h"

#include <windows.h>

#include "../host/HostImport.h"
#include "../host/LibraryInstance.h"
#include "../res/resource.h"

namespace {

constexpr char kMenuName[] = "UX1_MENU";
constexpr char kPopupCaption[] = "HALDEN(&H)";
// The popup becomes the fourth item of the host's menu bar.
constexpr UINT kPopupPosition = 3;

// Takes the first popup out of the loaded menu bar, which is then freed;
// the popup itself goes to the host's menu.
HMENU DetachFirstPopup(HMENU bar)
{
    HMENU popup = GetSubMenu(bar, 0);
    if (popup)
        RemoveMenu(bar, 0, MF_BYPOSITION);
    DestroyMenu(bar);
    return popup;
}

void InsertVendorPopup()
{
    HMENU bar = LoadMenuA(g_hInstLibrary, kMenuName);
    if (!bar)
        return;
    HMENU popup = DetachFirstPopup(bar);
    if (!popup)
        return;
    HMENU hostMenu = HandleFromHost32<HMENU>(g_hostVars.MainMenu);
    if (!InsertMenuA(hostMenu, kPopupPosition, MF_BYPOSITION | MF_POPUP | MF_STRING,
                     reinterpret_cast<UINT_PTR>(popup), kPopupCaption))
        DestroyMenu(popup);
}

}  // namespace

void InstallVendorMenu()
{
    InsertVendorPopup();
    g_host.RegisterMenuEntry(IDM_SETUP_NOTE, ShowSetupNote);
}

extern "C" std::int32_t TORQ7_CALL ShowSetupNote()
{
    return MessageBoxA(nullptr, "Do here some setup functions!", "Setup", MB_OK);
}
