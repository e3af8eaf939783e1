#include "DialogPlacement.h"

#include <windows.h>

#include <cstdint>

#include "../host/HostImport.h"

namespace {

// The centre of the host's main window's client area on the screen, or of
// the desktop without a host window. The host reads the screen position in
// 16 bits.
POINT HostCentre()
{
    RECT area{};
    if (g_hwndHostMain && IsWindow(g_hwndHostMain)) {
        GetClientRect(g_hwndHostMain, &area);
        POINT centre{area.right / 2, area.bottom / 2};
        ClientToScreen(g_hwndHostMain, &centre);
        return {static_cast<std::int16_t>(centre.x), static_cast<std::int16_t>(centre.y)};
    }
    GetWindowRect(GetDesktopWindow(), &area);
    return {(area.right - area.left) / 2, (area.bottom - area.top) / 2};
}

// The start of a span of `size` around `centre`, kept inside 0 to `limit`
// where it fits and at 0 where it does not.
int Clamped(int centre, int size, int limit)
{
    int start = centre - size / 2;
    if (start + size > limit)
        start = limit - size;
    return start < 0 ? 0 : start;
}

}  // namespace

void CentreOverHostWindow(HWND dialog)
{
    RECT box{};
    GetWindowRect(dialog, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    const POINT centre = HostCentre();
    MoveWindow(dialog, Clamped(centre.x, width, GetSystemMetrics(SM_CXSCREEN)),
               Clamped(centre.y, height, GetSystemMetrics(SM_CYSCREEN)), width, height, FALSE);
}
