// Measurements as the host runs them: the clock the library and the driver
// see, the time base, start, rounds of process calls, pause and stop; on
// the virtual clock, the next moment a process call matters (FindNextCall).
#include <algorithm>
#include <cmath>

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
constexpr std::uint64_t kProgressReports = 10;
// Calls at one time of the virtual clock, beyond one per set the board
// completes in a ms, before the clock moves on by a ms.
constexpr std::uint64_t kRepeatedCallsPerTick = 4;
// The virtual clock's longest step: the library and the driver tell a step
// of the 32-bit tick count past its wrap from one back only when they look
// more often than every 2^31 ms.
constexpr std::uint64_t kLongestStepMilliseconds = 3600000;

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

// The virtual clock's next stop: the soonest time, in ms since the start,
// at which a process call makes a difference, never later than one block
// time on; `pending` when another call at the time already reached would:
// the last call moved a block and a block is due, waits on an input or
// can be filled from a set the board holds. A call that moved no block
// shows that nothing more happens until the clock moves.
struct NextCall {
    std::uint64_t elapsed;
    bool pending = false;
    std::uint64_t blockEvents = 0;
};

NextCall FindNextCall(HostRooms& host, std::uint64_t now, std::uint64_t blockTime, std::uint64_t blockEvents)
{
    const BlockTimes blocks = host.worksheet.blockTimes();
    NextCall next{now + blockTime, blocks.inputsWaiting, blocks.blockEvents};
    if (blocks.nextDue > now)
        next.elapsed = std::min(next.elapsed, blocks.nextDue);
    else
        next.pending = true;
    std::uint64_t delay = 0;
    SimTorq7Control* driver = host.owner->driver();
    if (driver && driver->SimTorq7_NextSetDelay(host.measurement.blockSize, &delay)) {
        if (delay == 0)
            next.pending = true;
        else
            next.elapsed = std::min(next.elapsed, now + delay);
    }
    next.pending &= blocks.blockEvents != blockEvents;
    return next;
}

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

std::uint64_t StandinHost::virtualRunLength(std::uint64_t milliseconds) const
{
    const Measurement& m = rooms_->measurement;
    const double stepTime = std::max(m.msPerSample * m.blockSize, 1.0);
    return static_cast<std::uint64_t>(std::ceil(std::ceil(milliseconds / stepTime) * stepTime));
}

void StandinHost::runOnVirtualClock(std::uint64_t milliseconds, const std::function<void()>& progress)
{
    Measurement& m = rooms_->measurement;
    const double blockTime = m.msPerSample * m.blockSize;
    const std::uint64_t step =
        std::clamp<std::uint64_t>(static_cast<std::uint64_t>(blockTime), 1, kLongestStepMilliseconds);
    // A board that completes several sets within one ms has each read in a
    // call of its own before the clock moves on.
    const std::uint64_t callsPerMillisecond =
        kRepeatedCallsPerTick + (blockTime < 1.0 ? 2 * static_cast<std::uint64_t>(std::ceil(1.0 / blockTime)) : 0);
    const std::uint64_t end = virtualRunLength(milliseconds);
    std::uint64_t nextProgress = end / kProgressReports;
    std::uint64_t callsThisTick = 0;
    std::uint64_t blockEvents = rooms_->worksheet.blockTimes().blockEvents;
    SimTorq7Control* board = driver();
    std::uint32_t noticesServed = board ? board->SimTorq7_NoticesPosted() : 0;
    while (m.running) {
        ProcessRound(rooms_->worksheet);
        ++callsThisTick;
        // The driver's notices go to the library's window, whose messages
        // this thread serves between calls, as a host's user interface does.
        if (board && board->SimTorq7_NoticesPosted() != noticesServed) {
            noticesServed = board->SimTorq7_NoticesPosted();
            PumpMessages();
        }
        if (m.stopRequested)
            stop();
        // A stopped run reports once, below.
        if (!m.running)
            break;
        const std::uint64_t now = m.elapsed();
        while (progress && now >= nextProgress && nextProgress < end) {
            progress();
            nextProgress += std::max<std::uint64_t>(1, end / kProgressReports);
        }
        const NextCall next = FindNextCall(*rooms_, now, step, blockEvents);
        blockEvents = next.blockEvents;
        if (next.pending && callsThisTick < callsPerMillisecond)
            continue;
        const std::uint64_t then = next.pending ? now + 1 : next.elapsed;
        if (then > end)
            break;
        callsThisTick = 0;
        advanceClock(then - now);
    }
    if (progress)
        progress();
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
