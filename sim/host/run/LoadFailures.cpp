// The reasons a DLL does not load, one line per system error.
#include "LoadFailures.h"

#include <windows.h>

namespace standin {

namespace {

struct LoadReason {
    DWORD error;
    const char* reason;
};

constexpr LoadReason kLoadReasons[] = {
    {ERROR_FILE_NOT_FOUND, "not found"},
    {ERROR_PATH_NOT_FOUND, "not found"},
    {ERROR_MOD_NOT_FOUND, "not found, or a DLL it needs is missing"},
    {ERROR_BAD_EXE_FORMAT, "not a DLL, or a DLL of the wrong 32/64-bit kind for this program"},
    {ERROR_PROC_NOT_FOUND, "a DLL without the functions this program calls: another DLL of that name"},
    {ERROR_ACCESS_DENIED, "access denied"},
    {ERROR_DLL_INIT_FAILED, "its start-up failed"},
};

}  // namespace

std::string LoadFailure(std::uint32_t systemError)
{
    for (const LoadReason& known : kLoadReasons) {
        if (known.error == systemError)
            return known.reason;
    }
    return "Windows error " + std::to_string(systemError);
}

}  // namespace standin
