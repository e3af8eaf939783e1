// A picture of a window as it is on the screen, frame included.
#pragma once

#include <windows.h>

#include <string>

// Repaints the window and its children, then writes it as a 24-bit BMP.
bool SaveWindowPicture(HWND window, const std::string& path);
