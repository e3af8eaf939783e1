// The port access of the digital modules, under the port lock. It reads the
// host's measurement flag, so it lives with the library and not with the
// driver binding that Torq7Check.exe shares.
#include <windows.h>

#include "../host/LibraryVariables.h"
#include "DriverApi.h"

namespace {

CRITICAL_SECTION g_portLock;

}  // namespace

void CreatePortLock()
{
    InitializeCriticalSection(&g_portLock);
}

void DeletePortLock()
{
    DeleteCriticalSection(&g_portLock);
}

std::int32_t BoardPortAccess(std::uint16_t board, std::uint8_t kind, std::uint8_t* value)
{
    std::int32_t result = 1;
    EnterCriticalSection(&g_portLock);
    if (bExperimentIsRunning != 0) {
        if (kind == kPortRead)
            result = Torq7InPort(board, value);
        else if (kind == kPortWrite)
            result = Torq7OutPort(board, *value);
    }
    LeaveCriticalSection(&g_portLock);
    return result;
}
