// Measurements as the host runs them: the clock the library and the driver
// see, the time base, start, rounds of process calls, pause and stop.
#include <algorithm>

#include "HostRooms.h"

namespace standin {

std::uint32_t TORQ7_CALL HostClock()
{
    HostRooms* host = g_host;
    return host ? host->measurement.clock32() : GetTickCount();
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

// One process call for every started module, in placement order.
void ProcessRound(HostWorksheet& worksheet)
{
    for (const auto& entry : worksheet.entries()) {
        if (worksheet.beginProcess(entry.get()))
            worksheet.process(entry.get());
    }
}

struct RoundLoop {
    HostRooms* host;
    std::atomic<bool> quit{false};
};

DWORD WINAPI RunRounds(LPVOID parameter)
{
    auto* loop = static_cast<RoundLoop*>(parameter);
    const Measurement& measurement = loop->host->measurement;
    while (!loop->quit && measurement.running && !measurement.stopRequested) {
        ProcessRound(loop->host->worksheet);
        Sleep(kRoundPauseMilliseconds);
    }
    return 0;
}

}  // namespace

void StandinHost::useVirtualClock(std::uint32_t now)
{
    rooms_->measurement.useVirtualClock(now);
}
void StandinHost::setClock(std::uint32_t now) { rooms_->measurement.setVirtualClock(now); }
void StandinHost::advanceClock(std::uint64_t milliseconds) { rooms_->measurement.advanceVirtualClock(milliseconds); }
void StandinHost::useRealClock() { rooms_->measurement.useRealClock(); }
std::uint32_t StandinHost::now() const { return rooms_->measurement.clock32(); }
std::uint64_t StandinHost::elapsed() const { return rooms_->measurement.elapsed(); }

void StandinHost::setTimeBase(double millisecondsPerSample, std::uint32_t blockSize)
{
    rooms_->measurement.msPerSample = millisecondsPerSample;
    rooms_->measurement.blockSize = blockSize;
    rooms_->measurement.writeVariables();
}

double StandinHost::millisecondsPerSample() const { return rooms_->measurement.msPerSample; }
std::uint32_t StandinHost::blockSize() const { return rooms_->measurement.blockSize; }

void StandinHost::setAnimation(bool on)
{
    rooms_->measurement.animation = on;
    rooms_->measurement.writeVariables();
}

bool StandinHost::start()
{
    Measurement& m = rooms_->measurement;
    HostWorksheet& worksheet = rooms_->worksheet;
    if (m.running) {
        rooms_->log.fail("start while a measurement runs");
        return false;
    }
    m.running = true;
    m.paused = false;
    m.stopRequested = false;
    m.startTicks = m.clock32();
    m.startClock = m.clock64();
    worksheet.resetCounts();
    m.writeVariables();
    bool allStarted = true;
    // A module whose start failed is processed all the same, as the host does.
    for (const auto& entry : worksheet.entries()) {
        allStarted &= worksheet.send(entry.get(), MODMSG_START, 0, 0) != 0;
        worksheet.markStarted(entry.get());
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
    const Measurement& m = rooms_->measurement;
    if (!m.running)
        return false;
    ProcessRound(rooms_->worksheet);
    if (m.stopRequested)
        stop();
    return m.running;
}

void StandinHost::runRounds(unsigned rounds, std::uint32_t millisecondsPerRound)
{
    for (unsigned i = 0; i < rounds && rooms_->measurement.running; ++i) {
        advanceClock(millisecondsPerRound);
        runRound();
    }
}

void StandinHost::runFor(std::uint32_t milliseconds, const std::function<void()>& progress)
{
    if (!rooms_->measurement.running)
        return;
    RoundLoop loop{rooms_.get()};
    HANDLE thread = CreateThread(nullptr, 0, RunRounds, &loop, 0, nullptr);
    if (!thread) {
        rooms_->log.fail("no thread for the measurement");
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
    rooms_->measurement.paused = true;
    rooms_->measurement.writeVariables();
}

void StandinHost::resume()
{
    rooms_->measurement.paused = false;
    rooms_->measurement.writeVariables();
}

void StandinHost::stop()
{
    Measurement& m = rooms_->measurement;
    HostWorksheet& worksheet = rooms_->worksheet;
    if (!m.running)
        return;
    for (const auto& entry : worksheet.entries()) {
        if (worksheet.retire(entry.get()))
            worksheet.send(entry.get(), MODMSG_STOP, 0, 0);
    }
    m.running = false;
    m.paused = false;
    m.stopRequested = false;
    m.writeVariables();
    worksheet.freeBlocks();
}

bool StandinHost::running() const { return rooms_->measurement.running; }
bool StandinHost::paused() const { return rooms_->measurement.paused; }
std::uint32_t StandinHost::experimentStartTicks() const { return rooms_->measurement.startTicks; }

}  // namespace standin
