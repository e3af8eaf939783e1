#include "ChannelButton.h"

#include "../host/HostImport.h"
#include "../host/LibraryVariables.h"
#include "ControlMessages.h"
#include "StateControl.h"

namespace {

constexpr StateControlKind kKind = {kChannelButtonWidth, kChannelButtonHeight, &g_hostVars.hBitChannel,
                                     kChannelButtonStates};


// Sent, not posted: the dialog has acted on it before the control goes on.
void Notify(HWND control, UINT notification)
{
    SendMessageA(GetParent(control), notification, reinterpret_cast<WPARAM>(control), ControlState(control));
}

// The channels cannot be edited while a measurement runs, so double clicks
// are not reported then.
void NotifyDoubleClick(HWND control, UINT notification)
{
    if (bExperimentIsRunning == 0)
        Notify(control, notification);
}

void Deselect(HWND control)
{
    if (ControlState(control) == TAB_SELECTED)
        SetControlState(control, TAB_PRESENT);
}

}  // namespace

LRESULT CALLBACK ChannelButtonProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case CTLM_DESELECT:
        Deselect(control);
        return 0;
    case WM_LBUTTONDOWN:
        Notify(control, CTLN_PRESS);
        return 0;
    case WM_LBUTTONUP:
        Notify(control, CTLN_RELEASE);
        return 0;
    case WM_LBUTTONDBLCLK:
        NotifyDoubleClick(control, CTLN_DOUBLECLICK);
        return 0;
    case WM_RBUTTONDBLCLK:
        NotifyDoubleClick(control, CTLN_RIGHTDOUBLECLICK);
        return 0;
    default:
        if (HandleStateControlMessage(control, message, wParam, lParam, kKind))
            return 0;
        return DefWindowProcA(control, message, wParam, lParam);
    }
}
