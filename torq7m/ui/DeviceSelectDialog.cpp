#include "DeviceSelectDialog.h"

#include <windows.h>

#include <cstdio>

#include "../host/HostImport.h"
#include "../host/LibraryInstance.h"
#include "../res/resource.h"

namespace {

constexpr char kDialogName[] = "Q7_DEVSEL";
constexpr std::uint16_t kNoShownSlot = 0xFFFF;

// Made by the function that opens the dialog, kept with the window.
struct DeviceSelectState {
    ModuleKind kind;                        // of the module being placed
    std::uint16_t listSlots[kBoardSlots];   // slot of the board at each list position
    std::uint16_t shownSlot;                // slot whose details are on display
    // The user's choice, kNoSlot until OK or a double click. The dialog's
    // result cannot carry it: DialogBoxParam also returns 0 when the owner
    // is gone and 1 when its loop meets WM_QUIT.
    int chosenSlot;
};

// Null until the dialog is initialised.
DeviceSelectState* StateOf(HWND dialog)
{
    return reinterpret_cast<DeviceSelectState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

bool OfferedForKind(const BoardEntry& entry, ModuleKind kind)
{
    const bool inUse = kind >= kModuleKinds || entry.inUse[kind] != 0;
    return entry.present == 1 && !inUse;
}

void SetFieldNumber(HWND dialog, int control, const char* format, unsigned value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    SetDlgItemTextA(dialog, control, text);
}

void ShowDetails(HWND dialog, DeviceSelectState& state, std::uint16_t slot)
{
    if (slot == state.shownSlot)
        return;
    const BoardEntry& entry = g_boardTable[slot];
    SetFieldNumber(dialog, IDC_DEVSEL_PORT_ADDRESS, "%x H", entry.ioPortAddress);
    SetFieldNumber(dialog, IDC_DEVSEL_PORT_LENGTH, "%d", entry.ioPortLength);
    SetFieldNumber(dialog, IDC_DEVSEL_SLOT, "%u", entry.boardNumber);
    SetFieldNumber(dialog, IDC_DEVSEL_SWITCH_VALUE, "%d", entry.switchValue);
    state.shownSlot = slot;
}

// The list position under the highlight, or -1 when nothing is highlighted.
int SelectedPosition(HWND dialog)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_DEVSEL_LIST, LB_GETCURSEL, 0, 0));
}

BOOL OnInitDialog(HWND dialog, DeviceSelectState& state)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    state.shownSlot = kNoShownSlot;
    unsigned offered = 0;
    for (unsigned slot = 0; slot < kBoardSlots; ++slot) {
        if (!OfferedForKind(g_boardTable[slot], state.kind))
            continue;
        char label[32];
        std::snprintf(label, sizeof label, "Torq-Q7 #%d", offered);
        SendDlgItemMessageA(dialog, IDC_DEVSEL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
        state.listSlots[offered++] = static_cast<std::uint16_t>(slot);
    }
    if (offered == 0) {
        g_host.ShowWarning("エラー", "使えるデバイスがありません");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    SendDlgItemMessageA(dialog, IDC_DEVSEL_LIST, LB_SETCURSEL, 0, 0);
    ShowDetails(dialog, state, state.listSlots[0]);
    return TRUE;
}

// OK and a double click choose the highlighted board; with nothing
// highlighted there is no choice yet and the dialog stays open.
void ChooseSelected(HWND dialog, DeviceSelectState& state)
{
    const int position = SelectedPosition(dialog);
    if (position >= 0 && position < static_cast<int>(kBoardSlots)) {
        state.chosenSlot = state.listSlots[position];
        EndDialog(dialog, IDOK);
    }
}

void OnSelectionChange(HWND dialog, DeviceSelectState& state)
{
    const int position = SelectedPosition(dialog);
    if (position >= 0 && position < static_cast<int>(kBoardSlots))
        ShowDetails(dialog, state, state.listSlots[position]);
}

void OnCommand(HWND dialog, DeviceSelectState& state, WORD control, WORD notification)
{
    switch (control) {
    case IDOK:
        ChooseSelected(dialog, state);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_DEVSEL_LIST:
        if (notification == LBN_SELCHANGE)
            OnSelectionChange(dialog, state);
        else if (notification == LBN_DBLCLK)
            ChooseSelected(dialog, state);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK DeviceSelectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, *reinterpret_cast<DeviceSelectState*>(lParam));
    case WM_COMMAND:
        if (DeviceSelectState* state = StateOf(dialog))
            OnCommand(dialog, *state, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;   // WM_CLOSE too: the default handling turns it into Cancel
    }
}

}  // namespace

int DeviceSelectDialog(HWND owner, ModuleKind kind)
{
    DeviceSelectState state{};
    state.kind = kind;
    state.chosenSlot = kNoSlot;
    const INT_PTR result = DialogBoxParamA(g_hInstLibrary, kDialogName, owner, DeviceSelectProc,
                                           reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? state.chosenSlot : kNoSlot;
}
