// The hidden window to which the driver sends its notices about buffered
// sampling.
#pragma once

struct HWND__;

extern HWND__* g_hwndEvent;

int CreateEventWindow();
// Destroys the window and unregisters its class, so that neither outlives
// the library.
void DestroyEventWindow();
