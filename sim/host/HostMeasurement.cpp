// Measurements: the clock the library and the driver see, the time base and
// the library variables that carry it, start, rounds, pause and stop.
#include <algorithm>

#include "HostState.h"

namespace standin {

std::uint32_t TORQ7_CALL HostClock()
{
    StandinHost::State* host = g_host;
    return host && host->virtualClock ? static_cast<std::uint32_t>(host->virtualNow.load()) : GetTickCount();
}

namespace {

constexpr std::uint32_t kRoundPauseMilliseconds = 1;
constexpr DWORD kProgressMilliseconds = 250;

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct RoundLoop {
    StandinHost::State* host;
    std::atomic<bool> quit{false};
};

DWORD WINAPI RunRounds(LPVOID parameter)
{
    auto* loop = static_cast<RoundLoop*>(parameter);
    while (!loop->quit && loop->host->running && !loop->host->stopRequested) {
        loop->host->processRound();
        Sleep(kRoundPauseMilliseconds);
    }
    return 0;
}

}  // namespace

template <typename T>
void StandinHost::State::writeVariable(const char* name, T value)
{
    const auto it = libraryVariables.find(name);
    if (it != libraryVariables.end())
        *static_cast<volatile T*>(it->second) = value;
}

void StandinHost::State::writeLibraryVariables()
{
    writeVariable<double>("fGlobalMilliSecondsPerSample", msPerSample);
    writeVariable<std::uint32_t>("uiGlobalBlockSize", blockSize);
    writeVariable<std::int32_t>("bAnimation", animation ? 1 : 0);
    writeVariable<std::int32_t>("bExperimentIsRunning", running ? 1 : 0);
    writeVariable<std::int32_t>("bExperimentIsPaused", paused ? 1 : 0);
    writeVariable<std::uint32_t>("dwExperimentStartTimeTicks", startTicks);
    writeVariable<std::int32_t>("BBoxModul", 0);
}

void StandinHost::State::processRound()
{
    for (const auto& entry : entries()) {
        if (beginProcess(entry.get()))
            processModule(entry.get());
    }
}

void StandinHost::useVirtualClock(std::uint32_t now)
{
    state_->virtualNow = now;
    state_->virtualClock = true;
}
void StandinHost::setClock(std::uint32_t now) { state_->virtualNow = now; }
void StandinHost::advanceClock(std::uint64_t milliseconds) { state_->virtualNow += milliseconds; }
void StandinHost::useRealClock() { state_->virtualClock = false; }
std::uint32_t StandinHost::now() const { return HostClock(); }
std::uint64_t StandinHost::elapsed() const { return state_->clock64() - state_->startClock; }
unsigned StandinHost::patchedClockImports() const { return state_->patchedImports; }

void StandinHost::setTimeBase(double millisecondsPerSample, std::uint32_t blockSize)
{
    state_->msPerSample = millisecondsPerSample;
    state_->blockSize = blockSize;
    state_->writeLibraryVariables();
}

double StandinHost::millisecondsPerSample() const { return state_->msPerSample; }
std::uint32_t StandinHost::blockSize() const { return state_->blockSize; }

void StandinHost::setAnimation(bool on)
{
    state_->animation = on;
    state_->writeLibraryVariables();
}

bool StandinHost::start()
{
    State& s = *state_;
    if (s.running) {
        s.fail("start while a measurement runs");
        return false;
    }
    s.running = true;
    s.paused = false;
    s.stopRequested = false;
    s.startTicks = HostClock();
    s.startClock = s.clock64();
    for (const auto& entry : s.entries()) {
        std::fill(std::begin(entry->fedSamples), std::end(entry->fedSamples), 0u);
        std::fill(std::begin(entry->tally), std::end(entry->tally), ChannelTally{});
    }
    s.writeLibraryVariables();
    bool allStarted = true;
    // A module whose start failed is processed all the same, as the host does.
    for (const auto& entry : s.entries()) {
        allStarted &= s.sendToModule(entry.get(), MODMSG_START, 0, 0) != 0;
        std::lock_guard<std::mutex> lock(s.mutex);
        entry->started = true;
    }
    return allStarted;
}

bool StandinHost::start(double millisecondsPerSample, std::uint32_t blockSize)
{
    setTimeBase(millisecondsPerSample, blockSize);
    return start();
}

bool StandinHost::runRound()
{
    State& s = *state_;
    if (!s.running)
        return false;
    s.processRound();
    if (s.stopRequested)
        stop();
    return s.running;
}

void StandinHost::runRounds(unsigned rounds, std::uint32_t millisecondsPerRound)
{
    for (unsigned i = 0; i < rounds && state_->running; ++i) {
        advanceClock(millisecondsPerRound);
        runRound();
    }
}

void StandinHost::runFor(std::uint32_t milliseconds, const std::function<void()>& progress)
{
    State& s = *state_;
    if (!s.running)
        return;
    RoundLoop loop{&s};
    HANDLE thread = CreateThread(nullptr, 0, RunRounds, &loop, 0, nullptr);
    if (!thread) {
        s.fail("no thread for the measurement");
        return;
    }
    const DWORD begin = GetTickCount();
    DWORD lastProgress = begin;
    for (;;) {
        const DWORD waited = MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
        if (waited == WAIT_OBJECT_0)
            break;
        const DWORD now = GetTickCount();
        if (progress && now - lastProgress >= kProgressMilliseconds) {
            lastProgress = now;
            progress();
        }
        if (now - begin >= milliseconds)
            break;
    }
    loop.quit = true;
    // The round thread may be waiting for this thread to take a sent message.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        PumpMessages();
    CloseHandle(thread);
    stop();
}

void StandinHost::pause()
{
    state_->paused = true;
    state_->writeLibraryVariables();
}

void StandinHost::resume()
{
    state_->paused = false;
    state_->writeLibraryVariables();
}

void StandinHost::stop()
{
    State& s = *state_;
    if (!s.running)
        return;
    for (const auto& entry : s.entries()) {
        if (s.retire(entry.get()))
            s.sendToModule(entry.get(), MODMSG_STOP, 0, 0);
    }
    s.running = false;
    s.paused = false;
    s.stopRequested = false;
    s.writeLibraryVariables();
    for (const auto& entry : s.entries())
        s.freeBlocksOf(entry.get());
}

bool StandinHost::running() const { return state_->running; }
bool StandinHost::paused() const { return state_->paused; }
std::uint32_t StandinHost::experimentStartTicks() const { return state_->startTicks; }

}  // namespace standin
