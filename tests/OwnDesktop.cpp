// Every test program works on a desktop of its own. CTest runs programs side
// by side in one Wine prefix and window station; on a shared desktop one
// program's dialogs take the foreground, and with it the keyboard focus, from
// another's, and windows looked up by class would see each other.
#include <windows.h>

#include <string>

namespace {

struct OwnDesktop {
    OwnDesktop()
    {
        // Wine hands out process ids again at once, and closes a desktop only
        // a moment after its last program ended: the name carries the time too.
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const std::string name =
            "torq7-tests-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(now.QuadPart);
        desktop = CreateDesktopA(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        if (desktop)
            SetThreadDesktop(desktop);
    }
    ~OwnDesktop()
    {
        if (desktop)
            CloseDesktop(desktop);
    }
    HDESK desktop = nullptr;
};

// Made before main, while the thread has no window yet.
const OwnDesktop ownDesktop;

}  // namespace
