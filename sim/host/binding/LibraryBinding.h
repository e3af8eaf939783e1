// The library and the simulated driver as the host loaded them: their
// modules and the library's entry points.
#pragma once

#include <windows.h>

#include <cstdint>

#include "sim/control/SimTorq7Control.h"

namespace standin {

struct LibraryBinding {
    HMODULE driverModule = nullptr;
    SimTorq7Control driverControl{};

    HMODULE libraryModule = nullptr;
    std::uint32_t(TORQ7_CALL* setupEntry)(HWND) = nullptr;
    std::uint32_t(TORQ7_CALL* finishEntry)(std::uint32_t) = nullptr;
    std::uint32_t(TORQ7_CALL* wepEntry)(std::uint32_t) = nullptr;
    bool setupSucceeded = false;
    bool finished = false;
    unsigned patchedImports = 0;   // clock import entries redirected to the host's clock
};

}  // namespace standin
