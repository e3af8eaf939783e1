// Cost per sample of the library's process functions, measured through the
// stand-in host on the virtual clock.
#include <windows.h>

#include <cstdio>
#include <string>

#include "sim/host/StandinHost.h"

namespace {

struct BenchCase {
    const char* name;
    const char* className;
    unsigned channels;
    double millisecondsPerSample;
    std::uint32_t blockSize;
};

constexpr BenchCase kCases[] = {
    {"analog input, 8 channels, 0.03 ms x 1000", "TORQ7AD", 8, 0.03, 1000},
    {"analog input, 1 channel, 1 ms x 100", "TORQ7AD", 1, 1.0, 100},
    {"digital input, 8 channels, 1 ms x 1000", "TORQ7DI", 8, 1.0, 1000},
};

constexpr unsigned kRounds = 400;

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

bool RunCase(const BenchCase& c)
{
    standin::StandinHost host;
    const std::string folder = ProgramFolder();
    if (!host.loadDriver(folder + "driver\\torq7.dll") || !host.loadLibrary(folder + "Torq7m.dll"))
        return false;
    SimBoardConfig board{1, 0, 1, 0xE800, 32, 0};
    host.driver()->SimTorq7_SetBoard(0, &board);
    host.useVirtualClock(1000);
    if (host.setup() != 1)
        return false;
    host.whenDialogOpens([](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
    standin::Placement placement;
    placement.outputs = c.channels;
    standin::HostModule* module = host.placeModule(c.className, placement);
    if (!module)
        return false;
    host.start(c.millisecondsPerSample, c.blockSize);
    const auto roundMs = static_cast<std::uint32_t>(c.millisecondsPerSample * c.blockSize + 0.5);
    LARGE_INTEGER from;
    LARGE_INTEGER to;
    QueryPerformanceCounter(&from);
    host.runRounds(kRounds, roundMs > 0 ? roundMs : 1);
    QueryPerformanceCounter(&to);
    host.stop();
    std::size_t samples = 0;
    for (const standin::ReleasedBlock& block : host.releasedBlocks())
        samples += block.count;
    const double seconds = Seconds(from, to);
    std::printf("%-45s %8zu samples  %8.1f ns/sample  %6.3f s\n", c.name, samples,
                samples ? seconds * 1e9 / double(samples) : 0.0, seconds);
    host.shutdown();
    return true;
}

}  // namespace

int main()
{
    int failures = 0;
    for (const BenchCase& c : kCases) {
        if (!RunCase(c)) {
            std::printf("%-45s could not run\n", c.name);
            ++failures;
        }
    }
    return failures;
}
