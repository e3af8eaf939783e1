// The window classes of the channel bar controls used by the settings
// dialogs. They are registered and unregistered with the library's
// start-up and shut-down; the controls arrive with the settings dialogs.
#pragma once

void RegisterChannelBarClasses();
void UnregisterChannelBarClasses();
