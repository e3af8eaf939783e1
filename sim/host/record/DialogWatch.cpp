// Watching the library's modal dialogs on the host's window thread.
#include "DialogWatch.h"

#include <cstring>
#include <vector>

namespace standin {

namespace {

constexpr char kDialogClass[] = "#32770";
// A dialog still open this long after it appeared has been forgotten by its test.
constexpr DWORD kDialogWatchdogMilliseconds = 10000;

BOOL CALLBACK CollectDialog(HWND window, LPARAM found)
{
    char name[16];
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) && std::strcmp(name, kDialogClass) == 0)
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

}  // namespace

// A dialog is new at its first idle message (or when the poll finds it, for
// dialogs whose owner is not a host window): the next queued action runs
// once for it. The idle hook sees every idle message of module dialogs.
void DialogWatch::onDialog(HWND dialog, bool fromIdle)
{
    if (open.emplace(dialog, GetTickCount()).second) {
        ++seen;
        if (!actions.empty()) {
            const std::function<void(HWND)> action = std::move(actions.front());
            actions.pop_front();
            action(dialog);
        } else if (!idleHook && !forUser) {
            log.fail("a dialog opened with nothing to answer it; it is cancelled");
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }
    if (fromIdle && idleHook && IsWindow(dialog))
        idleHook(dialog);
}

void DialogWatch::poll()
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
    for (HWND dialog : found) {
        if (open.count(dialog) == 0)
            onDialog(dialog, false);
    }
    const DWORD now = GetTickCount();
    for (auto it = open.begin(); it != open.end();) {
        if (!IsWindow(it->first)) {
            it = open.erase(it);
            continue;
        }
        if (!forUser && now - it->second >= kDialogWatchdogMilliseconds) {
            HWND dialog = it->first;
            it->second = now;
            log.fail("a dialog was left open for 10 s; it is ended");
            EndDialog(dialog, IDCANCEL);
        }
        ++it;
    }
}

}  // namespace standin
