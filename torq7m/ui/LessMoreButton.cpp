#include "LessMoreButton.h"

#include "../host/HostImport.h"
#include "../res/resource.h"
#include "ControlMessages.h"
#include "StateControl.h"

namespace {

constexpr StateControlKind kKind = {kLessMoreButtonWidth, kLessMoreButtonHeight, &g_hostVars.hBitLessMore,
                                     kLessMoreButtonStates};


// Every state from the add arrow's first one upward counts as the add arrow.
bool IsAddArrow(std::uint16_t state)
{
    return state >= ARROW_MORE_DISABLED;
}

bool IsDisabled(std::uint16_t state)
{
    return state == ARROW_LESS_DISABLED || state == ARROW_MORE_DISABLED;
}

void ShowState(HWND control, std::uint16_t state)
{
    SetControlState(control, state);
    UpdateWindow(control);
}

void OnPress(HWND control)
{
    const std::uint16_t state = ControlState(control);
    if (IsDisabled(state))
        return;
    ShowState(control, IsAddArrow(state) ? ARROW_MORE_HELD : ARROW_LESS_HELD);
    SetCapture(control);
}

// A release counts wherever the mouse is, as long as this arrow took the
// capture with its press.
void OnRelease(HWND control)
{
    if (GetCapture() != control)
        return;
    ReleaseCapture();
    const std::uint16_t state = ControlState(control);
    if (IsDisabled(state))
        return;
    const bool add = IsAddArrow(state);
    ShowState(control, add ? ARROW_MORE_ENABLED : ARROW_LESS_ENABLED);
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(add ? IDC_MORE : IDC_LESS, 0), 0);
}

}  // namespace

LRESULT CALLBACK LessMoreButtonProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        OnPress(control);
        return 0;
    case WM_LBUTTONUP:
        OnRelease(control);
        return 0;
    default:
        if (HandleStateControlMessage(control, message, wParam, lParam, kKind))
            return 0;
        return DefWindowProcA(control, message, wParam, lParam);
    }
}
