#include "ChannelBar.h"

#include <windows.h>

#include "../host/LibraryInstance.h"
#include "ChannelButton.h"
#include "LessMoreButton.h"
#include "StateControl.h"

namespace {

struct ControlClass {
    const char* name;
    WNDPROC procedure;
    UINT style;
};

// The channel tab reports double clicks; the arrows take two quick clicks
// as two clicks.
constexpr ControlClass kControlClasses[] = {
    {kChannelButtonClass, ChannelButtonProc, CS_DBLCLKS},
    {kLessMoreButtonClass, LessMoreButtonProc, 0},
};

}  // namespace

void RegisterChannelBarClasses()
{
    for (const ControlClass& control : kControlClasses) {
        WNDCLASSA windowClass{};
        windowClass.style = control.style;
        windowClass.lpfnWndProc = control.procedure;
        windowClass.cbWndExtra = kStateBytes;
        windowClass.hInstance = g_hInstLibrary;
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
        windowClass.lpszClassName = control.name;
        RegisterClassA(&windowClass);
    }
}

void UnregisterChannelBarClasses()
{
    for (const ControlClass& control : kControlClasses)
        UnregisterClassA(control.name, g_hInstLibrary);
}
