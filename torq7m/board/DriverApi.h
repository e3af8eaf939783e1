// Binding of the board's driver torq7.dll, loaded at run time. Every entry
// point is called through a wrapper that calls it only while the driver is
// loaded and bound, and otherwise returns the not-loaded value (0, or -1 for
// Torq7GetLastError) without touching anything.
#pragma once

#include <cstdint>

#include "DriverTypes.h"

int LoadDriverLibrary();
int UnloadDriverLibrary();

// One wrapper per entry point, Torq7GetVersion included, with the entry
// point's name.
#define TORQ7_DECLARE_WRAPPER(name, result, params, wrapperParams, args, notLoaded) result Torq7##name wrapperParams;
TORQ7_DRIVER_ENTRIES(TORQ7_DECLARE_WRAPPER)
#undef TORQ7_DECLARE_WRAPPER

// Port access kinds of BoardPortAccess.
constexpr std::uint8_t kPortRead = 2;
constexpr std::uint8_t kPortWrite = 3;

// The port access belongs to the library alone (PortAccess.cpp), as it
// reads the host's measurement flag. Its lock serialises every port access
// with its test of whether a measurement runs; the board table creates and
// deletes it.
void CreatePortLock();
void DeletePortLock();

// Reads (kPortRead) or writes (kPortWrite) the board's port while a
// measurement runs; otherwise, and for any other kind, does nothing and
// returns 1.
std::int32_t BoardPortAccess(std::uint16_t board, std::uint8_t kind, std::uint8_t* value);
