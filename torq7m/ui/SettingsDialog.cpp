#include "SettingsDialog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "../host/HostImport.h"
#include "../host/LibraryInstance.h"
#include "../host/LibraryVariables.h"
#include "../modules/ChannelNames.h"
#include "../res/resource.h"
#include "AboutDialog.h"
#include "DialogFont.h"

namespace {

// Field limits in characters, and the room for a name in the block.
constexpr WPARAM kChannelNameChars = 20;
constexpr WPARAM kModuleNameChars = 12;
constexpr WPARAM kDescriptionChars = 40;
constexpr std::size_t kChannelNameRoom = 20;   // 19 bytes and the zero
constexpr int kFieldTextSize = 128;

// One settings dialog is open at a time; its state lives here from open to
// OK or Cancel.
struct SettingsDialogState {
    const SettingsDialogClass* dialogClass;
    ModuleRecord* module;
    std::uint8_t* workingCopy;
    std::uint32_t channelCount;
    std::uint32_t selectedChannel;
    std::uint32_t channelMax;
    int lastFocusedEdit;
    bool arrowsLocked;   // opened during a measurement
};

SettingsDialogState g_settings;

using ChannelName = char[kChannelNameSize];

ChannelName* Names()
{
    return reinterpret_cast<ChannelName*>(g_settings.workingCopy);
}

ModuleRecord* CurrentModule()
{
    auto* current = FromHost32<HostAddr32>(g_hostVars.pCurrentModulePtr);
    return current ? FromHost32<ModuleRecord>(*current) : nullptr;
}

std::uint8_t* ModuleSettings(const ModuleRecord* module)
{
    return FromHost32<std::uint8_t>(module->pModuleData);
}

std::uint32_t& EditedCount(ModuleRecord* module, ChannelSide side)
{
    return side == ChannelSide::Outputs ? module->uiOutputChannels : module->uiInputChannels;
}

// A count from the host kept to what the dialog can show: 1 to the maximum.
std::uint32_t ShownCount(std::uint32_t hostCount, std::uint32_t channelMax)
{
    if (hostCount < 1)
        return 1;
    return hostCount < channelMax ? hostCount : channelMax;
}

// Whole characters of `text` (code page 932) that fit in `room` bytes with
// the terminating zero, copied to `out`. `text` may lack its zero: at most
// `room` - 1 of its bytes are read.
void CopyWholeCharacters(char* out, std::size_t room, const char* text)
{
    std::size_t used = 0;
    while (used + 1 < room && text[used] != '\0') {
        const std::size_t width = IsDBCSLeadByte(static_cast<BYTE>(text[used])) ? 2 : 1;
        if (used + width + 1 > room || (width == 2 && text[used + 1] == '\0'))
            break;
        used += width;
    }
    std::memmove(out, text, used);
    out[used] = '\0';
}

// Shows a text of a host or stored record, read no further than its room.
void ShowBoundedText(HWND dialog, int control, const char* text, std::size_t room)
{
    char shown[kFieldTextSize];
    CopyWholeCharacters(shown, room < sizeof shown ? room : sizeof shown, text);
    SetDlgItemTextA(dialog, control, shown);
}

// Reads a field into a record's buffer of `room` bytes, whole characters only.
void ReadField(HWND dialog, int control, char* out, std::size_t room)
{
    char text[kFieldTextSize];
    GetDlgItemTextA(dialog, control, text, sizeof text);
    CopyWholeCharacters(out, room, text);
}

void SetNumber(HWND dialog, int control, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dialog, control, text);
}

void SendControlState(HWND dialog, int control, WPARAM state)
{
    SendDlgItemMessageA(dialog, control, CTLM_SETSTATE, state, 0);
}

void SetTabState(HWND dialog, std::uint32_t channel, WPARAM state)
{
    SendControlState(dialog, IDC_CHANNEL_FIRST + static_cast<int>(channel), state);
}

// Places the dialog over the centre of the host's main window, inside the screen.
void CentreDialog(HWND dialog)
{
    RECT box{};
    GetWindowRect(dialog, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    RECT area{};
    POINT centre{};
    if (g_hwndHostMain && IsWindow(g_hwndHostMain)) {
        GetClientRect(g_hwndHostMain, &area);
        centre = {area.right / 2, area.bottom / 2};
        ClientToScreen(g_hwndHostMain, &centre);
        centre = {static_cast<std::int16_t>(centre.x), static_cast<std::int16_t>(centre.y)};
    } else {
        GetWindowRect(GetDesktopWindow(), &area);
        centre = {(area.right - area.left) / 2, (area.bottom - area.top) / 2};
    }
    int x = centre.x - width / 2;
    int y = centre.y - height / 2;
    if (x + width > GetSystemMetrics(SM_CXSCREEN))
        x = GetSystemMetrics(SM_CXSCREEN) - width;
    if (y + height > GetSystemMetrics(SM_CYSCREEN))
        y = GetSystemMetrics(SM_CYSCREEN) - height;
    MoveWindow(dialog, x < 0 ? 0 : x, y < 0 ? 0 : y, width, height, FALSE);
}

void RefreshChannelBar(HWND dialog)
{
    for (std::uint32_t i = 0; i < g_settings.channelMax; ++i) {
        const WPARAM state = i >= g_settings.channelCount      ? TAB_ABSENT
                             : i == g_settings.selectedChannel ? TAB_SELECTED
                                                               : TAB_PRESENT;
        SetTabState(dialog, i, state);
    }
    if (g_settings.arrowsLocked) {
        SendControlState(dialog, IDC_LESS, ARROW_LESS_DISABLED);
        SendControlState(dialog, IDC_MORE, ARROW_MORE_DISABLED);
    } else {
        SendControlState(dialog, IDC_LESS, g_settings.channelCount >= 2 ? ARROW_LESS_ENABLED : ARROW_LESS_DISABLED);
        SendControlState(dialog, IDC_MORE,
                        g_settings.channelCount + 1 <= g_settings.channelMax ? ARROW_MORE_ENABLED : ARROW_MORE_DISABLED);
    }
    CentreDialog(dialog);
    ApplyDialogFont(dialog);
}

void ShowSelectedChannel(HWND dialog)
{
    SetNumber(dialog, IDC_SELECTED_CHANNEL, static_cast<int>(g_settings.selectedChannel));
    ShowBoundedText(dialog, IDC_CHANNEL_NAME, Names()[g_settings.selectedChannel], kChannelNameSize + 1);
}

void StoreChannelName(HWND dialog)
{
    ReadField(dialog, IDC_CHANNEL_NAME, Names()[g_settings.selectedChannel], kChannelNameRoom);
}

// After any channel bar action the module name field has the focus.
BOOL EndChannelBarAction(HWND dialog)
{
    g_settings.lastFocusedEdit = IDC_CHANNEL_FIRST;
    SetFocus(GetDlgItem(dialog, IDC_MODULE_NAME));
    return TRUE;
}

void AddChannel(HWND dialog)
{
    if (g_settings.channelCount == 1)
        SendControlState(dialog, IDC_LESS, ARROW_LESS_ENABLED);
    ++g_settings.channelCount;
    if (g_settings.channelCount > g_settings.channelMax - 1)
        SendControlState(dialog, IDC_MORE, ARROW_MORE_DISABLED);
    SetTabState(dialog, g_settings.channelCount - 1, TAB_PRESENT);
}

void RemoveChannel(HWND dialog)
{
    if (g_settings.channelCount == g_settings.channelMax)
        SendControlState(dialog, IDC_MORE, ARROW_MORE_ENABLED);
    --g_settings.channelCount;
    if (g_settings.channelCount < 2)
        SendControlState(dialog, IDC_LESS, ARROW_LESS_DISABLED);
    SetTabState(dialog, g_settings.channelCount, TAB_ABSENT);
    if (g_settings.selectedChannel >= g_settings.channelCount) {
        g_settings.selectedChannel = g_settings.channelCount - 1;
        SetTabState(dialog, g_settings.selectedChannel, TAB_SELECTED);
    }
}

// The names of removed channels stay in the working copy, so that adding
// the channels again brings them back.
BOOL ChangeChannelCount(HWND dialog, int arrow)
{
    const bool add = arrow == IDC_MORE;
    const bool possible = add ? g_settings.channelCount < g_settings.channelMax : g_settings.channelCount > 1;
    if (g_settings.arrowsLocked || !possible)
        return TRUE;
    StoreChannelName(dialog);
    if (add)
        AddChannel(dialog);
    else
        RemoveChannel(dialog);
    ShowSelectedChannel(dialog);
    return EndChannelBarAction(dialog);
}

// A press on an existing channel that is not selected selects it.
BOOL SelectChannel(HWND dialog, HWND tab, LPARAM tabState)
{
    const int channel = GetDlgCtrlID(tab) - IDC_CHANNEL_FIRST;
    if (LOWORD(tabState) == TAB_PRESENT && channel >= 0 &&
        static_cast<std::uint32_t>(channel) < g_settings.channelCount) {
        StoreChannelName(dialog);
        SendDlgItemMessageA(dialog, IDC_CHANNEL_FIRST + static_cast<int>(g_settings.selectedChannel), CTLM_DESELECT,
                            0, 0);
        g_settings.selectedChannel = static_cast<std::uint32_t>(channel);
        SetTabState(dialog, g_settings.selectedChannel, TAB_SELECTED);
        ShowSelectedChannel(dialog);
    }
    return EndChannelBarAction(dialog);
}

void CopySelectedName(HWND dialog, UINT message)
{
    StoreChannelName(dialog);
    ShowSelectedChannel(dialog);
    if (message == SDM_COPYNAME_IFFOCUSED && g_settings.lastFocusedEdit != IDC_CHANNEL_NAME)
        return;
    const ChannelName& selected = Names()[g_settings.selectedChannel];
    for (std::uint32_t i = 0; i < g_settings.channelCount; ++i) {
        if (i != g_settings.selectedChannel)
            CopyWholeCharacters(Names()[i], kChannelNameRoom, selected);
    }
}

const SettingsList* FindList(int control)
{
    const SettingsDialogClass& dialogClass = *g_settings.dialogClass;
    for (unsigned i = 0; i < dialogClass.listCount; ++i) {
        if (dialogClass.lists[i].control == control)
            return &dialogClass.lists[i];
    }
    return nullptr;
}

void DisableListsDuringMeasurement(HWND dialog)
{
    if (bExperimentIsRunning == 0)
        return;
    const SettingsDialogClass& dialogClass = *g_settings.dialogClass;
    for (unsigned i = 0; i < dialogClass.listCount; ++i)
        EnableWindow(GetDlgItem(dialog, dialogClass.lists[i].control), FALSE);
}

// A stored index that no item has leaves the list without a selection.
void FillLists(HWND dialog)
{
    const SettingsDialogClass& dialogClass = *g_settings.dialogClass;
    for (unsigned i = 0; i < dialogClass.listCount; ++i) {
        const SettingsList& list = dialogClass.lists[i];
        HWND box = GetDlgItem(dialog, list.control);
        if (SendMessageA(box, CB_GETCOUNT, 0, 0) != 0)
            SendMessageA(box, CB_RESETCONTENT, 0, 0);
        for (unsigned item = 0; item < list.itemCount; ++item) {
            char text[64];
            std::snprintf(text, sizeof text, "%s", list.items[item]);
            SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        const int stored = list.storedIndex(g_settings.workingCopy);
        SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(stored), 0);
    }
}

void FreeWorkingCopy(std::int32_t line)
{
    g_host.NewDoMemFree(g_settings.workingCopy, g_settings.dialogClass->sourceFile, line);
    g_settings.workingCopy = nullptr;
}

// The working copy of the current module's block and the counts it is
// edited with; false when no copy can be had.
bool TakeWorkingCopy(const SettingsDialogClass* dialogClass)
{
    g_settings = {};
    g_settings.dialogClass = dialogClass;
    g_settings.module = CurrentModule();
    if (!g_settings.module)
        return false;
    g_settings.workingCopy = static_cast<std::uint8_t*>(
        g_host.NewMemAlloc(dialogClass->dataSize, dialogClass->sourceFile, dialogClass->allocLine));
    if (!g_settings.workingCopy)
        return false;
    std::memcpy(g_settings.workingCopy, ModuleSettings(g_settings.module), dialogClass->dataSize);
    g_settings.channelMax = dialogClass->channelMax;
    g_settings.channelCount = ShownCount(EditedCount(g_settings.module, dialogClass->side), g_settings.channelMax);
    g_settings.arrowsLocked = bExperimentIsRunning == 1;
    return true;
}

// The board number follows the channel names.
void ShowBoardNumber(HWND dialog)
{
    std::uint16_t boardNumber = 0;
    std::memcpy(&boardNumber, g_settings.workingCopy + g_settings.channelMax * kChannelNameSize, sizeof boardNumber);
    SetNumber(dialog, IDC_BOARD_NUMBER, boardNumber);
}

void ShowModuleTexts(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_CHANNEL_NAME, EM_LIMITTEXT, kChannelNameChars, 0);
    SendDlgItemMessageA(dialog, IDC_MODULE_NAME, EM_LIMITTEXT, kModuleNameChars, 0);
    SendDlgItemMessageA(dialog, IDC_DESCRIPTION, EM_LIMITTEXT, kDescriptionChars, 0);
    ShowBoundedText(dialog, IDC_MODULE_NAME, g_settings.module->szName, kModuleNameSize);
    ShowBoundedText(dialog, IDC_DESCRIPTION, g_settings.module->szDescription, kModuleDescriptionSize);
}

BOOL OnInitDialog(HWND dialog, const SettingsDialogClass* dialogClass)
{
    if (!TakeWorkingCopy(dialogClass)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    RefreshChannelBar(dialog);
    ShowSelectedChannel(dialog);
    DisableListsDuringMeasurement(dialog);
    ShowBoardNumber(dialog);
    FillLists(dialog);
    ShowModuleTexts(dialog);
    SetFocus(GetDlgItem(dialog, IDC_MODULE_NAME));
    g_settings.lastFocusedEdit = 0;
    return FALSE;
}

// The module's name, description, settings and channel count change here
// only. A start or stop while the dialog was open may have changed the
// fields it owns; those are taken from the module's block as it is now.
BOOL OnOk(HWND dialog)
{
    const SettingsDialogClass& dialogClass = *g_settings.dialogClass;
    ModuleRecord* module = g_settings.module;
    StoreChannelName(dialog);
    ReadField(dialog, IDC_MODULE_NAME, module->szName, kModuleNameSize);
    ReadField(dialog, IDC_DESCRIPTION, module->szDescription, kModuleDescriptionSize);
    std::uint8_t* settings = ModuleSettings(module);
    if (dialogClass.keepRunFields)
        dialogClass.keepRunFields(g_settings.workingCopy, settings);
    std::memcpy(settings, g_settings.workingCopy, dialogClass.dataSize);
    FreeWorkingCopy(dialogClass.okFreeLine);
    if (dialogClass.side == ChannelSide::Outputs)
        g_host.ChangeModuleSize(module, 0, g_settings.channelCount);
    else
        g_host.ChangeModuleSize(module, g_settings.channelCount, 0);
    EndDialog(dialog, 1);
    return TRUE;
}

BOOL OnCancel(HWND dialog)
{
    FreeWorkingCopy(g_settings.dialogClass->cancelFreeLine);
    EndDialog(dialog, 0);
    return TRUE;
}

// The choice in a list counts once the user closes the opened list.
BOOL OnListCommand(const SettingsList& list, HWND dialog, WORD notification)
{
    if (notification == CBN_CLOSEUP) {
        const int selection = static_cast<int>(SendDlgItemMessageA(dialog, list.control, CB_GETCURSEL, 0, 0));
        list.takeSelection(g_settings.workingCopy, selection);
    }
    return FALSE;
}

BOOL OnCommand(HWND dialog, WORD control, WORD notification)
{
    switch (control) {
    case IDOK:
        return OnOk(dialog);
    case IDCANCEL:
        return OnCancel(dialog);
    case IDC_INFO:
        ShowAboutDialog(dialog);
        return TRUE;
    case IDC_LESS:
    case IDC_MORE:
        return ChangeChannelCount(dialog, control);
    case IDC_MODULE_NAME:
    case IDC_DESCRIPTION:
    case IDC_CHANNEL_NAME:
        if (notification == EN_SETFOCUS)
            g_settings.lastFocusedEdit = control;
        return FALSE;
    default:
        if (const SettingsList* list = FindList(control))
            return OnListCommand(*list, dialog, notification);
        return FALSE;
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, reinterpret_cast<const SettingsDialogClass*>(lParam));
    if (!g_settings.workingCopy)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case CTLN_PRESS:
        return SelectChannel(dialog, reinterpret_cast<HWND>(wParam), lParam);
    case SDM_COPYNAME_IFFOCUSED:
    case SDM_COPYNAME_ALWAYS:
        CopySelectedName(dialog, message);
        return FALSE;
    case WM_DESTROY:
        // ended by someone else than OK or Cancel: the copy goes all the same
        FreeWorkingCopy(g_settings.dialogClass->cancelFreeLine);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

std::uint32_t RunSettingsDialog(const SettingsDialogClass& dialogClass, ModuleRecord* module)
{
    if (g_settings.workingCopy)
        return 0;   // the state is shared: a second settings dialog waits for the first
    HWND owner = HandleFromHost32<HWND>(module->hwndModule);
    const INT_PTR result = DialogBoxParamA(g_hInstLibrary, dialogClass.templateName, owner, SettingsDialogProc,
                                           reinterpret_cast<LPARAM>(&dialogClass));
    return result == 1 ? 1 : 0;
}
