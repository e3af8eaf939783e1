// A board profile named by the environment variable TORQ7SIM_PROFILE is laid
// out when the simulated driver is loaded, so that a program that loads
// torq7.dll on its own, such as Torq7Check.exe, meets the profile's boards.
// Without the variable the driver starts with no boards, as before.
#include <windows.h>

#include <cstdio>
#include <string>

#include "SimTorq7Loader.h"
#include "sim/host/BoardProfile.h"

namespace {

constexpr char kProfileVariable[] = "TORQ7SIM_PROFILE";

void ApplyProfileFromEnvironment(HMODULE driver)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kProfileVariable, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    standin::BoardProfile profile;
    std::string problem;
    SimTorq7Control control{};
    if (!standin::ReadBoardProfile(path, &profile, &problem)) {
        std::fprintf(stderr, "%s: %s\n", kProfileVariable, problem.c_str());
        return;
    }
    if (LoadSimTorq7Control(driver, &control))
        standin::ApplyBoardProfile(profile, control);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ApplyProfileFromEnvironment(instance);
    return TRUE;
}
