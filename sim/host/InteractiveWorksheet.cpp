// standin-host.exe --interactive: the host's main window on the screen, as a
// person uses the real host to prepare a worksheet. The vendor popup in the
// menu bar places modules (with the real board selection dialog); the list
// shows the worksheet's modules, and a double click opens a module's real
// settings dialog. Closing the window stores the worksheet.
#include <cstdio>
#include <string>

#include "ProgramModes.h"
#include "torq7m/modules/ClassTable.h"

namespace {

using standin::HostModule;
using standin::StandinHost;

enum ControlId { kHelpText = 100, kModuleList, kSettingsButton, kDeleteButton, kSaveButton };

constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 110;
constexpr char kHelp[] =
    "Place modules from the HALDEN menu. Double-click a module (or choose Settings) to open its settings dialog. "
    "Closing the window stores the worksheet.";

struct Session {
    StandinHost* host = nullptr;
    std::string save;
    HWND main = nullptr;
    HWND list = nullptr;
    HFONT font = nullptr;
    WNDPROC hostProcedure = nullptr;
};

Session g_session;

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

void RefillList()
{
    SendMessageA(g_session.list, LB_RESETCONTENT, 0, 0);
    for (const HostModule* module : g_session.host->modules())
        SendMessageA(g_session.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Describe(*module).c_str()));
}

HostModule* SelectedModule()
{
    const LRESULT index = SendMessageA(g_session.list, LB_GETCURSEL, 0, 0);
    const auto modules = g_session.host->modules();
    return index >= 0 && static_cast<std::size_t>(index) < modules.size() ? modules[index] : nullptr;
}

void OpenSettings()
{
    if (HostModule* module = SelectedModule())
        g_session.host->setupModule(module);
    RefillList();
}

void DeleteSelected()
{
    if (HostModule* module = SelectedModule())
        g_session.host->deleteModule(module);
    RefillList();
}

void SaveWorksheet()
{
    if (g_session.save.empty())
        return;
    const bool saved = g_session.host->saveWorksheet(g_session.save);
    std::printf("worksheet stored in %s: %s\n", g_session.save.c_str(), saved ? "yes" : "FAILED");
}

void LayOut(int width, int height)
{
    const int listTop = kMargin + 2 * kRowHeight;
    const int buttonTop = height - kMargin - kRowHeight;
    MoveWindow(GetDlgItem(g_session.main, kHelpText), kMargin, kMargin, width - 2 * kMargin, 2 * kRowHeight, TRUE);
    MoveWindow(g_session.list, kMargin, listTop, width - 2 * kMargin, buttonTop - kMargin - listTop, TRUE);
    int x = kMargin;
    for (const int id : {kSettingsButton, kDeleteButton, kSaveButton}) {
        MoveWindow(GetDlgItem(g_session.main, id), x, buttonTop, kButtonWidth, kRowHeight, TRUE);
        x += kButtonWidth + kMargin;
    }
}

void OnControl(WORD id, WORD notification)
{
    switch (id) {
    case kModuleList:
        if (notification == LBN_DBLCLK)
            OpenSettings();
        break;
    case kSettingsButton: OpenSettings(); break;
    case kDeleteButton: DeleteSelected(); break;
    case kSaveButton: SaveWorksheet(); break;
    default: break;
    }
}

// Runs in front of the host's own window procedure, which keeps answering
// the library and placing modules from the menu.
LRESULT CALLBACK SessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam != 0) {
            OnControl(LOWORD(wParam), HIWORD(wParam));
            return 0;
        }
        CallWindowProcA(g_session.hostProcedure, window, message, wParam, lParam);
        RefillList();   // a menu command may have placed a module
        return 0;
    case WM_SIZE:
        LayOut(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_CLOSE:
        SaveWorksheet();
        PostQuitMessage(0);
        return 0;
    default:
        return CallWindowProcA(g_session.hostProcedure, window, message, wParam, lParam);
    }
}

void AddChild(const char* className, const char* text, DWORD style, int id)
{
    HWND child = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, g_session.main,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                 nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_session.font), FALSE);
}

void BuildWindow()
{
    g_session.font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
    AddChild("STATIC", kHelp, SS_LEFT, kHelpText);
    AddChild("LISTBOX", "", LBS_NOTIFY | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, kModuleList);
    AddChild("BUTTON", "Settings...", BS_PUSHBUTTON, kSettingsButton);
    AddChild("BUTTON", "Delete", BS_PUSHBUTTON, kDeleteButton);
    AddChild("BUTTON", "Save", BS_PUSHBUTTON, kSaveButton);
    g_session.list = GetDlgItem(g_session.main, kModuleList);
    g_session.hostProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(g_session.main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SessionProc)));
    RECT client{};
    GetClientRect(g_session.main, &client);
    LayOut(client.right, client.bottom);
    RefillList();
}

void TearDownWindow()
{
    ShowWindow(g_session.main, SW_HIDE);
    SetWindowLongPtrA(g_session.main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_session.hostProcedure));
    for (const int id : {kHelpText, kModuleList, kSettingsButton, kDeleteButton, kSaveButton})
        DestroyWindow(GetDlgItem(g_session.main, id));
    DeleteObject(g_session.font);
    g_session = Session{};
}

}  // namespace

int RunInteractive(StandinHost& host, const std::string& save)
{
    host.leaveDialogsToUser();
    g_session.host = &host;
    g_session.save = save;
    g_session.main = host.mainWindow();
    BuildWindow();
    SetWindowTextA(g_session.main, save.empty() ? "Standin Host" : ("Standin Host - " + save).c_str());
    ShowWindow(g_session.main, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    TearDownWindow();
    return 0;
}
