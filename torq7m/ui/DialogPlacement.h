// Where the settings dialogs open: over the centre of the host's main
// window, and never beyond the screen's right or bottom edge nor above or
// left of its origin.
#pragma once

struct HWND__;

// Moves the dialog without repainting it, keeping its size.
void CentreOverHostWindow(HWND__* dialog);
