// The host's windows: the hidden main window that answers the symbol import
// and carries the main menu, the module windows that own the library's
// dialogs, and the host objects whose handles the import hands out.
#include <cstring>

#include "HostArena.h"
#include "HostBitmaps.h"
#include "HostState.h"

namespace standin {

StandinHost::State* g_host = nullptr;

namespace {

constexpr char kMainClass[] = "StandinHostMain";
constexpr char kModuleClass[] = "StandinHostModule";
constexpr UINT_PTR kDialogPollTimer = 1;
constexpr UINT kDialogPollMilliseconds = 25;
constexpr std::size_t kHostAreaSize = 64;

struct MenuBarItem {
    const char* caption;
    UINT firstCommand;
};
constexpr MenuBarItem kMenuBar[] = {
    {"&File", 100}, {"&Edit", 200}, {"&View", 300}, {"&Window", 400}, {"&Help", 500},
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_host)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case kMsgImportVariable:
    case kMsgImportFunction:
        return static_cast<LRESULT>(g_host->answerImport(message, reinterpret_cast<const char*>(lParam)));
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0)
            g_host->owner->chooseMenuCommand(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kDialogPollTimer)
            g_host->dialogs.poll();
        return 0;
    case WM_ENTERIDLE:
        if (wParam == MSGF_DIALOGBOX)
            g_host->dialogs.onDialog(reinterpret_cast<HWND>(lParam), true);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK ModuleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_host && message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
        g_host->dialogs.onDialog(reinterpret_cast<HWND>(lParam), true);
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

StandinHost::State::State(StandinHost* owner) : owner(owner), instance(GetModuleHandleA(nullptr))
{
    RegisterHostClasses(instance);
    mainWindow = CreateWindowExA(0, kMainClass, "Standin Host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                 nullptr, instance, nullptr);
    mainMenu = CreateMenu();
    for (const MenuBarItem& item : kMenuBar) {
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, item.firstCommand, "(host command)");
        AppendMenuA(mainMenu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), item.caption);
    }
    SetMenu(mainWindow, mainMenu);
    createHostObjects();
    SetTimer(mainWindow, kDialogPollTimer, kDialogPollMilliseconds, nullptr);
    g_host = this;
}

StandinHost::State::~State()
{
    g_host = nullptr;
    KillTimer(mainWindow, kDialogPollTimer);
    destroyHostObjects();
    DestroyWindow(mainWindow);   // takes the main menu with it
}

void StandinHost::State::createHostObjects()
{
    const auto text = [this](const char* value) {
        const std::size_t size = std::strlen(value) + 1;
        void* copy = ArenaAllocate(size);
        std::memcpy(copy, value, size);
        hostAreas.push_back(copy);
        return reinterpret_cast<std::uintptr_t>(copy);
    };
    const auto area = [this](std::size_t size) {
        void* block = ArenaAllocate(size);
        hostAreas.push_back(block);
        return block;
    };
    const auto bitmaps = [this, &area](HBITMAP (*make)(unsigned state), unsigned count) {
        auto* handles = static_cast<HostAddr32*>(area(sizeof(HostAddr32) * count));
        for (unsigned state = 0; state < count; ++state) {
            HBITMAP bitmap = make(state);
            gdiObjects.push_back(bitmap);
            handles[state] = HandleToHost32(bitmap);
        }
        return reinterpret_cast<std::uintptr_t>(handles);
    };
    const auto gdi = [this](HGDIOBJ object) {
        gdiObjects.push_back(object);
        return static_cast<std::uintptr_t>(HandleToHost32(object));
    };
    for (const HostVariableName& variable : kHostVariables) {
        std::uintptr_t value = 0;
        switch (variable.kind) {
        case VariableKind::Value: value = variable.value; break;
        case VariableKind::Area: value = reinterpret_cast<std::uintptr_t>(area(kHostAreaSize)); break;
        case VariableKind::Text: value = text(variable.text); break;
        case VariableKind::Instance: value = HandleToHost32(instance); break;
        case VariableKind::MainMenu: value = HandleToHost32(mainMenu); break;
        case VariableKind::ChannelBitmaps:
            value = bitmaps(MakeChannelBitmap, kChannelBitmapStates);
            break;
        case VariableKind::LessMoreBitmaps:
            value = bitmaps(MakeLessMoreBitmap, kLessMoreBitmapStates);
            break;
        case VariableKind::CurrentModulePtr:
            currentModulePtr = static_cast<HostAddr32*>(area(sizeof(HostAddr32)));
            value = reinterpret_cast<std::uintptr_t>(currentModulePtr);
            break;
        case VariableKind::Pen: value = gdi(CreatePen(PS_SOLID, 1, variable.value)); break;
        case VariableKind::Brush: value = gdi(CreateSolidBrush(variable.value)); break;
        }
        variableValues.push_back(value);
    }
}

void StandinHost::State::destroyHostObjects()
{
    for (HGDIOBJ object : gdiObjects)
        DeleteObject(object);
    gdiObjects.clear();
    for (void* block : hostAreas)
        ArenaFree(block);
    hostAreas.clear();
    currentModulePtr = nullptr;
}

std::uintptr_t StandinHost::State::answerImport(unsigned message, const char* name)
{
    const std::string text = TextOrEmpty(name);
    std::uintptr_t answer = 0;
    std::lock_guard<std::mutex> lock(log.mutex);
    if (message == kMsgImportVariable) {
        const auto chosen = variableOverrides.find(text);
        for (std::size_t i = 0; i < kHostVariableCount; ++i) {
            if (text == kHostVariables[i].name)
                answer = variableValues[i];
        }
        if (chosen != variableOverrides.end())
            answer = chosen->second;
    } else {
        const auto chosen = functionOverrides.find(text);
        for (std::size_t i = 0; i < kHostFunctionCount; ++i) {
            if (text == kHostFunctionNames[i])
                answer = HostFunctionAddress(i);
        }
        if (chosen != functionOverrides.end())
            answer = chosen->second;
    }
    log.imports.push_back({nextSeq(), message, text, answer});
    return answer;
}

}  // namespace standin
