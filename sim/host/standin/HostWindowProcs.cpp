// What the host's windows' messages reach: the symbol import, menu commands
// and the watch over the library's dialogs.
#include "HostRooms.h"

namespace standin {

namespace {

std::uintptr_t AnswerImport(HostRooms& host, unsigned message, const char* name)
{
    const std::string text = TextOrEmpty(name);
    const std::uintptr_t answer = host.imports.answer(message, text);
    host.log.recordImport(message, text, answer);
    return answer;
}

}  // namespace

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

}  // namespace standin
