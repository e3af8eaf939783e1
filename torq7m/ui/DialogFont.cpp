#include "DialogFont.h"

#include "../host/HostImport.h"

void* g_dialogFont;

void ReleaseDialogFont()
{
    if (g_dialogFont) {
        g_host.DeleteStackedObject(g_dialogFont);
        g_dialogFont = nullptr;
    }
}
