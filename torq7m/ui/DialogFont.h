// The font shared by the settings dialogs, taken from the host when the
// first settings dialog is shown and given back at shut-down.
#pragma once

struct HWND__;

extern void* g_dialogFont;

// Gives the shared font to every child of a settings dialog that is not an
// edit field or a list; the font is made from the dialog's own at the first
// call that can read it.
void ApplyDialogFont(HWND__* dialog);

void ReleaseDialogFont();
