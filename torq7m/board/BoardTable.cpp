#include "BoardTable.h"

#include <windows.h>

#include <cstdio>

#include "../host/HostImport.h"
#include "DriverApi.h"
#include "EventWindow.h"

BoardEntry g_boardTable[kBoardSlots];

namespace {

bool g_portLockCreated;

void EmptySlot(BoardEntry& entry)
{
    entry = BoardEntry{};
    entry.boardNumber = kNoBoard;
}

void DiscoverSlot(unsigned slot)
{
    BoardEntry& entry = g_boardTable[slot];
    EmptySlot(entry);
    // The driver may write back a board number other than the slot; from
    // here on the board goes by that number.
    std::uint32_t board = slot;
    if (!Torq7Create(&board, g_hwndEvent, kDriverMessageBase, 0))
        return;
    ResourceRecord resource;
    if (!Torq7GetResource(board, &resource)) {
        Torq7Close(board);
        return;
    }
    entry.present = 1;
    entry.ioPortAddress = resource.dwIoPortAddress;
    entry.ioPortLength = resource.dwIoPortLength;
    entry.boardNumber = static_cast<std::uint16_t>(board);
    Torq7GetSwitchValue(board, &entry.switchValue);
}

}  // namespace

int InitBoardTable()
{
    CreatePortLock();
    g_portLockCreated = true;
    if (!LoadDriverLibrary())
        return 0;
    for (unsigned slot = 0; slot < kBoardSlots; ++slot)
        DiscoverSlot(slot);
    return 1;
}

int ShutdownBoardTable()
{
    for (BoardEntry& entry : g_boardTable) {
        if (entry.present)
            Torq7Close(entry.boardNumber);
        EmptySlot(entry);
    }
    UnloadDriverLibrary();
    if (g_portLockCreated) {
        DeletePortLock();
        g_portLockCreated = false;
    }
    return 1;
}

int FindBoardSlot(std::uint16_t boardNumber)
{
    for (unsigned slot = 0; slot < kBoardSlots; ++slot) {
        if (g_boardTable[slot].boardNumber == boardNumber)
            return static_cast<int>(slot);
    }
    return kNoSlot;
}

void ClaimBoardSlot(ModuleKind kind, int slot)
{
    g_boardTable[slot].inUse[kind] = 1;
}

int ReclaimBoardOnLoad(ModuleKind kind, std::uint16_t boardNumber)
{
    ResourceRecord resource;
    if (!Torq7GetResource(boardNumber, &resource)) {
        char text[128];
        std::snprintf(text, sizeof text, "指定のソケット %u にデバイスが存在しませんでした", unsigned{boardNumber});
        g_host.ShowWarning("Torq-Q7 ERROR", text);
        return 0;
    }
    const int slot = FindBoardSlot(boardNumber);
    if (slot != kNoSlot)
        g_boardTable[slot].inUse[kind] = 1;
    return 1;
}

void ReleaseBoardSlot(ModuleKind kind, std::uint16_t boardNumber)
{
    const int slot = FindBoardSlot(boardNumber);
    if (slot != kNoSlot)
        g_boardTable[slot].inUse[kind] = 0;
}
