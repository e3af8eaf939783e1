#include "EventWindow.h"

#include <windows.h>

#include "../host/HostImport.h"
#include "../host/LibraryVariables.h"
#include "DriverTypes.h"

HWND g_hwndEvent;

namespace {

constexpr char kEventClassName[] = "TORQ7GETMSG";
constexpr char kEventWindowTitle[] = "GETMSG";
constexpr int kEventWindowExtraBytes = 4;

struct DriverNotice {
    UINT message;
    const char* warning;   // null: the notice is acknowledged and ignored
};

constexpr DriverNotice kDriverNotices[] = {
    {kMsgDriverNotice1, nullptr},
    {kMsgDriverNotice2, nullptr},
    {kMsgBufferOverflow, "バッファオーバーフロー"},
    {kMsgBufferOverrun, "バッファオーバーラン"},
};

bool g_classRegistered;

HINSTANCE HostInstance()
{
    return HandleFromHost32<HINSTANCE>(g_hostVars.hInstVireo);
}

// The notice does not say which board it concerns: any running measurement
// is stopped.
void ReportSamplingTrouble(const char* warning)
{
    if (bExperimentIsRunning == 1)
        g_host.StopExperiment();
    g_host.ShowWarning("Torq-Q7", warning);
}

LRESULT CALLBACK EventWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const DriverNotice& notice : kDriverNotices) {
        if (notice.message == message) {
            if (notice.warning)
                ReportSamplingTrouble(notice.warning);
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int CreateEventWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_NOCLOSE | CS_DBLCLKS;
    windowClass.lpfnWndProc = EventWindowProc;
    windowClass.cbWndExtra = kEventWindowExtraBytes;
    windowClass.hInstance = HostInstance();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kEventClassName;
    if (!RegisterClassA(&windowClass))
        return 0;
    g_classRegistered = true;
    g_hwndEvent = CreateWindowExA(0, kEventClassName, kEventWindowTitle, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, g_hwndHostMain, nullptr, HostInstance(), nullptr);
    return g_hwndEvent != nullptr;
}

void DestroyEventWindow()
{
    if (g_hwndEvent) {
        DestroyWindow(g_hwndEvent);
        g_hwndEvent = nullptr;
    }
    if (g_classRegistered) {
        UnregisterClassA(kEventClassName, HostInstance());
        g_classRegistered = false;
    }
}
