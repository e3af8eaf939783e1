// The host's windows: made, with their menu and the timer of the dialog watch.
#include "HostWindows.h"

namespace standin {

namespace {

constexpr char kMainClass[] = "StandinHostMain";
constexpr char kModuleClass[] = "StandinHostModule";
constexpr UINT kDialogPollMilliseconds = 25;

struct MenuBarItem {
    const char* caption;
    UINT firstCommand;
};
constexpr MenuBarItem kMenuBar[] = {
    {"&File", 100}, {"&Edit", 200}, {"&View", 300}, {"&Window", 400}, {"&Help", 500},
};

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
