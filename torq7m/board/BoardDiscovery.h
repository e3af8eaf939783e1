// Discovery of the boards: the driver is asked about every slot, and what
// answers is kept in a table of BoardEntry records. Shared by the library's
// board table and Torq7Check.exe, which reports what the library would see.
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

using BoardSlots = BoardEntry[kBoardSlots];

// What discovery met in one slot, for a report of it.
enum SlotOutcome : std::uint32_t {
    kSlotNoBoard,      // Torq7Create refused the slot
    kSlotNoResource,   // opened, but Torq7GetResource failed: closed again
    kSlotPresent,
};

struct SlotTrace {
    SlotOutcome outcome;
    std::uint32_t boardNumber;     // what Torq7Create wrote back, when it succeeded
    std::int32_t resourceError;    // Torq7GetLastError after a failed Torq7GetResource
};

// Empties every slot and asks the loaded driver about it; the driver sends
// its notices to `notifyWindow`. With `trace` (kBoardSlots records) each
// slot's outcome is noted too, at the cost of one Torq7GetLastError call per
// failed resource query.
void DiscoverBoards(BoardSlots& slots, HWND__* notifyWindow, SlotTrace* trace);

// Closes every present board and empties every slot.
void CloseBoards(BoardSlots& slots);
