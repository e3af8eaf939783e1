#include "DialogFont.h"

#include <windows.h>

#include "../host/HostImport.h"

void* g_dialogFont;

namespace {

// Controls that keep the template's font.
constexpr const char* kOwnFontClasses[] = {"EDIT", "LISTBOX", "COMBOBOX"};

void CreateDialogFont(HWND dialog)
{
    auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA description{};
    if (!font || GetObjectA(font, sizeof description, &description) == 0)
        return;
    description.lfWeight = FW_NORMAL;
    g_dialogFont = g_host.CreateStackedFontIndirect(&description);
}

bool KeepsOwnFont(HWND control)
{
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    for (const char* own : kOwnFontClasses) {
        if (lstrcmpiA(className, own) == 0)
            return true;
    }
    return false;
}

}  // namespace

void ApplyDialogFont(HWND dialog)
{
    if (!g_dialogFont)
        CreateDialogFont(dialog);
    if (!g_dialogFont)
        return;   // without a font the controls keep the template's
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!KeepsOwnFont(child))
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_dialogFont), FALSE);
    }
}

void ReleaseDialogFont()
{
    if (g_dialogFont) {
        g_host.DeleteStackedObject(g_dialogFont);
        g_dialogFont = nullptr;
    }
}
