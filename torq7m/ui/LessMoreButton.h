// The remove and add arrows of the settings dialogs' channel bar, window
// class "DUD:CONTROLLESSMORE": shows the host's arrow bitmap for its state
// and, after a press and a release, sends the parent the command of its
// arrow.
#pragma once

#include <windows.h>

constexpr char kLessMoreButtonClass[] = "DUD:CONTROLLESSMORE";
constexpr int kLessMoreButtonWidth = 24;
constexpr int kLessMoreButtonHeight = 32;
// Bitmaps in the host's hBitLessMore array: remove arrow disabled, enabled,
// held down (0 to 2); add arrow disabled, enabled, held down (3 to 5).
constexpr unsigned kLessMoreButtonStates = 6;

LRESULT CALLBACK LessMoreButtonProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
