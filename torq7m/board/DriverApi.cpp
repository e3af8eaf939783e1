#include "DriverApi.h"

#include <windows.h>

namespace {

HMODULE g_driver;

FARPROC g_entries[kDriverEntryCount];

template <typename F>
F Entry(DriverEntry entry)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(g_entries[entry]));
}

std::uint16_t Low16(std::uint32_t value)
{
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

std::uint8_t Low8(std::uint32_t value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
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

#define TORQ7_DEFINE_WRAPPER(name, result, params, wrapperParams, args, notLoaded)   \
    result Torq7##name wrapperParams                                                   \
    {                                                                                  \
        return g_driver ? Entry<drvfn::name>(kEntry##name) args : result{notLoaded};   \
    }
TORQ7_DRIVER_ENTRIES(TORQ7_DEFINE_WRAPPER)
#undef TORQ7_DEFINE_WRAPPER
