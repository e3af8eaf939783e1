// standin-host.exe --interactive: the host's main window, where a person prepares a worksheet with the real dialogs.
#include <windows.h>

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ProgramModes.h"
#include "sim/host/storage/StoredBoards.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
#include "torq7m/modules/ClassTable.h"

namespace {

using standin::BoardProfile;
using standin::HostModule;
using standin::StandinHost;

enum ControlId { kHelpText = 100, kModuleList, kSettingsButton, kDeleteButton, kSaveButton };
constexpr int kChildren[] = {kHelpText, kModuleList, kSettingsButton, kDeleteButton, kSaveButton};

constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 110;
constexpr char kSessionProperty[] = "StandinHostSession";
constexpr char kProgramTitle[] = "Standin Host";
constexpr char kUntitled[] = "Untitled";
constexpr char kHelp[] =
    "Place modules from the HALDEN menu. Double-click a module (or choose Settings) to open its settings dialog. "
    "Save stores the worksheet and its boards; a * in the title marks changes not yet saved.";

// The window's state, kept with the host's main window as a property.
struct Session {
    StandinHost* host = nullptr;
    BoardProfile boards;   // the boards this session offers, stored beside the worksheet
    std::string save;      // where the worksheet goes; empty until the user names a file
    std::string boardRead;    // the board profile the session read
    bool boardsKept = false;  // it offers those boards as read: that file need not be stored again
    bool overwrite = false;   // files this session did not write may be replaced
    bool boardsStored = false;   // the boards went beside the worksheet in this session
    bool inSettings = false;  // a module's settings dialog is open
    bool changed = false;
    HWND main = nullptr;
    HWND list = nullptr;
    HFONT font = nullptr;
    WNDPROC hostProcedure = nullptr;
    HHOOK placement = nullptr;
};

Session* SessionOf(HWND window)
{
    return static_cast<Session*>(GetPropA(window, kSessionProperty));
}

// What a change through a module's settings dialog can touch.
struct ModuleSnapshot {
    std::string name;
    unsigned inputs = 0;
    unsigned outputs = 0;
    std::vector<char> data;
};

ModuleSnapshot Snapshot(const HostModule& module)
{
    const char* data = static_cast<const char*>(module.data());
    return {module.name(), module.inputs(), module.outputs(),
            data ? std::vector<char>(data, data + module.dataSize()) : std::vector<char>()};
}

bool operator==(const ModuleSnapshot& a, const ModuleSnapshot& b)
{
    return a.name == b.name && a.inputs == b.inputs && a.outputs == b.outputs && a.data == b.data;
}

std::string FileName(const std::string& path)
{
    return path.empty() ? kUntitled : path.substr(standin::NameStart(path));
}

void ShowTitle(const Session& s)
{
    const std::string title = std::string(kProgramTitle) + " - " + FileName(s.save) + (s.changed ? " *" : "");
    SetWindowTextA(s.main, title.c_str());
}

void MarkChanged(Session& s, bool changed)
{
    s.changed = s.changed || changed;
    ShowTitle(s);
}

std::string Describe(const HostModule& module)
{
    unsigned board = 0xFFFF;
    const ClassDescription* row = FindClass(module.className().c_str());
    if (row && module.data())
        board = *reinterpret_cast<const std::uint16_t*>(static_cast<const char*>(module.data()) + row->boardOffset);
    char line[160];
    std::snprintf(line, sizeof line, "%-14s %-8s  inputs %u  outputs %u  board %u", module.name().c_str(),
                  module.className().c_str(), module.inputs(), module.outputs(), board);
    return line;
}

void RefillList(const Session& s)
{
    SendMessageA(s.list, LB_RESETCONTENT, 0, 0);
    for (const HostModule* module : s.host->modules())
        SendMessageA(s.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Describe(*module).c_str()));
}

HostModule* SelectedModule(const Session& s)
{
    const LRESULT index = SendMessageA(s.list, LB_GETCURSEL, 0, 0);
    const auto modules = s.host->modules();
    return index >= 0 && static_cast<std::size_t>(index) < modules.size() ? modules[index] : nullptr;
}

// The window takes no input while the dialog is open, so that nothing
// deletes or replaces the module under it.
void OpenSettings(Session& s)
{
    HostModule* module = SelectedModule(s);
    if (!module || s.inSettings)
        return;
    const ModuleSnapshot before = Snapshot(*module);
    s.inSettings = true;
    EnableWindow(s.main, FALSE);
    s.host->setupModule(module);
    EnableWindow(s.main, TRUE);
    s.inSettings = false;
    MarkChanged(s, !(Snapshot(*module) == before));
    RefillList(s);
}

// Messages are UTF-8 for the console; a window shows code page 932.
void ShowProblem(const Session& s, const std::string& utf8, UINT icon)
{
    std::string shown;
    if (!standin::Utf8ToCp932(utf8, &shown))
        shown = utf8;
    MessageBoxA(s.main, shown.c_str(), kProgramTitle, MB_OK | icon);
}

void DeleteSelected(Session& s)
{
    if (s.inSettings) {
        ShowProblem(s, "A settings dialog is open: close it before deleting a module.", MB_ICONWARNING);
        return;
    }
    HostModule* module = SelectedModule(s);
    if (!module)
        return;
    s.host->deleteModule(module);
    MarkChanged(s, true);
    RefillList(s);
}

// The user names the worksheet's file; false when they cancel.
bool AskFileName(Session& s)
{
    char file[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = s.main;
    dialog.lpstrFilter = "Worksheets (*.toml)\0*.toml\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = "Save the worksheet as";
    dialog.lpstrDefExt = "toml";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog))
        return false;
    s.save = file;
    return true;
}

// Stores the worksheet and, beside it, the boards it was prepared with, so
// that a later run lays out the same boards; the profile the session read
// and offers as it is stays as written. A file this session did not write
// is replaced only when asked (--overwrite). False when nothing was stored.
bool Save(Session& s)
{
    const bool named = s.save.empty();
    if (named && !AskFileName(s))
        return false;
    const std::string profile = standin::ProfileBeside(s.save);
    const std::string replaced =
        s.overwrite || s.boardsStored ? std::string() : standin::SaveReplaces(s.save, s.boardRead, s.boardsKept);
    if (!replaced.empty()) {
        std::printf("the worksheet was not stored: %s\n", replaced.c_str());
        ShowProblem(s, "The worksheet was not stored: " + replaced + ".\nStore it under another name.", MB_ICONERROR);
        if (named)
            s.save.clear();
        return false;
    }
    const bool storeBoards = !s.boardsKept || !standin::SameFile(profile, s.boardRead);
    std::string problem;
    if (!s.host->saveWorksheet(s.save, &problem) ||
        (storeBoards && !standin::WriteBoardProfile(profile, s.boards, &problem))) {
        std::printf("the worksheet could not be stored: %s\n", problem.c_str());
        ShowProblem(s, "The worksheet could not be stored:\n" + problem, MB_ICONERROR);
        return false;
    }
    s.boardsStored = s.boardsStored || storeBoards;
    std::printf("worksheet stored in %s, its boards in %s\n", s.save.c_str(), profile.c_str());
    s.changed = false;
    ShowTitle(s);
    return true;
}

// Closing with changes asks first; Cancel, or a save that did not happen,
// keeps the window open.
void OnClose(Session& s)
{
    if (s.changed) {
        const std::string question =
            s.save.empty() ? "The worksheet has not been saved. Save it before closing? (Yes asks for a file name)"
                           : "Save the changes to " + FileName(s.save) + " before closing?";
        const int answer = MessageBoxA(s.main, question.c_str(), kProgramTitle, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL || (answer == IDYES && !Save(s)))
            return;
    }
    PostQuitMessage(0);
}

void LayOut(const Session& s, int width, int height)
{
    const int listTop = kMargin + 2 * kRowHeight;
    const int buttonTop = height - kMargin - kRowHeight;
    MoveWindow(GetDlgItem(s.main, kHelpText), kMargin, kMargin, width - 2 * kMargin, 2 * kRowHeight, TRUE);
    MoveWindow(s.list, kMargin, listTop, width - 2 * kMargin, buttonTop - kMargin - listTop, TRUE);
    int x = kMargin;
    for (const int id : {kSettingsButton, kDeleteButton, kSaveButton}) {
        MoveWindow(GetDlgItem(s.main, id), x, buttonTop, kButtonWidth, kRowHeight, TRUE);
        x += kButtonWidth + kMargin;
    }
}

void OnControl(Session& s, WORD id, WORD notification)
{
    switch (id) {
    case kModuleList:
        if (notification == LBN_DBLCLK)
            OpenSettings(s);
        break;
    case kSettingsButton: OpenSettings(s); break;
    case kDeleteButton: DeleteSelected(s); break;
    case kSaveButton: Save(s); break;
    default: break;
    }
}

// A menu command goes to the host's own window procedure, which places a
// module of the class it names.
void OnMenu(Session& s, WPARAM wParam, LPARAM lParam)
{
    const std::vector<HostModule*> before = s.host->modules();
    CallWindowProcA(s.hostProcedure, s.main, WM_COMMAND, wParam, lParam);
    MarkChanged(s, s.host->modules() != before);
    RefillList(s);
}

// Runs in front of the host's own window procedure, which keeps answering
// the library.
LRESULT CALLBACK SessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Session& s = *SessionOf(window);
    switch (message) {
    case WM_COMMAND:
        if (lParam != 0)
            OnControl(s, LOWORD(wParam), HIWORD(wParam));
        else
            OnMenu(s, wParam, lParam);
        return 0;
    case WM_SIZE: LayOut(s, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_CLOSE: OnClose(s); return 0;
    default: return CallWindowProcA(s.hostProcedure, window, message, wParam, lParam);
    }
}

bool Inside(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

// A module's window owns the library's dialogs: a hidden popup at the
// screen's corner, which a dialog template without a place of its own is
// placed against. Such a dialog of this session is centred over the host's
// window once it is set up, before it shows.
LRESULT CALLBACK PlaceDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT& call = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    HWND owner = code == HC_ACTION && call.message == WM_INITDIALOG ? GetWindow(call.hwnd, GW_OWNER) : nullptr;
    HWND host = owner ? GetWindow(owner, GW_OWNER) : nullptr;
    RECT hostBox{};
    RECT box{};
    if (host && SessionOf(host) && GetWindowRect(host, &hostBox) && GetWindowRect(call.hwnd, &box) &&
        !Inside(hostBox, box)) {
        RECT client{};
        GetClientRect(host, &client);
        POINT centre{client.right / 2, client.bottom / 2};
        ClientToScreen(host, &centre);
        SetWindowPos(call.hwnd, nullptr, centre.x - (box.right - box.left) / 2,
                     centre.y - (box.bottom - box.top) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The window opens in the middle of the screen's work area.
void CentreOnScreen(HWND window)
{
    RECT area{};
    RECT box{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    MoveWindow(window, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, width, height, FALSE);
}

void AddChild(const Session& s, const char* className, const char* text, DWORD style, int id)
{
    HWND child = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, s.main,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                 nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
}

void BuildWindow(Session& s)
{
    s.font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
    AddChild(s, "STATIC", kHelp, SS_LEFT, kHelpText);
    AddChild(s, "LISTBOX", "", LBS_NOTIFY | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, kModuleList);
    AddChild(s, "BUTTON", "Settings...", BS_PUSHBUTTON, kSettingsButton);
    AddChild(s, "BUTTON", "Delete", BS_PUSHBUTTON, kDeleteButton);
    AddChild(s, "BUTTON", "Save", BS_PUSHBUTTON, kSaveButton);
    s.list = GetDlgItem(s.main, kModuleList);
    SetPropA(s.main, kSessionProperty, &s);
    s.hostProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(s.main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SessionProc)));
    s.placement = SetWindowsHookExA(WH_CALLWNDPROCRET, PlaceDialogs, nullptr, GetCurrentThreadId());
    CentreOnScreen(s.main);
    RECT client{};
    GetClientRect(s.main, &client);
    LayOut(s, client.right, client.bottom);
    RefillList(s);
    ShowTitle(s);
}

void TearDownWindow(Session& s)
{
    ShowWindow(s.main, SW_HIDE);
    UnhookWindowsHookEx(s.placement);
    SetWindowLongPtrA(s.main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s.hostProcedure));
    RemovePropA(s.main, kSessionProperty);
    for (const int id : kChildren)
        DestroyWindow(GetDlgItem(s.main, id));
    DeleteObject(s.font);
}

}  // namespace

int RunInteractive(StandinHost& host, const SessionFiles& files, const BoardProfile& boards)
{
    host.leaveDialogsToUser();
    Session session;
    session.host = &host;
    session.boards = boards;
    session.save = files.save;
    session.boardRead = files.boardRead;
    session.boardsKept = files.boardsKept;
    session.overwrite = files.overwrite;
    session.main = host.mainWindow();
    BuildWindow(session);
    ShowWindow(session.main, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    TearDownWindow(session);
    return 0;
}
