// The control interface with which tests, the stand-in host and the demo lay
// out the simulated boards and read back what the library did to them.
#include <algorithm>

#include "SimState.h"

using sim::BoardState;
using sim::DriverState;

#define SIM_TORQ7_DECLARE_EXPORT(ret, name, args) extern "C" ret TORQ7_CALL name args;
SIM_TORQ7_CONTROL_FUNCTIONS(SIM_TORQ7_DECLARE_EXPORT)
#undef SIM_TORQ7_DECLARE_EXPORT

namespace {

// The window and message of a notice to a board; no window when it is not open.
sim::Notice NoticeFor(std::uint32_t board, std::uint32_t n)
{
    sim::StateLock lock;
    DriverState& state = lock.state();
    const auto found = state.boards.find(board);
    if (found == state.boards.end() || !found->second.open)
        return {};
    return {found->second.window, found->second.messageBase + n};
}

}  // namespace

extern "C" {

void TORQ7_CALL SimTorq7_Reset(void)
{
    sim::StateLock lock;
    lock.state() = DriverState{};
    sim::PortMonitor& ports = sim::g_ports;
    ports.overlaps = 0;
    ports.holdMicroseconds = 0;
}

void TORQ7_CALL SimTorq7_SetBoard(std::uint32_t slot, const SimBoardConfig* config)
{
    if (slot >= kBoardSlots)
        return;
    sim::StateLock lock;
    lock.state().SetSlot(slot, config ? *config : SimBoardConfig{});
}

void TORQ7_CALL SimTorq7_SetFault(std::uint32_t entry, std::uint32_t board, std::uint32_t passes,
                                  std::uint32_t failures, std::int32_t errorCode)
{
    sim::StateLock lock;
    std::vector<sim::Fault>& faults = lock.state().faults;
    // A new fault for the same entry and board replaces the old one.
    faults.erase(std::remove_if(faults.begin(), faults.end(),
                                [&](const sim::Fault& fault) { return fault.entry == entry && fault.board == board; }),
                 faults.end());
    if (failures > 0)
        faults.push_back({entry, board, passes, failures, errorCode});
}

void TORQ7_CALL SimTorq7_ClearFaults(void)
{
    sim::StateLock lock;
    lock.state().faults.clear();
    lock.state().timedFaults.clear();
}

void TORQ7_CALL SimTorq7_SetLastError(std::uint32_t board, std::int32_t errorCode)
{
    sim::StateLock lock;
    lock.state().boards[board].lastError = errorCode;
}

std::uint32_t TORQ7_CALL SimTorq7_CallCount(void)
{
    sim::StateLock lock;
    return static_cast<std::uint32_t>(lock.state().log.Total());
}

std::int32_t TORQ7_CALL SimTorq7_GetCall(std::uint32_t index, SimCall* call)
{
    sim::StateLock lock;
    const sim::History<SimCall>& log = lock.state().log;
    if (!call || !log.Kept(index))
        return 0;
    *call = log.At(index);
    return 1;
}

std::uint32_t TORQ7_CALL SimTorq7_CountCalls(std::uint32_t entry, std::uint32_t board)
{
    sim::StateLock lock;
    const sim::History<SimCall>& log = lock.state().log;
    std::uint32_t count = 0;
    for (std::uint64_t i = log.FirstKept(); i < log.Total(); ++i) {
        const SimCall& call = log.At(i);
        // The first argument is the board, or for Torq7Create the slot.
        const bool forBoard = board == sim::kAnyBoard || (call.dwEntry != SIM_GETVERSION && call.dwArgs[0] == board);
        if (call.dwEntry == entry && forBoard)
            ++count;
    }
    return count;
}

void TORQ7_CALL SimTorq7_ClearLog(void)
{
    sim::StateLock lock;
    lock.state().log = {};
}

void TORQ7_CALL SimTorq7_SetClock(SimClockFunction clock)
{
    sim::StateLock lock;
    lock.state().SetClock(clock);
}

void TORQ7_CALL SimTorq7_SetSignal(std::uint32_t board, std::uint32_t channel, const SimSignal* signal)
{
    if (channel >= sim::kInputChannels)
        return;
    sim::StateLock lock;
    lock.state().boards[board].signals[channel] = signal ? *signal : SimSignal{};
}

void TORQ7_CALL SimTorq7_SetCodePattern(std::uint32_t board, std::uint32_t channel, const std::uint16_t* codes,
                                        std::uint32_t count)
{
    if (channel >= sim::kInputChannels)
        return;
    sim::StateLock lock;
    BoardState& target = lock.state().boards[board];
    target.patterns[channel].assign(codes, codes ? codes + count : codes);
    target.signals[channel].dwKind = SIM_SIGNAL_PATTERN;
}

std::int32_t TORQ7_CALL SimTorq7_GetMode(std::uint32_t board, SamplingMode* mode)
{
    sim::StateLock lock;
    const sim::Sampling& sampling = lock.state().boards[board].sampling;
    if (!sampling.configured)
        return 0;
    if (mode)
        *mode = sampling.mode;
    return 1;
}

std::int32_t TORQ7_CALL SimTorq7_IsSampling(std::uint32_t board)
{
    sim::StateLock lock;
    return lock.state().boards[board].sampling.running ? 1 : 0;
}

void TORQ7_CALL SimTorq7_SetInputPattern(std::uint32_t board, const std::uint8_t* bytes, std::uint32_t count)
{
    sim::StateLock lock;
    BoardState& target = lock.state().boards[board];
    if (bytes && count > 0)
        target.inputPattern.assign(bytes, bytes + count);
    else
        target.inputPattern = {0x00};
    target.inputIndex = 0;
}

void TORQ7_CALL SimTorq7_SetLoopback(std::uint32_t board, std::int32_t on)
{
    sim::StateLock lock;
    lock.state().boards[board].loopback = on != 0;
}

std::uint32_t TORQ7_CALL SimTorq7_GetOutPortHistory(std::uint32_t board, std::uint8_t* bytes, std::uint32_t max)
{
    sim::StateLock lock;
    const sim::History<std::uint8_t>& history = lock.state().boards[board].outPort;
    if (bytes)
        history.CopyOut(bytes, max);
    return static_cast<std::uint32_t>(history.Total());
}

std::uint32_t TORQ7_CALL SimTorq7_GetOutputCodes(std::uint32_t board, std::uint32_t channel, std::uint16_t* codes,
                                                 std::uint32_t max)
{
    if (channel >= sim::kOutputChannels)
        return 0;
    sim::StateLock lock;
    const sim::History<std::uint16_t>& history = lock.state().boards[board].outputCodes[channel];
    if (codes)
        history.CopyOut(codes, max);
    return static_cast<std::uint32_t>(history.Total());
}

void TORQ7_CALL SimTorq7_SetPortHoldMicroseconds(std::uint32_t microseconds)
{
    sim::g_ports.holdMicroseconds = microseconds;
}

std::uint32_t TORQ7_CALL SimTorq7_PortOverlaps(void)
{
    return sim::g_ports.overlaps;
}

std::int32_t TORQ7_CALL SimTorq7_SendNotice(std::uint32_t board, std::uint32_t n)
{
    const sim::Notice notice = NoticeFor(board, n);
    if (!notice.window)
        return 0;
    SendMessageA(notice.window, notice.message, 0, 0);
    return 1;
}

std::int32_t TORQ7_CALL SimTorq7_PostNotice(std::uint32_t board, std::uint32_t n)
{
    return sim::PostNotice(NoticeFor(board, n)) ? 1 : 0;
}

std::uint32_t TORQ7_CALL SimTorq7_OpenBoards(void)
{
    sim::StateLock lock;
    const auto& boards = lock.state().boards;
    return static_cast<std::uint32_t>(
        std::count_if(boards.begin(), boards.end(), [](const auto& board) { return board.second.open; }));
}

void TORQ7_CALL SimTorq7_TimeEntries(std::int32_t on)
{
    sim::g_entryTiming = on != 0;
}

std::uint64_t TORQ7_CALL SimTorq7_EntryTicks(void)
{
    return sim::g_entryTicks.load();
}

void TORQ7_CALL SimTorq7_SetReplay(std::uint32_t board, std::uint32_t channel, const double* timesMs,
                                   const double* codes, std::uint32_t count, std::uint32_t flags)
{
    if (channel >= sim::kInputChannels)
        return;
    sim::StateLock lock;
    BoardState& target = lock.state().boards[board];
    sim::MakeReplayTrack(timesMs, codes, count, flags, &target.replays[channel]);
    target.signals[channel].dwKind = SIM_SIGNAL_REPLAY;
}

void TORQ7_CALL SimTorq7_SetBufferCapacity(std::uint32_t board, std::uint32_t words)
{
    sim::StateLock lock;
    lock.state().boards[board].bufferCapacity = words;
}

void TORQ7_CALL SimTorq7_SetBoardClock(std::uint32_t board, double leadMs, double ppm)
{
    sim::StateLock lock;
    sim::BoardState& target = lock.state().boards[board];
    target.clockLeadMs = leadMs;
    target.clockPpm = ppm;
}

void TORQ7_CALL SimTorq7_SetTimedFault(std::uint32_t entry, std::uint32_t board, std::uint32_t fromTick,
                                       std::uint32_t failures, std::int32_t errorCode)
{
    sim::StateLock lock;
    std::vector<sim::TimedFault>& faults = lock.state().timedFaults;
    faults.erase(std::remove_if(faults.begin(), faults.end(),
                                [&](const sim::TimedFault& fault) { return fault.entry == entry && fault.board == board; }),
                 faults.end());
    if (failures > 0)
        faults.push_back({entry, board, fromTick, failures, errorCode});
}

void TORQ7_CALL SimTorq7_SetInputHold(std::uint32_t board, std::int32_t on)
{
    sim::StateLock lock;
    lock.state().boards[board].inputHold = on != 0;
}

std::int32_t TORQ7_CALL SimTorq7_GetSamplingCounts(std::uint32_t board, SimSamplingCounts* counts)
{
    sim::StateLock lock;
    const auto found = lock.state().boards.find(board);
    if (!counts || found == lock.state().boards.end() || !found->second.sampling.configured)
        return 0;
    const sim::Sampling& sampling = found->second.sampling;
    *counts = {sampling.produced,
               sampling.read,
               sampling.dropped,
               sim::SampledChannels(sampling),
               sampling.notices,
               found->second.messageBase + sim::OverflowNoticeOffset(sampling.mode.dwModeCode)};
    return 1;
}

std::int32_t TORQ7_CALL SimTorq7_NextSetDelay(std::uint32_t samples, std::uint64_t* milliseconds)
{
    sim::StateLock lock;
    DriverState& state = lock.state();
    std::uint64_t soonest = sim::kNeverReady;
    const std::uint32_t now = state.Now();
    for (const auto& board : state.boards) {
        const std::uint64_t words = std::uint64_t{samples} * sim::SampledChannels(board.second.sampling);
        soonest = std::min(soonest, sim::MillisecondsUntilReady(board.second, now, words));
    }
    if (!milliseconds || soonest == sim::kNeverReady)
        return 0;
    *milliseconds = soonest;
    return 1;
}

std::uint32_t TORQ7_CALL SimTorq7_NoticesPosted(void)
{
    return sim::g_noticesPosted.load();
}

}  // extern "C"
