#include "DriverApi.h"

#include <windows.h>

#include "../host/LibraryVariables.h"

namespace {

HMODULE g_driver;

// Entry point addresses in binding order (the order of kDriverEntryNames).
enum DriverEntry : unsigned {
    kGetVersion,
    kCreate,
    kClose,
    kGetResource,
    kGetSwitchValue,
    kSetMode,
    kStartSampling,
    kStopSampling,
    kGetSamplingStatus,
    kGetData,
    kSetData,
    kInPort,
    kOutPort,
    kGetLastError,
    kEntryCount
};
static_assert(kEntryCount == kDriverEntryCount, "one slot per entry point name");

FARPROC g_entries[kDriverEntryCount];

template <typename F>
F Entry(DriverEntry entry)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(g_entries[entry]));
}

CRITICAL_SECTION g_portLock;

constexpr std::int32_t kNotLoaded = 0;
constexpr std::int32_t kNotLoadedLastError = -1;

std::uint16_t Low16(std::uint32_t value)
{
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

}  // namespace

int LoadDriverLibrary()
{
    if (g_driver)
        return 0;
    g_driver = LoadLibraryA(kDriverFileName);
    if (!g_driver)
        return 0;
    for (unsigned i = 0; i < kDriverEntryCount; ++i) {
        g_entries[i] = GetProcAddress(g_driver, kDriverEntryNames[i]);
        if (!g_entries[i]) {
            UnloadDriverLibrary();
            return 0;
        }
    }
    return 1;
}

int UnloadDriverLibrary()
{
    if (!g_driver)
        return 1;
    if (FreeLibrary(g_driver) != 1)
        return 0;
    g_driver = nullptr;
    for (FARPROC& entry : g_entries)
        entry = nullptr;
    return 1;
}

std::int32_t Torq7Create(std::uint32_t* slotOrBoard, HWND notifyWindow, std::uint32_t messageBase,
                         std::uint32_t reserved)
{
    return g_driver ? Entry<drvfn::Create>(kCreate)(slotOrBoard, notifyWindow, messageBase, reserved) : kNotLoaded;
}

std::int32_t Torq7Close(std::uint32_t board)
{
    return g_driver ? Entry<drvfn::Close>(kClose)(Low16(board)) : kNotLoaded;
}

std::int32_t Torq7GetResource(std::uint32_t board, ResourceRecord* resource)
{
    return g_driver ? Entry<drvfn::GetResource>(kGetResource)(Low16(board), resource) : kNotLoaded;
}

std::int32_t Torq7GetSwitchValue(std::uint32_t board, std::uint32_t* value)
{
    return g_driver ? Entry<drvfn::GetSwitchValue>(kGetSwitchValue)(Low16(board), value) : kNotLoaded;
}

std::int32_t Torq7SetMode(std::uint32_t board, SamplingMode* mode)
{
    return g_driver ? Entry<drvfn::SetMode>(kSetMode)(Low16(board), mode) : kNotLoaded;
}

std::int32_t Torq7StartSampling(std::uint32_t board)
{
    return g_driver ? Entry<drvfn::StartSampling>(kStartSampling)(Low16(board)) : kNotLoaded;
}

std::int32_t Torq7StopSampling(std::uint32_t board)
{
    return g_driver ? Entry<drvfn::StopSampling>(kStopSampling)(Low16(board)) : kNotLoaded;
}

std::int32_t Torq7GetSamplingStatus(std::uint32_t board, std::uint32_t* ready, std::uint32_t* other)
{
    return g_driver ? Entry<drvfn::GetSamplingStatus>(kGetSamplingStatus)(Low16(board), ready, other) : kNotLoaded;
}

std::int32_t Torq7GetData(std::uint32_t board, std::uint32_t count, std::uint16_t* buffer)
{
    return g_driver ? Entry<drvfn::GetData>(kGetData)(Low16(board), count, buffer) : kNotLoaded;
}

std::int32_t Torq7SetData(std::uint32_t board, std::uint32_t channel, std::uint32_t code)
{
    return g_driver ? Entry<drvfn::SetData>(kSetData)(Low16(board), Low16(channel), Low16(code)) : kNotLoaded;
}

std::int32_t Torq7InPort(std::uint32_t board, std::uint8_t* value)
{
    return g_driver ? Entry<drvfn::InPort>(kInPort)(Low16(board), value) : kNotLoaded;
}

std::int32_t Torq7OutPort(std::uint32_t board, std::uint32_t value)
{
    return g_driver ? Entry<drvfn::OutPort>(kOutPort)(Low16(board), static_cast<std::uint8_t>(value & 0xFF)) : kNotLoaded;
}

std::int32_t Torq7GetLastError(std::uint32_t board)
{
    return g_driver ? Entry<drvfn::GetLastError>(kGetLastError)(Low16(board)) : kNotLoadedLastError;
}

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
