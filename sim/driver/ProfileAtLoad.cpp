// A board profile named by the environment variable TORQ7SIM_PROFILE is laid
// out when the simulated driver is loaded, so that a program that loads
// torq7.dll on its own, such as Torq7Check.exe, meets the profile's boards.
// Without the variable the driver starts with no boards, as before.
#include <windows.h>

#include <cstdio>
#include <string>

#include "sim/control/SimTorq7Loader.h"
#include "sim/profile/BoardProfile.h"
#include "sim/text/CodePage.h"

namespace {

constexpr char kProfileVariable[] = "TORQ7SIM_PROFILE";

// The variable's value as the program's code page spells it. Read wide and
// converted here: Wine's narrow call cuts a value with double-byte
// characters short.
bool ProfilePath(std::string* path)
{
    wchar_t wide[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TORQ7SIM_PROFILE", wide, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (standin::WideToCp932(std::wstring(wide, length), path))
        return true;
    std::fprintf(stderr, "%s: %s: the path has a character that code page 932 cannot hold ('?')\n", kProfileVariable,
                 path->c_str());
    return false;
}

void ApplyProfileFromEnvironment(HMODULE driver)
{
    std::string path;
    if (!ProfilePath(&path))
        return;
    standin::BoardProfile profile;
    std::string problem;
    SimTorq7Control control{};
    if (!standin::ReadBoardProfile(path, &profile, &problem)) {
        // In the program's code page, as Torq7Check.exe prints its own lines.
        std::string shown;
        if (!standin::Utf8ToCp932(problem, &shown))
            shown = problem;
        std::fprintf(stderr, "%s: %s\n", kProfileVariable, shown.c_str());
        return;
    }
    if (!LoadSimTorq7Control(driver, &control))
        return;
    standin::ApplyBoardProfile(profile, control);
    // No host drives the driver's clock here, so it keeps its own and the
    // program's run stands for the measurement: a fault given with from_ms
    // begins that long after the driver is loaded.
    standin::ArmTimedFaults(profile, control, GetTickCount());
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ApplyProfileFromEnvironment(instance);
    return TRUE;
}
