// The font shared by the settings dialogs, taken from the host when the
// first settings dialog is shown and given back at shut-down.
#pragma once

extern void* g_dialogFont;

void ReleaseDialogFont();
