// The simulated driver's entry points as a day of the demo's worksheet calls
// them: each called straight, on the demo's board profile and a virtual
// clock, in ns per call, and what that comes to over a simulated day. The
// library's and the host's shares are measurement_bench's.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "sim/control/SimTorq7Control.h"
#include "sim/control/SimTorq7Loader.h"

namespace {

constexpr unsigned kRepetitions = 11;
// As many calls as the driver keeps in its log: every repetition writes over
// kept entries, as in any long measurement. Reads of whole blocks are fewer.
constexpr std::uint32_t kCallsPerRepetition = 1u << 20;
constexpr std::uint32_t kBlockReadsPerRepetition = 1u << 14;
constexpr std::uint16_t kBoard = 0;
// The demo's worksheet: 4 analog inputs at 1 ms per sample in blocks of 100,
// two digital lines each way and two analog outputs, for 86 400 s.
constexpr std::uint32_t kInputs = 4;
constexpr std::uint32_t kBlock = 100;
constexpr double kSamplesPerDay = 86400.0 * 1000.0;
constexpr std::uint32_t kSamplingClock = 0x14;   // 1 ms
constexpr std::uint32_t kDriverMemory = 2;
constexpr std::uint32_t kBufferWords = 8192;

std::uint32_t g_now = 1000;

std::uint32_t TORQ7_CALL VirtualClock()
{
    return g_now;
}

struct Driver {
    SimTorq7Control sim{};
    drvfn::Create create;
    drvfn::SetMode setMode;
    drvfn::StartSampling startSampling;
    drvfn::GetSamplingStatus getSamplingStatus;
    drvfn::GetData getData;
    drvfn::SetData setData;
    drvfn::InPort inPort;
    drvfn::OutPort outPort;
};

template <typename F>
bool Bind(HMODULE module, const char* name, F* entry)
{
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *entry != nullptr;
}

// The driver with the demo's boards laid out at load, board 0 open and sampling.
bool OpenDemoBoard(Driver* d)
{
    const std::string folder = ProgramFolder();
    SetEnvironmentVariableA("TORQ7SIM_PROFILE", (folder + "profiles\\demo-board.toml").c_str());
    HMODULE driver = LoadLibraryA((folder + "driver\\torq7.dll").c_str());
    if (!driver || !LoadSimTorq7Control(driver, &d->sim) || !Bind(driver, "Torq7Create", &d->create) ||
        !Bind(driver, "Torq7SetMode", &d->setMode) || !Bind(driver, "Torq7StartSampling", &d->startSampling) ||
        !Bind(driver, "Torq7GetSamplingStatus", &d->getSamplingStatus) || !Bind(driver, "Torq7GetData", &d->getData) ||
        !Bind(driver, "Torq7SetData", &d->setData) || !Bind(driver, "Torq7InPort", &d->inPort) ||
        !Bind(driver, "Torq7OutPort", &d->outPort))
        return false;
    d->sim.SimTorq7_SetClock(VirtualClock);
    std::uint32_t slot = 0;
    SamplingMode mode{0, kInputs - 1, kBufferWords, kSamplingClock, kDriverMemory};
    return d->create(&slot, nullptr, kDriverMessageBase, 0) == 1 && slot == kBoard && d->setMode(kBoard, &mode) == 1 &&
           d->startSampling(kBoard) == 1;
}

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

// Median ns per call of `call(n)` over `calls` calls, after one round that
// fills the driver's histories.
template <typename Call>
double NanosecondsPerCall(std::uint32_t calls, Call call)
{
    for (std::uint32_t n = 0; n < calls; ++n)
        call(n);
    std::vector<double> values;
    for (unsigned r = 0; r < kRepetitions; ++r) {
        const double begin = Now();
        for (std::uint32_t n = 0; n < calls; ++n)
            call(n);
        values.push_back((Now() - begin) * 1e9 / calls);
    }
    return Median(values);
}

struct Row {
    const char* what;
    double nanoseconds;
    double callsPerDay;
};

}  // namespace

int main()
{
    Driver d;
    if (!OpenDemoBoard(&d)) {
        std::printf("could not open board 0 of the demo's profile with the simulated driver\n");
        return 1;
    }
    std::uint8_t byte = 0;
    std::vector<std::uint16_t> words(kInputs * kBlock);
    bool allRead = true;
    const Row rows[] = {
        {"Torq7InPort (digital input, loopback)", NanosecondsPerCall(kCallsPerRepetition, [&](std::uint32_t) { d.inPort(kBoard, &byte); }),
         2 * kSamplesPerDay},
        {"Torq7OutPort (digital output)",
         NanosecondsPerCall(kCallsPerRepetition, [&](std::uint32_t n) { d.outPort(kBoard, static_cast<std::uint8_t>(n >> 9 & 3)); }),
         2 * kSamplesPerDay},
        {"Torq7SetData (analog output)",
         NanosecondsPerCall(kCallsPerRepetition, [&](std::uint32_t n) {
             d.setData(kBoard, static_cast<std::uint16_t>(n & 1), static_cast<std::uint16_t>(n * 7 & 0xFFF));
         }),
         2 * kSamplesPerDay},
        {"Torq7GetSamplingStatus + Torq7GetData of a block (4 x 100 words)",
         NanosecondsPerCall(kBlockReadsPerRepetition, [&](std::uint32_t) {
             g_now += kBlock;
             std::uint32_t ready = 0, produced = 0;
             d.getSamplingStatus(kBoard, &ready, &produced);
             allRead = d.getData(kBoard, kInputs * kBlock, words.data()) == 1 && allRead;
         }),
         kSamplesPerDay / kBlock},
    };
    if (!allRead) {
        std::printf("a block of the analog inputs could not be read\n");
        return 1;
    }
    std::printf("The simulated driver's entry points, called straight on the demo's board profile (medians of %u "
                "repetitions)\n\n",
                kRepetitions);
    std::printf("| entry point | ns per call | calls in a day of the demo | s per day |\n|---|---:|---:|---:|\n");
    double total = 0.0;
    for (const Row& row : rows) {
        const double seconds = row.nanoseconds * row.callsPerDay / 1e9;
        total += seconds;
        std::printf("| %s | %.1f | %.0f | %.1f |\n", row.what, row.nanoseconds, row.callsPerDay, seconds);
    }
    std::printf("| the driver's share of a day | | | %.1f |\n", total);
    return 0;
}
