// The boards found at start-up, with their claims per module kind.
#pragma once

#include <cstdint>

#include "DriverTypes.h"

enum ModuleKind : std::uint32_t {
    kKindAnalogInput = 0,
    kKindAnalogOutput = 1,
    kKindDigitalInput = 2,
    kKindDigitalOutput = 3,
};
constexpr unsigned kModuleKinds = 4;

struct BoardEntry {
    std::uint32_t present;
    std::uint32_t inUse[kModuleKinds];
    std::uint32_t ioPortAddress;
    std::uint32_t ioPortLength;
    std::uint32_t switchValue;
    std::uint16_t boardNumber;   // kNoBoard in an empty slot
};

extern BoardEntry g_boardTable[kBoardSlots];

constexpr int kNoSlot = -1;

// Creates the port lock, loads the driver and asks it about every slot;
// 0 when the driver cannot be loaded.
int InitBoardTable();
// Closes every present board, empties the table and unloads the driver.
int ShutdownBoardTable();

int FindBoardSlot(std::uint16_t boardNumber);   // slot index or kNoSlot
void ClaimBoardSlot(ModuleKind kind, int slot);
// A module restored from a worksheet claims its stored board again; 0 and a
// warning when the driver no longer finds the board.
int ReclaimBoardOnLoad(ModuleKind kind, std::uint16_t boardNumber);
void ReleaseBoardSlot(ModuleKind kind, std::uint16_t boardNumber);
