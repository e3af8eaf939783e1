// Looks up the control functions in a loaded simulated driver.
#pragma once

#include <windows.h>

#include "SimTorq7Control.h"

// Fills every pointer of `out`; false when the driver lacks any of them.
inline bool LoadSimTorq7Control(HMODULE driver, SimTorq7Control* out)
{
    bool complete = true;
#define SIM_TORQ7_LOOK_UP(ret, name, args)                                                     \
    out->name = reinterpret_cast<decltype(out->name)>(                                         \
        reinterpret_cast<void*>(GetProcAddress(driver, #name)));                               \
    complete = complete && out->name != nullptr;
    SIM_TORQ7_CONTROL_FUNCTIONS(SIM_TORQ7_LOOK_UP)
#undef SIM_TORQ7_LOOK_UP
    return complete;
}
