// The simulated driver's whole state: board slots, per-board state, injected
// faults and the call log, all behind one lock, since the host's process
// functions may call the driver from another thread than the UI.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "Replay.h"
#include "SimSignals.h"
#include "sim/control/SimTorq7Control.h"

namespace sim {

constexpr std::uint32_t kAnyBoard = 0xFFFFFFFF;
// Board key of calls that name no board (Torq7GetVersion): never a real
// board number, as the entry points take 16-bit numbers.
constexpr std::uint32_t kNoBoard = 0xFFFFFFFF;
constexpr std::uint32_t kForever = 0xFFFFFFFF;
constexpr unsigned kInputChannels = 8;
constexpr unsigned kOutputChannels = 2;
// Histories and the log keep this many of their latest items but count all.
constexpr std::size_t kHistoryCap = std::size_t{1} << 20;

// Keeps the latest kHistoryCap items, addressed by their index among all
// items ever added.
template <typename T>
class History {
public:
    // The place of a new item, to be filled in where it stays.
    T& Append()
    {
        // Room for all at once: growing a large history by copying would make
        // a call now and then slower by far than the others.
        if (items_.capacity() == 0)
            items_.reserve(kHistoryCap);
        const std::uint64_t index = total_++;
        if (items_.size() < kHistoryCap)
            return items_.emplace_back();
        return items_[index % kHistoryCap];
    }
    void Add(const T& item) { Append() = item; }
    std::uint64_t Total() const { return total_; }
    std::uint64_t FirstKept() const { return total_ - items_.size(); }
    bool Kept(std::uint64_t index) const { return index >= FirstKept() && index < total_; }
    const T& At(std::uint64_t index) const { return items_[index % kHistoryCap]; }
    // Copies the kept items, oldest first, up to max.
    std::uint32_t CopyOut(T* out, std::uint32_t max) const
    {
        std::uint32_t copied = 0;
        for (std::uint64_t i = FirstKept(); i < total_ && copied < max; ++i)
            out[copied++] = At(i);
        return copied;
    }

private:
    std::vector<T> items_;
    std::uint64_t total_ = 0;
};

struct Sampling {
    bool configured = false;
    SamplingMode mode{};
    std::uint32_t hundredths = 0;   // interval of the mode's clock code
    bool running = false;
    std::uint32_t lastTick = 0;     // clock at the last look
    std::uint64_t elapsed = 0;      // ms of sampling so far, past any wrap of the clock
    std::uint64_t produced = 0;     // words since the start
    std::uint64_t consumed = 0;     // words read or dropped since the start
    std::uint64_t read = 0;         // words read since the start
    std::uint64_t dropped = 0;      // words dropped since the start
    std::uint32_t notices = 0;      // overflow notices since the start
    bool overflowEpisode = false;   // words were dropped and nothing was read since
};

inline std::uint32_t SampledChannels(const Sampling& sampling)
{
    return sampling.mode.dwLastChannel - sampling.mode.dwFirstChannel + 1;
}

struct BoardState {
    bool open = false;
    HWND window = nullptr;
    std::uint32_t messageBase = 0;
    std::int32_t lastError = SIM_ERROR_NONE;
    Sampling sampling;
    SimSignal signals[kInputChannels]{};
    std::vector<std::uint16_t> patterns[kInputChannels];
    ReplayTrack replays[kInputChannels];
    PeriodTable tables[kInputChannels];
    std::uint32_t bufferCapacity = 0;   // 0: the mode's buffer size
    // The board's crystal against the PC's clock: its samples are taken this
    // much ahead of (or, negative, behind) the clock, and it runs this many
    // parts per million fast (or slow).
    double clockLeadMs = 0.0;
    double clockPpm = 0.0;
    std::vector<std::uint8_t> inputPattern{0x00};
    std::size_t inputIndex = 0;
    bool inputHold = false;
    bool loopback = false;
    std::uint8_t lastOut = 0x00;
    History<std::uint8_t> outPort;
    History<std::uint16_t> outputCodes[kOutputChannels];
};

struct Fault {
    std::uint32_t entry;
    std::uint32_t board;
    std::uint32_t passes;
    std::uint32_t failures;
    std::int32_t errorCode;
};

struct TimedFault {
    std::uint32_t entry;
    std::uint32_t board;
    std::uint32_t fromTick;
    std::uint32_t failures;
    std::int32_t errorCode;
};

// A driver notice to post once the state lock is released.
struct Notice {
    HWND window = nullptr;
    UINT message = 0;
};

struct DriverState {
    SimBoardConfig slots[kBoardSlots]{};
    std::map<std::uint32_t, BoardState> boards;
    std::vector<Fault> faults;
    std::vector<TimedFault> timedFaults;
    History<SimCall> log;
    SimClockFunction clock = nullptr;
    // The board the last call found present, so that the calls of a
    // measurement need no search; forgotten whenever a slot changes.
    std::uint32_t recentBoard = kNoBoard;
    BoardState* recentState = nullptr;

    // The host's clock when a host drives it; otherwise the driver's own.
    std::uint32_t Now() const { return clock ? clock() : GetTickCount(); }
    void SetClock(SimClockFunction newClock);
    void SetSlot(std::uint32_t slot, const SimBoardConfig& config);
    // The present slot whose board number this is; null when none.
    const SimBoardConfig* ConfigOf(std::uint32_t board) const;
    // The board if it is present and open; otherwise sets its last error and yields null.
    BoardState* OpenBoard(std::uint32_t board)
    {
        if (board != recentBoard || !recentState) {
            if (!ConfigOf(board)) {
                Fail(board, SIM_ERROR_NO_BOARD);
                return nullptr;
            }
            recentBoard = board;
            recentState = &boards[board];
        }
        if (!recentState->open) {
            Fail(board, SIM_ERROR_NOT_OPEN);
            return nullptr;
        }
        return recentState;
    }
    // Sets the board's last error and yields the failure result 0.
    std::int32_t Fail(std::uint32_t board, std::int32_t errorCode);
    // Counts the call against a matching fault; true when the call is to fail,
    // with the fault's error code in errorCode.
    bool TakeFault(std::uint32_t entry, std::uint32_t board, std::int32_t* errorCode);
    // The same for the faults that begin at a clock time.
    bool TakeTimedFault(std::uint32_t entry, std::uint32_t board, std::uint32_t now, std::int32_t* errorCode);
    void Log(std::uint32_t entry, const std::uint32_t (&args)[4], std::int32_t result, std::uint32_t tick)
    {
        SimCall& call = log.Append();
        call.dwEntry = entry;
        for (unsigned i = 0; i < 4; ++i)
            call.dwArgs[i] = args[i];
        call.nResult = result;
        call.dwTick = tick;
        call.dwThreadId = GetCurrentThreadId();
    }
    // Brings the board's sampling up to `now`: counts the words produced and
    // drops the oldest beyond the buffer; yields the overflow notice when an
    // episode of falling behind begins.
    Notice Advance(BoardState& board, std::uint32_t now);
};

constexpr std::uint64_t kNeverReady = ~std::uint64_t{0};
// Ms of the clock from `now` until the board holds `words` words ready;
// kNeverReady when it does not sample or its buffer never holds that many.
std::uint64_t MillisecondsUntilReady(const BoardState& board, std::uint32_t now, std::uint64_t words);

// The state and its lock. Every driver call takes the lock and nearly always
// finds it free, so it is a flag set by one atomic exchange; a thread that
// finds it taken gives way until it is free.
extern DriverState g_state;
extern std::atomic<bool> g_stateTaken;
void WaitForState();

// Holds the state lock for its lifetime.
class StateLock {
public:
    StateLock()
    {
        while (g_stateTaken.exchange(true, std::memory_order_acquire))
            WaitForState();
    }
    ~StateLock() { g_stateTaken.store(false, std::memory_order_release); }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    DriverState& state() { return g_state; }
};

inline std::atomic<std::uint32_t> g_noticesPosted{0};

inline bool PostNotice(const Notice& notice)
{
    if (!notice.window || !PostMessageA(notice.window, notice.message, 0, 0))
        return false;
    ++g_noticesPosted;
    return true;
}

// Offset from the message base of the notice that a sampling mode code posts
// when words are dropped; 0 for a mode code the board does not know.
std::uint32_t OverflowNoticeOffset(std::uint32_t modeCode);

// Watches the port entry points for calls that overlap. Outside the state
// lock, so that the hold does not serialise the very calls it is to catch.
struct PortMonitor {
    std::atomic<std::uint32_t> inside{0};
    std::atomic<std::uint32_t> overlaps{0};
    std::atomic<std::uint32_t> holdMicroseconds{0};
};
inline PortMonitor g_ports;

// Time-stamp counter ticks spent inside the entry points, so that a
// benchmark can tell the driver's share of a call from its caller's.
inline std::atomic<std::uint64_t> g_entryTicks{0};
inline std::atomic<bool> g_entryTiming{false};

// Low 32 bits of an address, as the log keeps it.
template <typename T>
std::uint32_t Low32(T* address)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
}

}  // namespace sim
