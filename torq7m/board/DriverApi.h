// Binding of the board's driver torq7.dll, loaded at run time. Every entry
// point is called through a wrapper that calls it only while the driver is
// loaded and bound, and otherwise returns the not-loaded value (0, or -1 for
// Torq7GetLastError) without touching anything.
#pragma once

#include <cstdint>

#include "DriverTypes.h"

int LoadDriverLibrary();
int UnloadDriverLibrary();

std::int32_t Torq7Create(std::uint32_t* slotOrBoard, HWND__* notifyWindow, std::uint32_t messageBase,
                         std::uint32_t reserved);
std::int32_t Torq7Close(std::uint32_t board);
std::int32_t Torq7GetResource(std::uint32_t board, ResourceRecord* resource);
std::int32_t Torq7GetSwitchValue(std::uint32_t board, std::uint32_t* value);
std::int32_t Torq7SetMode(std::uint32_t board, SamplingMode* mode);
std::int32_t Torq7StartSampling(std::uint32_t board);
std::int32_t Torq7StopSampling(std::uint32_t board);
std::int32_t Torq7GetSamplingStatus(std::uint32_t board, std::uint32_t* ready, std::uint32_t* other);
std::int32_t Torq7GetData(std::uint32_t board, std::uint32_t count, std::uint16_t* buffer);
std::int32_t Torq7SetData(std::uint32_t board, std::uint32_t channel, std::uint32_t code);
std::int32_t Torq7InPort(std::uint32_t board, std::uint8_t* value);
std::int32_t Torq7OutPort(std::uint32_t board, std::uint32_t value);
std::int32_t Torq7GetLastError(std::uint32_t board);

// Port access kinds of BoardPortAccess.
constexpr std::uint8_t kPortRead = 2;
constexpr std::uint8_t kPortWrite = 3;

// The lock that serialises every port access with its test of whether a
// measurement runs; the board table creates and deletes it.
void CreatePortLock();
void DeletePortLock();

// Reads (kPortRead) or writes (kPortWrite) the board's port while a
// measurement runs; otherwise, and for any other kind, does nothing and
// returns 1.
std::int32_t BoardPortAccess(std::uint16_t board, std::uint8_t kind, std::uint8_t* value);
