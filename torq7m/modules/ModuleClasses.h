// The four module classes: registration with the host and message dispatch.
#pragma once

// Registers digital input, digital output, analog output and analog input,
// in this order.
void RegisterModuleClasses();
