// The fourteen entry points of torq7.dll, as the library binds them by name.
#include <intrin.h>

#include <cstring>
#include <type_traits>

#include "SimSignals.h"
#include "SimState.h"

using sim::BoardState;
using sim::DriverState;
using sim::Low32;
using sim::Notice;

namespace {

constexpr std::uint32_t kVersion = 0x0100;
// Interrupt line reported for slot 0; the next slots count up from it.
constexpr std::uint32_t kFirstInterruptLine = 10;

// With timing on, adds the time until its end to the entry points' ticks.
struct EntryTime {
    bool timed = sim::g_entryTiming.load(std::memory_order_relaxed);
    std::uint64_t begin = timed ? __rdtsc() : 0;
    ~EntryTime()
    {
        if (timed)
            sim::g_entryTicks += __rdtsc() - begin;
    }
};

// Spends the port hold time without blocking the other threads' port calls.
void HoldPort(std::uint32_t microseconds)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const LONGLONG ticks = frequency.QuadPart * microseconds / 1000000;
    do {
        Sleep(0);
        QueryPerformanceCounter(&now);
    } while (now.QuadPart - start.QuadPart < ticks);
}

// One call of an entry point: an injected fault fails it without effect,
// otherwise the body runs; either way the call is logged. A notice the body
// leaves is posted after the lock is released. A port call is counted as an
// overlap when another port call is still inside.
template <typename Body>
std::int32_t Call(SimEntry entry, std::uint32_t board, const std::uint32_t (&args)[4], Body body, bool port = false)
{
    EntryTime time;
    sim::PortMonitor& ports = sim::g_ports;
    if (port) {
        if (ports.inside.fetch_add(1) > 0)
            ports.overlaps.fetch_add(1);
        if (const std::uint32_t hold = ports.holdMicroseconds.load(std::memory_order_relaxed))
            HoldPort(hold);
    }
    Notice notice;
    std::int32_t result;
    {
        sim::StateLock lock;
        DriverState& state = lock.state();
        const std::uint32_t now = state.Now();
        std::int32_t errorCode = 0;
        if ((!state.faults.empty() && state.TakeFault(entry, board, &errorCode)) ||
            (!state.timedFaults.empty() && state.TakeTimedFault(entry, board, now, &errorCode)))
            result = state.Fail(board, errorCode);
        else
            result = body(state, now, notice);
        state.Log(entry, args, result, now);
    }
    sim::PostNotice(notice);
    if (port)
        ports.inside.fetch_sub(1);
    return result;
}

template <typename Body>
std::int32_t PortCall(SimEntry entry, std::uint32_t board, const std::uint32_t (&args)[4], Body body)
{
    return Call(entry, board, args, body, true);
}

void FillResource(ResourceRecord* resource, const DriverState& state, const SimBoardConfig& config,
                  std::uint32_t board)
{
    const auto slot = static_cast<std::uint32_t>(&config - state.slots);
    *resource = ResourceRecord{};
    // The driver's own head of the record: its size, the board, its slot and interrupt line.
    const std::uint32_t head[] = {sizeof(ResourceRecord), board, slot, kFirstInterruptLine + slot};
    std::memcpy(resource->driverReserved0, head, sizeof head);
    resource->dwIoPortAddress = config.dwIoPortAddress;
    resource->dwIoPortLength = config.dwIoPortLength;
}

}  // namespace

extern "C" {

std::uint32_t TORQ7_CALL Torq7GetVersion(void)
{
    return static_cast<std::uint32_t>(
        Call(SIM_GETVERSION, sim::kNoBoard, {}, [](DriverState&, std::uint32_t, Notice&) -> std::int32_t {
            return static_cast<std::int32_t>(kVersion);
        }));
}

std::int32_t TORQ7_CALL Torq7Create(std::uint32_t* slotOrBoard, HWND__* notifyWindow, std::uint32_t messageBase,
                                    std::uint32_t reserved)
{
    // Faults and errors of a create concern the slot, as no board is known yet.
    const std::uint32_t slot = slotOrBoard ? *slotOrBoard : sim::kNoBoard;
    return Call(SIM_CREATE, slot, {slot, Low32(notifyWindow), messageBase, reserved},
                [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
                    if (!slotOrBoard)
                        return state.Fail(slot, SIM_ERROR_BAD_ARGUMENT);
                    if (slot >= kBoardSlots || !state.slots[slot].bPresent)
                        return state.Fail(slot, SIM_ERROR_NO_BOARD);
                    const std::uint32_t board = state.slots[slot].dwBoardNumber;
                    BoardState& opened = state.boards[board];
                    opened.open = true;
                    opened.window = notifyWindow;
                    opened.messageBase = messageBase;
                    *slotOrBoard = board;
                    return 1;
                });
}

std::int32_t TORQ7_CALL Torq7Close(std::uint16_t board)
{
    return Call(SIM_CLOSE, board, {board}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        BoardState* closing = state.OpenBoard(board);
        if (!closing)
            return 0;
        closing->open = false;
        closing->window = nullptr;
        closing->sampling.running = false;
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7GetResource(std::uint16_t board, ResourceRecord* resource)
{
    return Call(SIM_GETRESOURCE, board, {board, Low32(resource)}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        if (!state.OpenBoard(board))
            return 0;
        if (!resource)
            return state.Fail(board, SIM_ERROR_BAD_ARGUMENT);
        const SimBoardConfig& config = *state.ConfigOf(board);
        if (!config.bResourceOk)
            return state.Fail(board, SIM_ERROR_NO_RESOURCE);
        FillResource(resource, state, config, board);
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7GetSwitchValue(std::uint16_t board, std::uint32_t* value)
{
    return Call(SIM_GETSWITCHVALUE, board, {board, Low32(value)}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        if (!state.OpenBoard(board))
            return 0;
        if (!value)
            return state.Fail(board, SIM_ERROR_BAD_ARGUMENT);
        *value = state.ConfigOf(board)->dwSwitchValue;
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7SetMode(std::uint16_t board, SamplingMode* mode)
{
    return Call(SIM_SETMODE, board, {board, Low32(mode)}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        BoardState* target = state.OpenBoard(board);
        if (!target)
            return 0;
        if (!mode)
            return state.Fail(board, SIM_ERROR_BAD_ARGUMENT);
        if (target->sampling.running)
            return state.Fail(board, SIM_ERROR_BUSY);
        const std::uint32_t hundredths = sim::ClockCodeHundredths(mode->dwClockCode);
        const bool channelsOk = mode->dwFirstChannel <= mode->dwLastChannel &&
                                mode->dwLastChannel < sim::kInputChannels;
        if (hundredths == 0 || !channelsOk || sim::OverflowNoticeOffset(mode->dwModeCode) == 0 ||
            mode->dwBufferWords < mode->dwLastChannel - mode->dwFirstChannel + 1)
            return state.Fail(board, SIM_ERROR_BAD_MODE);
        target->sampling.configured = true;
        target->sampling.mode = *mode;
        target->sampling.hundredths = hundredths;
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7StartSampling(std::uint16_t board)
{
    return Call(SIM_STARTSAMPLING, board, {board}, [&](DriverState& state, std::uint32_t now, Notice&) -> std::int32_t {
        BoardState* target = state.OpenBoard(board);
        if (!target)
            return 0;
        sim::Sampling& sampling = target->sampling;
        if (!sampling.configured)
            return state.Fail(board, SIM_ERROR_NO_MODE);
        if (sampling.running)
            return state.Fail(board, SIM_ERROR_BUSY);
        sampling.running = true;
        sampling.lastTick = now;
        sampling.elapsed = 0;
        sampling.produced = 0;
        sampling.consumed = 0;
        sampling.read = 0;
        sampling.dropped = 0;
        sampling.notices = 0;
        sampling.overflowEpisode = false;
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7StopSampling(std::uint16_t board)
{
    return Call(SIM_STOPSAMPLING, board, {board}, [&](DriverState& state, std::uint32_t now, Notice&) -> std::int32_t {
        BoardState* target = state.OpenBoard(board);
        if (!target)
            return 0;
        // What was produced until now stays readable; a notice this late would
        // only reach a measurement that has ended.
        state.Advance(*target, now);
        target->sampling.running = false;
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7GetSamplingStatus(std::uint16_t board, std::uint32_t* ready, std::uint32_t* other)
{
    return Call(SIM_GETSAMPLINGSTATUS, board, {board, Low32(ready), Low32(other)},
                [&](DriverState& state, std::uint32_t now, Notice& notice) -> std::int32_t {
                    BoardState* target = state.OpenBoard(board);
                    if (!target)
                        return 0;
                    if (!ready || !other)
                        return state.Fail(board, SIM_ERROR_BAD_ARGUMENT);
                    notice = state.Advance(*target, now);
                    const sim::Sampling& sampling = target->sampling;
                    *ready = static_cast<std::uint32_t>(sampling.produced - sampling.consumed);
                    *other = static_cast<std::uint32_t>(sampling.produced);
                    return 1;
                });
}

std::int32_t TORQ7_CALL Torq7GetData(std::uint16_t board, std::uint32_t count, std::uint16_t* buffer)
{
    return Call(SIM_GETDATA, board, {board, count, Low32(buffer)},
                [&](DriverState& state, std::uint32_t now, Notice& notice) -> std::int32_t {
                    BoardState* target = state.OpenBoard(board);
                    if (!target)
                        return 0;
                    if (!buffer && count > 0)
                        return state.Fail(board, SIM_ERROR_BAD_ARGUMENT);
                    notice = state.Advance(*target, now);
                    sim::Sampling& sampling = target->sampling;
                    if (count > sampling.produced - sampling.consumed)
                        return state.Fail(board, SIM_ERROR_DATA_SHORT);
                    const std::uint32_t channels = sim::SampledChannels(sampling);
                    sim::InputChannel inputs[sim::kInputChannels];
                    for (std::uint32_t i = 0; i < channels; ++i) {
                        const std::uint32_t c = sampling.mode.dwFirstChannel + i;
                        inputs[i] = {&target->signals[c], &target->patterns[c], &target->replays[c], &target->tables[c]};
                    }
                    sim::FillSampleWords(inputs, channels, sampling.hundredths, sampling.consumed, count, buffer);
                    sampling.consumed += count;
                    sampling.read += count;
                    if (count > 0)
                        sampling.overflowEpisode = false;
                    return 1;
                });
}

std::int32_t TORQ7_CALL Torq7SetData(std::uint16_t board, std::uint16_t channel, std::uint16_t code)
{
    return Call(SIM_SETDATA, board, {board, channel, code}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        BoardState* target = state.OpenBoard(board);
        if (!target)
            return 0;
        if (channel >= sim::kOutputChannels)
            return state.Fail(board, SIM_ERROR_BAD_ARGUMENT);
        target->outputCodes[channel].Add(code);
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7InPort(std::uint16_t board, std::uint8_t* value)
{
    return PortCall(SIM_INPORT, board, {board, Low32(value)}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        BoardState* target = state.OpenBoard(board);
        if (!target)
            return 0;
        if (!value)
            return state.Fail(board, SIM_ERROR_BAD_ARGUMENT);
        if (target->loopback) {
            *value = target->lastOut;
        } else {
            *value = target->inputPattern[target->inputIndex];
            const bool atEnd = target->inputIndex + 1 == target->inputPattern.size();
            if (!(atEnd && target->inputHold))
                target->inputIndex = (target->inputIndex + 1) % target->inputPattern.size();
        }
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7OutPort(std::uint16_t board, std::uint8_t value)
{
    return PortCall(SIM_OUTPORT, board, {board, value}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        BoardState* target = state.OpenBoard(board);
        if (!target)
            return 0;
        target->lastOut = value;
        target->outPort.Add(value);
        return 1;
    });
}

std::int32_t TORQ7_CALL Torq7GetLastError(std::uint16_t board)
{
    return Call(SIM_GETLASTERROR, board, {board}, [&](DriverState& state, std::uint32_t, Notice&) -> std::int32_t {
        return state.boards[board].lastError;
    });
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&Torq7GetVersion), drvfn::GetVersion>);
static_assert(std::is_same_v<decltype(&Torq7Create), drvfn::Create>);
static_assert(std::is_same_v<decltype(&Torq7Close), drvfn::Close>);
static_assert(std::is_same_v<decltype(&Torq7GetResource), drvfn::GetResource>);
static_assert(std::is_same_v<decltype(&Torq7GetSwitchValue), drvfn::GetSwitchValue>);
static_assert(std::is_same_v<decltype(&Torq7SetMode), drvfn::SetMode>);
static_assert(std::is_same_v<decltype(&Torq7StartSampling), drvfn::StartSampling>);
static_assert(std::is_same_v<decltype(&Torq7StopSampling), drvfn::StopSampling>);
static_assert(std::is_same_v<decltype(&Torq7GetSamplingStatus), drvfn::GetSamplingStatus>);
static_assert(std::is_same_v<decltype(&Torq7GetData), drvfn::GetData>);
static_assert(std::is_same_v<decltype(&Torq7SetData), drvfn::SetData>);
static_assert(std::is_same_v<decltype(&Torq7InPort), drvfn::InPort>);
static_assert(std::is_same_v<decltype(&Torq7OutPort), drvfn::OutPort>);
static_assert(std::is_same_v<decltype(&Torq7GetLastError), drvfn::GetLastError>);
