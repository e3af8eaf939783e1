#include "StateControl.h"

#include "ControlMessages.h"

std::uint16_t ControlState(HWND control)
{
    return GetWindowWord(control, 0);
}

void SetControlState(HWND control, std::uint16_t state)
{
    SetWindowWord(control, 0, state);
    InvalidateRect(control, nullptr, FALSE);
}

namespace {

// The host's bitmap for `state`; null for a state the host has no bitmap
// for, so that a wrong state set by an owner cannot read past the array.
HBITMAP StateBitmap(HostAddr32 hostBitmaps, unsigned stateCount, std::uint16_t state)
{
    if (hostBitmaps == 0 || state >= stateCount)
        return nullptr;
    return HandleFromHost32<HBITMAP>(FromHost32<const HostAddr32>(hostBitmaps)[state]);
}

void CopyBitmap(HDC target, HBITMAP bitmap)
{
    HDC memory = CreateCompatibleDC(target);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    SetMapMode(memory, GetMapMode(target));
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    POINT extent{size.bmWidth, size.bmHeight};
    DPtoLP(target, &extent, 1);
    BitBlt(target, 0, 0, extent.x, extent.y, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void PaintStateBitmap(HWND control, HostAddr32 hostBitmaps, unsigned stateCount)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(control, &paint);
    if (target) {
        HBITMAP bitmap = StateBitmap(hostBitmaps, stateCount, ControlState(control));
        if (bitmap)
            CopyBitmap(target, bitmap);
    }
    EndPaint(control, &paint);
}

}  // namespace

bool HandleStateControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                               const StateControlKind& kind)
{
    switch (message) {
    case WM_CREATE: {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        MoveWindow(control, creation->x, creation->y, kind.width, kind.height, TRUE);
        return true;
    }
    case WM_PAINT:
        PaintStateBitmap(control, *kind.hostBitmaps, kind.stateCount);
        return true;
    case CTLM_SETSTATE:
        SetControlState(control, LOWORD(wParam));
        return true;
    default:
        return false;
    }
}
