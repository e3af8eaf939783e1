// The library's measurement paths, timed through the stand-in host and the
// simulated driver on the virtual clock. The stand-in host counts the
// time-stamp counter ticks spent in the process functions and, within them,
// in its own functions (block bookkeeping, in counts mode); the simulated
// driver counts those spent in its entry points. A path's cost is the
// process time less the host's; the library's own is that less the driver's.
// Reading the counter is slow on a virtual machine: every timed host or
// driver call adds a little outside its window, which shows in the figures
// per call (blocks of 1, idle calls) and not in those per sample. So the
// driver is timed only for the analog input table; elsewhere its share is
// taken from direct calls, which carry the same cost. Each figure is the median of several repetitions,
// taken beside its baseline in the same run: a memcpy of the bytes the analog
// input path reads and writes, and direct calls of the simulated driver's
// entry points. Other programs on the machine make single repetitions noisy;
// the medians and the ratios are what to read.
#include <windows.h>

#include <intrin.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "sim/host/standin/StandinHost.h"
#include "torq7m/modules/AdModuleData.h"

namespace {

constexpr unsigned kRepetitions = 11;
constexpr std::uint64_t kSamplesPerRepetition = 1u << 19;
constexpr std::uint64_t kCallsPerRepetition = 20000;
constexpr std::uint16_t kBoard = 0;
constexpr std::int32_t kLargestDriverBuffer = 10;
constexpr std::uint32_t kPathBlockSize = 1024;
constexpr unsigned kDriverHistory = 1u << 20;   // calls, port bytes and codes the simulated driver keeps

double g_ticksPerNanosecond = 1.0;
double g_timingWindow = 0.0;   // ns of one timing window of a host or driver call

void CalibrateTicks()
{
    LARGE_INTEGER frequency, from, to;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&from);
    const std::uint64_t begin = __rdtsc();
    Sleep(200);
    const std::uint64_t end = __rdtsc();
    QueryPerformanceCounter(&to);
    const double nanoseconds = double(to.QuadPart - from.QuadPart) * 1e9 / double(frequency.QuadPart);
    g_ticksPerNanosecond = double(end - begin) / nanoseconds;
}

double Nanoseconds(std::uint64_t ticks)
{
    return double(ticks) / g_ticksPerNanosecond;
}

// The cost of one timing window as the host and the driver take it: two
// counter reads and an atomic add.
void CalibrateTimingWindow()
{
    constexpr unsigned kWindows = 1000000;
    std::atomic<std::uint64_t> total{0};
    const std::uint64_t begin = __rdtsc();
    for (unsigned n = 0; n < kWindows; ++n) {
        const std::uint64_t window = __rdtsc();
        total += __rdtsc() - window;
    }
    g_timingWindow = Nanoseconds(__rdtsc() - begin) / kWindows;
}

// Runs `body` once per repetition and gives the median of what it returns.
template <typename Body>
double MedianOf(Body body)
{
    std::vector<double> values;
    for (unsigned r = 0; r < kRepetitions; ++r)
        values.push_back(body());
    return Median(values);
}

// The simulated driver's entry points, called directly.
struct DirectDriver {
    drvfn::GetSamplingStatus getSamplingStatus;
    drvfn::GetLastError getLastError;
    drvfn::SetData setData;
    drvfn::InPort inPort;
    drvfn::OutPort outPort;
};

template <typename F>
void Bind(HMODULE module, const char* name, F* entry)
{
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

DirectDriver BindDirectDriver()
{
    DirectDriver d{};
    HMODULE driver = GetModuleHandleA("torq7.dll");
    Bind(driver, "Torq7GetSamplingStatus", &d.getSamplingStatus);
    Bind(driver, "Torq7GetLastError", &d.getLastError);
    Bind(driver, "Torq7SetData", &d.setData);
    Bind(driver, "Torq7InPort", &d.inPort);
    Bind(driver, "Torq7OutPort", &d.outPort);
    return d;
}

// Nanoseconds per call of `call` over `calls` calls.
template <typename Call>
double DirectCallCost(std::uint64_t calls, Call call)
{
    const std::uint64_t begin = __rdtsc();
    for (std::uint64_t n = 0; n < calls; ++n)
        call();
    return Nanoseconds(__rdtsc() - begin) / double(calls);
}

// Nanoseconds spent in process calls: the path (process time less the
// host's) and the driver's part of it.
struct Share {
    double path;
    double driver;
    Share per(double count) const { return {path / count, driver / count}; }
};

// Medians over the repetitions of a path and of its baseline, measured one
// right after the other in each repetition, and of their ratios.
struct Figures {
    double path;
    double driver;
    double baseline;
    double ratio;          // path / baseline
    double libraryRatio;   // (path - driver) / baseline
    double library() const { return path - driver; }
};

template <typename Path, typename Baseline>
Figures Interleaved(Path path, Baseline baseline)
{
    std::vector<double> paths, drivers, baselines, ratios, libraryRatios;
    for (unsigned r = 0; r < kRepetitions; ++r) {
        const Share share = path();
        const double base = baseline();
        paths.push_back(share.path);
        drivers.push_back(share.driver);
        baselines.push_back(base);
        ratios.push_back(share.path / base);
        libraryRatios.push_back((share.path - share.driver) / base);
    }
    return {Median(paths), Median(drivers), Median(baselines), Median(ratios), Median(libraryRatios)};
}

// The library loaded by a stand-in host with the simulated driver, one
// board and one module, in counts mode.
class Session {
public:
    bool open(const char* className, const standin::Placement& placement)
    {
        const std::string folder = ProgramFolder();
        if (!host_.loadDriver(folder + "driver\\torq7.dll") || !host_.loadLibrary(folder + "Torq7m.dll"))
            return false;
        const SimBoardConfig board{1, kBoard, 1, 0xE800, 32, 0};
        host_.driver()->SimTorq7_SetBoard(0, &board);
        host_.useVirtualClock(1000);
        if (host_.setup() != 1)
            return false;
        host_.whenDialogOpens([](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
        module_ = host_.placeModule(className, placement);
        host_.useCountsMode(true);
        driver_ = BindDirectDriver();
        // The driver's call log fills up before the figures are taken, as it
        // does in any long measurement.
        warm([&] { driver_.getLastError(kBoard); });
        return module_ != nullptr;
    }

    bool start(std::uint32_t blockSize)
    {
        const bool started = host_.start(1.0, blockSize);
        allocationsAtStart_ = host_.callCount("NewMemAlloc");
        return started;
    }

    // Calls `call` as often as the driver keeps calls in its histories.
    template <typename Call>
    void warm(Call call)
    {
        for (unsigned n = 0; n < kDriverHistory; ++n)
            call();
    }

    // The share of `rounds` rounds, each after `before`.
    template <typename Before>
    Share run(std::uint64_t rounds, Before before)
    {
        const std::uint64_t process = host_.processTicks();
        const std::uint64_t hostShare = host_.hostTicks();
        const std::uint64_t driverShare = host_.driver()->SimTorq7_EntryTicks();
        for (std::uint64_t n = 0; n < rounds; ++n) {
            before();
            host_.runRound();
        }
        const std::uint64_t path = (host_.processTicks() - process) - (host_.hostTicks() - hostShare);
        return {Nanoseconds(path), Nanoseconds(host_.driver()->SimTorq7_EntryTicks() - driverShare)};
    }

    std::size_t allocationsSinceStart() const { return host_.callCount("NewMemAlloc") - allocationsAtStart_; }

    standin::StandinHost& host() { return host_; }
    standin::HostModule* module() { return module_; }
    const DirectDriver& driver() const { return driver_; }

private:
    standin::StandinHost host_;
    standin::HostModule* module_ = nullptr;
    DirectDriver driver_{};
    std::size_t allocationsAtStart_ = 0;
};

std::size_t g_allocations = 0;
bool g_failed = false;

void Fail(const char* what)
{
    std::printf("  could not run: %s\n", what);
    g_failed = true;
}

// --- Analog input: one full set read and paced into blocks. -----------------

// memcpy of the bytes the analog input path moves, 2 in and 4 out per
// sample, ns per sample.
struct MemcpyBaseline {
    std::vector<std::uint16_t> wordsFrom, wordsTo;
    std::vector<float> floatsFrom, floatsTo;

    explicit MemcpyBaseline(std::size_t samples)
        : wordsFrom(samples, 0x1230), wordsTo(samples), floatsFrom(samples, 1.0f), floatsTo(samples)
    {
    }

    double run(std::uint64_t calls)
    {
        const std::uint64_t begin = __rdtsc();
        for (std::uint64_t n = 0; n < calls; ++n) {
            std::memcpy(wordsTo.data(), wordsFrom.data(), wordsTo.size() * sizeof(std::uint16_t));
            std::memcpy(floatsTo.data(), floatsFrom.data(), floatsTo.size() * sizeof(float));
            // keeps the copies from being dropped
            __asm__ __volatile__("" : : "r"(wordsTo.data()), "r"(floatsTo.data()) : "memory");
        }
        return Nanoseconds(__rdtsc() - begin) / double(calls * wordsTo.size());
    }
};

void AnalogInputRow(std::uint32_t channels, std::uint32_t blockSize)
{
    Session session;
    if (!session.open("TORQ7AD", {0, channels, ""})) {
        Fail("analog input module");
        return;
    }
    session.module()->dataAs<AdModuleData>()->nBufferSize = kLargestDriverBuffer;
    if (!session.start(blockSize)) {
        Fail("analog input start");
        return;
    }
    const std::uint64_t samplesPerCall = std::uint64_t{channels} * blockSize;
    const std::uint64_t calls = std::max<std::uint64_t>(8, kSamplesPerRepetition / samplesPerCall);
    const auto nextSet = [&] { session.host().advanceClock(blockSize); };
    session.host().driver()->SimTorq7_TimeEntries(1);
    session.run(2, nextSet);
    MemcpyBaseline memcpy(samplesPerCall);
    const Figures f = Interleaved([&] { return session.run(calls, nextSet).per(double(calls * samplesPerCall)); },
                                  [&] { return memcpy.run(calls); });
    const standin::ChannelTally tally = session.host().channelTally(session.module(), channels - 1);
    if (tally.blocks != (kRepetitions * calls + 2) || tally.timeErrors || tally.earlyReleases)
        Fail("analog input blocks not released one per call");
    g_allocations += session.allocationsSinceStart();
    std::printf("| %u | %u | %.2f | %.2f | %.2f | %.3f | %.1f | %.1f |\n", channels, blockSize, f.path, f.driver,
                f.library(), f.baseline, f.ratio, f.libraryRatio);
    std::fflush(stdout);
}

void AnalogInputTable()
{
    std::printf("Analog input: one full set read and paced into blocks (1 ms per sample, every block due at once)\n");
    std::printf("ns per sample; path = library + simulated driver (status query and read); library = path - driver\n\n");
    std::printf("| channels | block | path | driver | library | memcpy | path / memcpy | library / memcpy |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (std::uint32_t channels : {1u, 2u, 4u, 8u}) {
        for (std::uint32_t blockSize : {1u, 100u, 1024u, 65535u})
            AnalogInputRow(channels, blockSize);
    }
}

// --- Idle calls. ---------------------------------------------------------

void IdleTable()
{
    std::printf("\nIdle process calls, ns per call (library only; the host's block bookkeeping left out)\n\n");
    std::printf("| call | path | of it in the driver | library |\n|---|---:|---:|---:|\n");
    {
        Session session;
        if (!session.open("TORQ7AD", {0, 8, ""}) || !session.start(kPathBlockSize)) {
            Fail("analog input idle");
            return;
        }
        const auto nothing = [] {};
        const DirectDriver& d = session.driver();
        const Figures f = Interleaved(
            [&] { return session.run(kCallsPerRepetition, nothing).per(kCallsPerRepetition); },
            [&] {
                return DirectCallCost(kCallsPerRepetition, [&] {
                    std::uint32_t ready = 0, other = 0;
                    d.getSamplingStatus(kBoard, &ready, &other);
                });
            });
        std::printf("| analog input, no full set ready (8 channels) | %.1f | %.1f | %.1f |\n", f.path, f.baseline,
                    f.path - f.baseline);
        g_allocations += session.allocationsSinceStart();
    }
    {
        Session session;
        if (!session.open("TORQ7DO", {1, 0, ""}) || !session.start(kPathBlockSize)) {
            Fail("digital output idle");
            return;
        }
        const auto nothing = [] {};
        const Figures f = Interleaved(
            [&] { return session.run(kCallsPerRepetition, nothing).per(kCallsPerRepetition); }, [] { return 1.0; });
        std::printf("| digital output, no input block (1 input) | %.1f | 0 | %.1f |\n", f.path, f.path);
        g_allocations += session.allocationsSinceStart();
    }
}

// --- Port and converter paths against direct driver calls. ------------------

void PrintPath(const char* name, const Figures& f, const char* directName)
{
    std::printf("| %s | %.1f | %s %.1f | %.2f | %.1f |\n", name, f.path, directName, f.baseline, f.ratio,
                f.path - f.baseline);
    std::fflush(stdout);
}

// Rounds per repetition that give at least about 64 K samples.
constexpr std::uint64_t kPathRounds = 64;

void DigitalInputPath()
{
    Session session;
    if (!session.open("TORQ7DI", {0, 8, ""}) || !session.start(kPathBlockSize)) {
        Fail("digital input");
        return;
    }
    const auto nextBlock = [&] { session.host().advanceClock(kPathBlockSize); };
    const double samples = double(kPathRounds) * 8 * kPathBlockSize;
    const DirectDriver& d = session.driver();
    std::uint8_t byte = 0;
    const Figures f = Interleaved([&] { return session.run(kPathRounds, nextBlock).per(samples); },
                                  [&] { return DirectCallCost(std::uint64_t(samples), [&] { d.inPort(kBoard, &byte); }); });
    g_allocations += session.allocationsSinceStart();
    PrintPath("digital input, 8 channels x 1024 (BoardPortAccess per sample)", f, "Torq7InPort");
}

// An output module fed one block of kPathBlockSize samples per input before
// every round.
template <typename Direct>
void OutputPath(const char* className, unsigned inputs, float level, const char* name, const char* directName,
                Direct direct)
{
    Session session;
    if (!session.open(className, {inputs, 0, ""}) || !session.start(kPathBlockSize)) {
        Fail(name);
        return;
    }
    const std::vector<float> block(kPathBlockSize, level);
    session.warm([&] { direct(session.driver()); });
    const auto feed = [&] {
        for (unsigned i = 0; i < inputs; ++i)
            session.host().feedInput(session.module(), i, block);
    };
    const double samples = double(kPathRounds) * inputs * kPathBlockSize;
    const DirectDriver& d = session.driver();
    const Figures f = Interleaved([&] { return session.run(kPathRounds, feed).per(samples); },
                                  [&] { return DirectCallCost(std::uint64_t(samples), [&] { direct(d); }); });
    g_allocations += session.allocationsSinceStart();
    PrintPath(name, f, directName);
}

void PortTable()
{
    std::printf("\nPort and converter paths, ns per sample, beside a direct call of the simulated entry point\n\n");
    std::printf("| path | path | direct call | path / direct | path - direct |\n|---|---:|---:|---:|---:|\n");
    DigitalInputPath();
    OutputPath("TORQ7DO", 8, 5.0f, "digital output, 8 inputs x 1024 (BoardPortAccess per sample)", "Torq7OutPort",
               [](const DirectDriver& d) { d.outPort(kBoard, 0x5A); });
    std::uint16_t channel = 0;
    OutputPath("TORQ7DA", 2, 2.5f, "analog output, 2 inputs x 1024", "Torq7SetData",
               [&](const DirectDriver& d) { d.setData(kBoard, channel ^= 1, 2048); });
}

}  // namespace

int main()
{
    CalibrateTicks();
    CalibrateTimingWindow();
    std::printf("Time-stamp counter: %.3f ticks per ns; one timing window of a host or driver call: %.1f ns; "
                "medians of %u repetitions\n\n",
                g_ticksPerNanosecond, g_timingWindow, kRepetitions);
    AnalogInputTable();
    IdleTable();
    PortTable();
    std::printf("\nHost allocations by the library between start and stop, beyond the start's own buffer: %zu\n",
                g_allocations);
    return g_failed ? 1 : 0;
}
