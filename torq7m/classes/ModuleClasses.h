// The four module classes: registration with the host and message dispatch,
// the one place where a module's handlers meet its settings dialog and the
// board selection dialog.
#pragma once

// Registers digital input, digital output, analog output and analog input,
// in this order.
void RegisterModuleClasses();
// Deletes the class bitmaps loaded at registration; the host draws with them
// until the library is finished.
void ReleaseClassBitmaps();
