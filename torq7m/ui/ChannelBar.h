// The window classes of the channel bar controls used by the settings
// dialogs, registered with the library's own instance at start-up (also
// when the boards could not be set up) and unregistered at shut-down.
#pragma once

void RegisterChannelBarClasses();
void UnregisterChannelBarClasses();
