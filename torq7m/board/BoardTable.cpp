#include "BoardTable.h"

#include <windows.h>

#include <cstdio>

#include "../host/HostImport.h"
#include "DriverApi.h"
#include "EventWindow.h"

BoardSlots g_boardTable;

namespace {

bool g_portLockCreated;

}  // namespace

int InitBoardTable()
{
    CreatePortLock();
    g_portLockCreated = true;
    if (!LoadDriverLibrary())
        return 0;
    DiscoverBoards(g_boardTable, g_hwndEvent, nullptr);
    return 1;
}

int ShutdownBoardTable()
{
    CloseBoards(g_boardTable);
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
