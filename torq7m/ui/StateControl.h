// What the two channel bar controls share: a 16-bit display state in the
// window word, a fixed size in pixels, and painting by copying the host's
// bitmap for the current state.
#pragma once

#include <windows.h>

#include <cstdint>

#include "../host/HostRecords.h"

// The window extra bytes that hold the state.
constexpr int kStateBytes = sizeof(std::uint16_t);

std::uint16_t ControlState(HWND control);
// Stores the state and repaints without erasing.
void SetControlState(HWND control, std::uint16_t state);

// Keeps the position of the creation parameters and takes the fixed size.
void TakeFixedSize(HWND control, const CREATESTRUCTA* creation, int width, int height);

// Copies hostBitmaps[state] (an address of the host's handle array with
// `stateCount` entries) to the top left of the control.
void PaintStateBitmap(HWND control, HostAddr32 hostBitmaps, unsigned stateCount);
