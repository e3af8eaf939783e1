#include "BoardDiscovery.h"

#include "DriverApi.h"

namespace {

void EmptySlot(BoardEntry& entry)
{
    entry = BoardEntry{};
    entry.boardNumber = kNoBoard;
}

SlotTrace DiscoverSlot(unsigned slot, BoardEntry& entry, HWND__* notifyWindow, bool traced)
{
    EmptySlot(entry);
    // The driver may write back a board number other than the slot; from
    // here on the board goes by that number.
    std::uint32_t board = slot;
    if (!Torq7Create(&board, notifyWindow, kDriverMessageBase, 0))
        return {kSlotNoBoard, kNoBoard, 0};
    ResourceRecord resource;
    if (!Torq7GetResource(board, &resource)) {
        // The error is the driver's only while the board is still open.
        const std::int32_t error = traced ? Torq7GetLastError(board) : 0;
        Torq7Close(board);
        return {kSlotNoResource, board, error};
    }
    entry.present = 1;
    entry.ioPortAddress = resource.dwIoPortAddress;
    entry.ioPortLength = resource.dwIoPortLength;
    entry.boardNumber = static_cast<std::uint16_t>(board);
    Torq7GetSwitchValue(board, &entry.switchValue);
    return {kSlotPresent, board, 0};
}

}  // namespace

void DiscoverBoards(BoardSlots& slots, HWND__* notifyWindow, SlotTrace* trace)
{
    for (unsigned slot = 0; slot < kBoardSlots; ++slot) {
        const SlotTrace outcome = DiscoverSlot(slot, slots[slot], notifyWindow, trace != nullptr);
        if (trace)
            trace[slot] = outcome;
    }
}

void CloseBoards(BoardSlots& slots)
{
    for (BoardEntry& entry : slots) {
        if (entry.present)
            Torq7Close(entry.boardNumber);
        EmptySlot(entry);
    }
}
