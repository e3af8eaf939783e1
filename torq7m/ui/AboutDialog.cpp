#include "AboutDialog.h"

#include "../host/LibraryInstance.h"
#include "../res/resource.h"

namespace {

constexpr char kTemplateName[] = "TORQ7_ABOUT";
constexpr int kVersionTextBytes = 128;

void ShowVersion(HWND dialog)
{
    char text[kVersionTextBytes] = "";
    LoadStringA(g_hInstLibrary, IDS_MODULE_VERSION, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
}

// Only the OK button itself ends the box: Escape arrives as Cancel and is
// swallowed like every other command.
void OnCommand(HWND dialog, WPARAM wParam)
{
    if (wParam == IDOK)
        EndDialog(dialog, 0);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ShowVersion(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, wParam);
        return TRUE;
    case WM_CLOSE:
        return TRUE;   // the close box leaves the box open
    default:
        return FALSE;
    }
}

}  // namespace

void ShowAboutDialog(HWND owner)
{
    DialogBoxParamA(g_hInstLibrary, kTemplateName, owner, AboutDialogProc, 0);
}
