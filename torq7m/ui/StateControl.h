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

// What tells the two controls apart in the messages they share.
struct StateControlKind {
    int width;                        // fixed size in pixels
    int height;
    const HostAddr32* hostBitmaps;    // where the address of the host's handle array is kept
    unsigned stateCount;              // entries of that array
};

// Handles creation (fixed size at the given position), painting (the host's
// bitmap of the state) and CTLM_SETSTATE; false for every other message.
bool HandleStateControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                               const StateControlKind& kind);
