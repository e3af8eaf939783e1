#include "SettingsDialog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "../host/HostImport.h"
#include "../host/LibraryInstance.h"
#include "../host/LibraryVariables.h"
#include "../res/resource.h"
#include "AboutDialog.h"
#include "ChannelBarModel.h"
#include "ControlMessages.h"
#include "Cp932Text.h"
#include "DialogFont.h"
#include "DialogPlacement.h"

namespace {

// Field limits in characters.
constexpr WPARAM kChannelNameChars = 20;
constexpr WPARAM kModuleNameChars = 12;
constexpr WPARAM kDescriptionChars = 40;
constexpr int kFieldTextSize = 128;

// A dialog's state, made by the function that opens it and kept with the
// window from open to OK or Cancel.
struct SettingsDialogState {
    const SettingsDialogClass* dialogClass;
    ModuleRecord* module;
    std::uint8_t* workingCopy;
    ChannelBarModel bar;
    int lastFocusedEdit;
};

// One settings dialog at a time: set while a dialog holds its working copy.
bool g_settingsDialogOpen;

// Null until the dialog is initialised.
SettingsDialogState* StateOf(HWND dialog)
{
    return reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

const ClassDescription& DescriptionOf(const SettingsDialogState& state)
{
    return *state.dialogClass->description;
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

int TabId(std::uint32_t channel)
{
    return IDC_CHANNEL_FIRST + static_cast<int>(channel);
}

void RefreshChannelBar(HWND dialog, const ChannelBarModel& bar)
{
    for (std::uint32_t i = 0; i < bar.channelMax; ++i)
        SendControlState(dialog, TabId(i), TabState(bar, i));
    SendControlState(dialog, IDC_LESS, LessArrowState(bar));
    SendControlState(dialog, IDC_MORE, MoreArrowState(bar));
    CentreOverHostWindow(dialog);
    ApplyDialogFont(dialog);
}

// The controls whose state an action of the bar has changed.
void ShowChangedStates(HWND dialog, const ChannelBarModel& before, const ChannelBarModel& after)
{
    if (LessArrowState(after) != LessArrowState(before))
        SendControlState(dialog, IDC_LESS, LessArrowState(after));
    if (MoreArrowState(after) != MoreArrowState(before))
        SendControlState(dialog, IDC_MORE, MoreArrowState(after));
    for (std::uint32_t i = 0; i < after.channelMax; ++i) {
        if (TabState(after, i) != TabState(before, i))
            SendControlState(dialog, TabId(i), TabState(after, i));
    }
}

void ShowSelectedChannel(HWND dialog, const ChannelBarModel& bar)
{
    SetNumber(dialog, IDC_SELECTED_CHANNEL, static_cast<int>(bar.selected));
    ShowBoundedText(dialog, IDC_CHANNEL_NAME, bar.names[bar.selected], kChannelNameSize + 1);
}

void StoreChannelName(HWND dialog, ChannelBarModel& bar)
{
    char text[kFieldTextSize];
    GetDlgItemTextA(dialog, IDC_CHANNEL_NAME, text, sizeof text);
    StoreSelectedName(bar, text);
}

// After any channel bar action the module name field has the focus.
BOOL EndChannelBarAction(HWND dialog, SettingsDialogState& state)
{
    state.lastFocusedEdit = IDC_CHANNEL_FIRST;
    SetFocus(GetDlgItem(dialog, IDC_MODULE_NAME));
    return TRUE;
}

BOOL ChangeChannelCount(HWND dialog, SettingsDialogState& state, int arrow)
{
    const bool add = arrow == IDC_MORE;
    if (!CanChangeCount(state.bar, add))
        return TRUE;
    StoreChannelName(dialog, state.bar);
    const ChannelBarModel before = state.bar;
    ChangeCount(state.bar, add);
    ShowChangedStates(dialog, before, state.bar);
    ShowSelectedChannel(dialog, state.bar);
    return EndChannelBarAction(dialog, state);
}

// A press on an existing channel that is not selected selects it.
BOOL PressChannel(HWND dialog, SettingsDialogState& state, HWND tab, LPARAM tabState)
{
    ChannelBarModel& bar = state.bar;
    const int channel = GetDlgCtrlID(tab) - IDC_CHANNEL_FIRST;
    if (LOWORD(tabState) == TAB_PRESENT && channel >= 0 && ChannelExists(bar, static_cast<std::uint32_t>(channel))) {
        StoreChannelName(dialog, bar);
        SendDlgItemMessageA(dialog, TabId(bar.selected), CTLM_DESELECT, 0, 0);
        SelectChannel(bar, static_cast<std::uint32_t>(channel));
        SendControlState(dialog, TabId(bar.selected), TAB_SELECTED);
        ShowSelectedChannel(dialog, bar);
    }
    return EndChannelBarAction(dialog, state);
}

void CopySelectedName(HWND dialog, SettingsDialogState& state, UINT message)
{
    StoreChannelName(dialog, state.bar);
    ShowSelectedChannel(dialog, state.bar);
    if (message == SDM_COPYNAME_IFFOCUSED && state.lastFocusedEdit != IDC_CHANNEL_NAME)
        return;
    CopySelectedNameToOthers(state.bar);
}

const SettingsList* FindList(const SettingsDialogClass& dialogClass, int control)
{
    for (unsigned i = 0; i < dialogClass.listCount; ++i) {
        if (dialogClass.lists[i].control == control)
            return &dialogClass.lists[i];
    }
    return nullptr;
}

void DisableListsDuringMeasurement(HWND dialog, const SettingsDialogClass& dialogClass)
{
    if (bExperimentIsRunning == 0)
        return;
    for (unsigned i = 0; i < dialogClass.listCount; ++i)
        EnableWindow(GetDlgItem(dialog, dialogClass.lists[i].control), FALSE);
}

// A stored index that no item has leaves the list without a selection.
void FillLists(HWND dialog, const SettingsDialogState& state)
{
    const SettingsDialogClass& dialogClass = *state.dialogClass;
    for (unsigned i = 0; i < dialogClass.listCount; ++i) {
        const SettingsList& list = dialogClass.lists[i];
        HWND box = GetDlgItem(dialog, list.control);
        if (SendMessageA(box, CB_GETCOUNT, 0, 0) != 0)
            SendMessageA(box, CB_RESETCONTENT, 0, 0);
        for (unsigned item = 0; item < list.items.count; ++item) {
            char text[64];
            std::snprintf(text, sizeof text, "%s", list.items.texts[item]);
            SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        const int stored = list.storedIndex(state.workingCopy);
        SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(stored), 0);
    }
}

void FreeWorkingCopy(SettingsDialogState& state, std::int32_t line)
{
    g_host.NewDoMemFree(state.workingCopy, state.dialogClass->sourceFile, line);
    state.workingCopy = nullptr;
    g_settingsDialogOpen = false;
}

// The working copy of the module's block and the channel bar it is edited
// with; false when no copy can be had.
bool TakeWorkingCopy(SettingsDialogState& state)
{
    const SettingsDialogClass& dialogClass = *state.dialogClass;
    const ClassDescription& description = DescriptionOf(state);
    state.workingCopy = static_cast<std::uint8_t*>(
        g_host.NewMemAlloc(description.dataSize, dialogClass.sourceFile, dialogClass.allocLine));
    if (!state.workingCopy)
        return false;
    g_settingsDialogOpen = true;
    std::memcpy(state.workingCopy, ModuleSettings(state.module), description.dataSize);
    state.bar = OpenChannelBar(EditedCount(state.module, description.side), description.channelMax,
                               bExperimentIsRunning == 1, reinterpret_cast<ChannelName*>(state.workingCopy));
    return true;
}

void ShowBoardNumber(HWND dialog, const SettingsDialogState& state)
{
    std::uint16_t boardNumber = 0;
    std::memcpy(&boardNumber, state.workingCopy + DescriptionOf(state).boardOffset, sizeof boardNumber);
    SetNumber(dialog, IDC_BOARD_NUMBER, boardNumber);
}

void ShowModuleTexts(HWND dialog, const ModuleRecord* module)
{
    SendDlgItemMessageA(dialog, IDC_CHANNEL_NAME, EM_LIMITTEXT, kChannelNameChars, 0);
    SendDlgItemMessageA(dialog, IDC_MODULE_NAME, EM_LIMITTEXT, kModuleNameChars, 0);
    SendDlgItemMessageA(dialog, IDC_DESCRIPTION, EM_LIMITTEXT, kDescriptionChars, 0);
    ShowBoundedText(dialog, IDC_MODULE_NAME, module->szName, kModuleNameSize);
    ShowBoundedText(dialog, IDC_DESCRIPTION, module->szDescription, kModuleDescriptionSize);
}

BOOL OnInitDialog(HWND dialog, SettingsDialogState& state)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    if (!TakeWorkingCopy(state)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    RefreshChannelBar(dialog, state.bar);
    ShowSelectedChannel(dialog, state.bar);
    DisableListsDuringMeasurement(dialog, *state.dialogClass);
    ShowBoardNumber(dialog, state);
    FillLists(dialog, state);
    ShowModuleTexts(dialog, state.module);
    SetFocus(GetDlgItem(dialog, IDC_MODULE_NAME));
    state.lastFocusedEdit = 0;
    return FALSE;
}

// The module's name, description, settings and channel count change here
// only. A start or stop while the dialog was open may have changed the
// fields it owns; those are taken from the module's block as it is now.
BOOL OnOk(HWND dialog, SettingsDialogState& state)
{
    const SettingsDialogClass& dialogClass = *state.dialogClass;
    const ClassDescription& description = DescriptionOf(state);
    ModuleRecord* module = state.module;
    StoreChannelName(dialog, state.bar);
    ReadField(dialog, IDC_MODULE_NAME, module->szName, kModuleNameSize);
    ReadField(dialog, IDC_DESCRIPTION, module->szDescription, kModuleDescriptionSize);
    std::uint8_t* settings = ModuleSettings(module);
    if (dialogClass.keepRunFields)
        dialogClass.keepRunFields(state.workingCopy, settings);
    std::memcpy(settings, state.workingCopy, description.dataSize);
    FreeWorkingCopy(state, dialogClass.okFreeLine);
    if (description.side == ChannelSide::Outputs)
        g_host.ChangeModuleSize(module, 0, state.bar.count);
    else
        g_host.ChangeModuleSize(module, state.bar.count, 0);
    EndDialog(dialog, 1);
    return TRUE;
}

BOOL OnCancel(HWND dialog, SettingsDialogState& state)
{
    FreeWorkingCopy(state, state.dialogClass->cancelFreeLine);
    EndDialog(dialog, 0);
    return TRUE;
}

// The choice in a list counts once the user closes the opened list.
BOOL OnListCommand(HWND dialog, SettingsDialogState& state, const SettingsList& list, WORD notification)
{
    if (notification == CBN_CLOSEUP) {
        const int selection = static_cast<int>(SendDlgItemMessageA(dialog, list.control, CB_GETCURSEL, 0, 0));
        list.takeSelection(state.workingCopy, selection);
    }
    return FALSE;
}

BOOL OnCommand(HWND dialog, SettingsDialogState& state, WORD control, WORD notification)
{
    switch (control) {
    case IDOK:
        return OnOk(dialog, state);
    case IDCANCEL:
        return OnCancel(dialog, state);
    case IDC_INFO:
        ShowAboutDialog(dialog);
        return TRUE;
    case IDC_LESS:
    case IDC_MORE:
        return ChangeChannelCount(dialog, state, control);
    case IDC_MODULE_NAME:
    case IDC_DESCRIPTION:
    case IDC_CHANNEL_NAME:
        if (notification == EN_SETFOCUS)
            state.lastFocusedEdit = control;
        return FALSE;
    default:
        if (const SettingsList* list = FindList(*state.dialogClass, control))
            return OnListCommand(dialog, state, *list, notification);
        return FALSE;
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog, *reinterpret_cast<SettingsDialogState*>(lParam));
    SettingsDialogState* state = StateOf(dialog);
    if (!state || !state->workingCopy)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return OnCommand(dialog, *state, LOWORD(wParam), HIWORD(wParam));
    case CTLN_PRESS:
        return PressChannel(dialog, *state, reinterpret_cast<HWND>(wParam), lParam);
    case SDM_COPYNAME_IFFOCUSED:
    case SDM_COPYNAME_ALWAYS:
        CopySelectedName(dialog, *state, message);
        return FALSE;
    case WM_DESTROY:
        // ended by someone else than OK or Cancel: the copy goes all the same
        FreeWorkingCopy(*state, state->dialogClass->cancelFreeLine);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

std::uint32_t RunSettingsDialog(const SettingsDialogClass& dialogClass, ModuleRecord* module)
{
    if (g_settingsDialogOpen)
        return 0;
    // The dialog copies the class's block size to and from the module: it
    // must be the module whose class sent the setup message.
    if (CurrentModule() != module) {
        g_host.ShowWarning("エラー", "設定するモジュールがホストの選んでいるモジュールと違います\n設定を開きません");
        return 0;
    }
    HWND owner = HandleFromHost32<HWND>(module->hwndModule);
    SettingsDialogState state{};
    state.dialogClass = &dialogClass;
    state.module = module;
    const INT_PTR result = DialogBoxParamA(g_hInstLibrary, dialogClass.templateName, owner, SettingsDialogProc,
                                           reinterpret_cast<LPARAM>(&state));
    return result == 1 ? 1 : 0;
}
