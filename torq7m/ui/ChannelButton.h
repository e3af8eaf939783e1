// The channel tab of the settings dialogs' channel bar, window class
// "DUD:CONTROLKANAL": shows the host's channel bitmap for its state and
// reports presses, releases and double clicks to its parent.
#pragma once

#include <windows.h>

constexpr char kChannelButtonClass[] = "DUD:CONTROLKANAL";
constexpr int kChannelButtonWidth = 22;
constexpr int kChannelButtonHeight = 30;
// Bitmaps in the host's hBitChannel array: 0 initial, 1 selected,
// 2 present, 3 absent.
constexpr unsigned kChannelButtonStates = 4;

LRESULT CALLBACK ChannelButtonProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
