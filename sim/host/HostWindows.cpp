// The host's windows and what their messages reach: imports, menu
// commands and the watch over the library's dialogs.
#include "HostWindows.h"

#include "HostRooms.h"

namespace standin {

namespace {

constexpr char kMainClass[] = "StandinHostMain";
constexpr char kModuleClass[] = "StandinHostModule";
constexpr UINT_PTR kDialogPollTimer = 1;
constexpr UINT kDialogPollMilliseconds = 25;

struct MenuBarItem {
    const char* caption;
    UINT firstCommand;
};
constexpr MenuBarItem kMenuBar[] = {
    {"&File", 100}, {"&Edit", 200}, {"&View", 300}, {"&Window", 400}, {"&Help", 500},
};

std::uintptr_t AnswerImport(HostRooms& host, unsigned message, const char* name)
{
    const std::string text = TextOrEmpty(name);
    const std::uintptr_t answer = host.imports.answer(message, text);
    host.log.recordImport(message, text, answer);
    return answer;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HostRooms* host = g_host;
    if (!host)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case kMsgImportVariable:
    case kMsgImportFunction:
        return static_cast<LRESULT>(AnswerImport(*host, message, reinterpret_cast<const char*>(lParam)));
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0)
            host->owner->chooseMenuCommand(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kDialogPollTimer)
            host->dialogs.poll();
        return 0;
    case WM_ENTERIDLE:
        if (wParam == MSGF_DIALOGBOX)
            host->dialogs.onDialog(reinterpret_cast<HWND>(lParam), true);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK ModuleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HostRooms* host = g_host;
    if (host && message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
        host->dialogs.onDialog(reinterpret_cast<HWND>(lParam), true);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterHostClasses(HINSTANCE instance)
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA main{};
    main.lpfnWndProc = MainWindowProc;
    main.hInstance = instance;
    main.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    main.lpszClassName = kMainClass;
    RegisterClassA(&main);
    WNDCLASSA module = main;
    module.lpfnWndProc = ModuleWindowProc;
    module.lpszClassName = kModuleClass;
    RegisterClassA(&module);
    registered = true;
}

}  // namespace

HostWindows::HostWindows() : instance(GetModuleHandleA(nullptr))
{
    RegisterHostClasses(instance);
    main = CreateWindowExA(0, kMainClass, "Standin Host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                           instance, nullptr);
    menu = CreateMenu();
    for (const MenuBarItem& item : kMenuBar) {
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, item.firstCommand, "(host command)");
        AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), item.caption);
    }
    SetMenu(main, menu);
    SetTimer(main, kDialogPollTimer, kDialogPollMilliseconds, nullptr);
}

HostWindows::~HostWindows()
{
    KillTimer(main, kDialogPollTimer);
    DestroyWindow(main);
}

HWND HostWindows::newModuleWindow(const char* title) const
{
    return CreateWindowExA(0, kModuleClass, title, WS_POPUP, 0, 0, 100, 100, main, nullptr, instance, nullptr);
}

}  // namespace standin
