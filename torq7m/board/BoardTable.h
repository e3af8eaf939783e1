// The boards found at start-up, with their claims per module kind.
#pragma once

#include <cstdint>

#include "BoardDiscovery.h"

extern BoardSlots g_boardTable;

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
