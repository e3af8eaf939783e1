// The simulated driver's state: its boards, faults and call log, behind one lock.
#include "SimState.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

// Spins this often, then gives the processor away while it waits.
constexpr unsigned kSpinsBeforeYield = 64;

struct ModeNotice {
    std::uint32_t modeCode;
    std::uint32_t noticeOffset;
};

// Driver-memory modes report a buffer overflow, device-memory modes an overrun.
constexpr ModeNotice kModeNotices[] = {
    {2, kMsgBufferOverflow - kDriverMessageBase},
    {4, kMsgBufferOverflow - kDriverMessageBase},
    {5, kMsgBufferOverrun - kDriverMessageBase},
    {6, kMsgBufferOverrun - kDriverMessageBase},
};

// Microseconds of sampling on the board's own clock after `elapsed` ms on the
// PC's; never before the start.
std::uint64_t BoardMicroseconds(const BoardState& board, std::uint64_t elapsed)
{
    if (board.clockLeadMs == 0.0 && board.clockPpm == 0.0)
        return elapsed * 1000;
    const double micros = static_cast<double>(elapsed) * (1000.0 + board.clockPpm * 1e-3) + board.clockLeadMs * 1000.0;
    return micros > 0.0 ? static_cast<std::uint64_t>(micros) : 0;
}

std::uint32_t BufferWords(const BoardState& board)
{
    const std::uint32_t modeWords = board.sampling.mode.dwBufferWords;
    return board.bufferCapacity > 0 ? std::min(board.bufferCapacity, modeWords) : modeWords;
}

// Ms of sampling on the PC's clock after `elapsed` ms of it; never less than
// the sampling already counted.
std::uint64_t ElapsedAt(const Sampling& sampling, std::uint32_t now)
{
    const auto step = static_cast<std::int32_t>(now - sampling.lastTick);
    return sampling.elapsed + (step > 0 ? static_cast<std::uint32_t>(step) : 0);
}

}  // namespace

std::uint64_t MillisecondsUntilReady(const BoardState& board, std::uint32_t now, std::uint64_t words)
{
    const Sampling& sampling = board.sampling;
    const std::uint32_t channels = SampledChannels(sampling);
    if (!sampling.running || words > BufferWords(board) / channels * channels)
        return kNeverReady;
    // The board's time when the set's last sample is taken; then the first
    // whole ms of the PC's clock at which the board has reached it.
    const std::uint64_t samples = (sampling.consumed + words + channels - 1) / channels;
    const std::uint64_t micros = samples * sampling.hundredths * 10ull;
    const double rate = 1000.0 + board.clockPpm * 1e-3;
    const double estimate = std::ceil((static_cast<double>(micros) - board.clockLeadMs * 1000.0) / rate);
    std::uint64_t elapsed = estimate > 0.0 ? static_cast<std::uint64_t>(estimate) : 0;
    while (BoardMicroseconds(board, elapsed) < micros)
        ++elapsed;
    while (elapsed > 0 && BoardMicroseconds(board, elapsed - 1) >= micros)
        --elapsed;
    const std::uint64_t nowElapsed = ElapsedAt(sampling, now);
    return elapsed > nowElapsed ? elapsed - nowElapsed : 0;
}

std::uint32_t OverflowNoticeOffset(std::uint32_t modeCode)
{
    for (const ModeNotice& mode : kModeNotices)
        if (mode.modeCode == modeCode)
            return mode.noticeOffset;
    return 0;
}

DriverState g_state;
std::atomic<bool> g_stateTaken{false};

void WaitForState()
{
    for (unsigned spins = 0; g_stateTaken.load(std::memory_order_relaxed); ++spins) {
        if (spins < kSpinsBeforeYield)
            YieldProcessor();
        else
            SwitchToThread();
    }
}

void DriverState::SetSlot(std::uint32_t slot, const SimBoardConfig& config)
{
    slots[slot] = config;
    recentState = nullptr;
}

const SimBoardConfig* DriverState::ConfigOf(std::uint32_t board) const
{
    for (const SimBoardConfig& slot : slots)
        if (slot.bPresent && slot.dwBoardNumber == board)
            return &slot;
    return nullptr;
}

std::int32_t DriverState::Fail(std::uint32_t board, std::int32_t errorCode)
{
    if (board != kNoBoard)
        boards[board].lastError = errorCode;
    return 0;
}

bool DriverState::TakeFault(std::uint32_t entry, std::uint32_t board, std::int32_t* errorCode)
{
    for (auto fault = faults.begin(); fault != faults.end(); ++fault) {
        if (fault->entry != entry || (fault->board != kAnyBoard && fault->board != board))
            continue;
        if (fault->passes > 0) {
            --fault->passes;
            return false;
        }
        *errorCode = fault->errorCode;
        if (fault->failures != kForever && --fault->failures == 0)
            faults.erase(fault);
        return true;
    }
    return false;
}

Notice DriverState::Advance(BoardState& board, std::uint32_t now)
{
    Sampling& sampling = board.sampling;
    if (!sampling.running)
        return {};
    // A clock that went back produces nothing until it is past where it was;
    // the clock is looked at far more often than every 24 days, so steps
    // forward are counted across its wraps.
    const std::uint64_t elapsed = ElapsedAt(sampling, now);
    if (elapsed != sampling.elapsed) {
        sampling.elapsed = elapsed;
        sampling.lastTick = now;
    }
    const std::uint32_t channels = SampledChannels(sampling);
    const std::uint64_t produced = channels * (BoardMicroseconds(board, sampling.elapsed) / (sampling.hundredths * 10ull));
    if (produced > sampling.produced)
        sampling.produced = produced;
    const std::uint32_t capacity = BufferWords(board);
    if (sampling.produced - sampling.consumed <= capacity)
        return {};
    // Whole sample sets only, so that reading still begins with the first channel.
    const std::uint64_t kept = capacity / channels * channels;
    sampling.dropped += sampling.produced - kept - sampling.consumed;
    sampling.consumed = sampling.produced - kept;
    if (sampling.overflowEpisode)
        return {};
    sampling.overflowEpisode = true;
    if (board.window)
        ++sampling.notices;
    return {board.window, board.messageBase + OverflowNoticeOffset(sampling.mode.dwModeCode)};
}

}  // namespace sim
