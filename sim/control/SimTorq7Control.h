// Control interface of the simulated torq7.dll. The simulated driver exports
// these functions beside the fourteen driver entry points; tests, the
// stand-in host and the demo use them to lay out boards and signals, inject
// faults and read the call log. Nothing of the product calls them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "torq7m/board/DriverTypes.h"

// Entry point ids: the index of the name in kDriverEntryNames.
enum SimEntry : std::uint32_t {
    SIM_GETVERSION = 0,
    SIM_CREATE,
    SIM_CLOSE,
    SIM_GETRESOURCE,
    SIM_GETSWITCHVALUE,
    SIM_SETMODE,
    SIM_STARTSAMPLING,
    SIM_STOPSAMPLING,
    SIM_GETSAMPLINGSTATUS,
    SIM_GETDATA,
    SIM_SETDATA,
    SIM_INPORT,
    SIM_OUTPORT,
    SIM_GETLASTERROR,
};

// Last error codes that the simulated driver reports through Torq7GetLastError
// (injected faults report the code they were given instead).
enum SimErrorCode : std::int32_t {
    SIM_ERROR_NONE = 0,
    SIM_ERROR_NO_BOARD = 1,       // no present slot holds the board number (or the slot given to Torq7Create)
    SIM_ERROR_NOT_OPEN = 2,       // the board is present but not opened with Torq7Create
    SIM_ERROR_BAD_ARGUMENT = 3,   // null address, output channel above 1
    SIM_ERROR_NO_RESOURCE = 4,    // Torq7GetResource for a board whose bResourceOk is 0
    SIM_ERROR_BAD_MODE = 5,       // Torq7SetMode: unknown clock or mode code, bad channels, buffer too small
    SIM_ERROR_NO_MODE = 6,        // Torq7StartSampling before any Torq7SetMode
    SIM_ERROR_BUSY = 7,           // Torq7SetMode or Torq7StartSampling while sampling runs
    SIM_ERROR_DATA_SHORT = 8,     // Torq7GetData for more words than are ready
};

#pragma pack(push, 4)

// One board slot, as seen by Torq7Create(slot).
struct SimBoardConfig {
    std::int32_t bPresent;          // Torq7Create answers for this slot
    std::uint32_t dwBoardNumber;    // written back by Torq7Create (may differ from the slot)
    std::int32_t bResourceOk;       // Torq7GetResource answers for this board
    std::uint32_t dwIoPortAddress;
    std::uint32_t dwIoPortLength;
    std::uint32_t dwSwitchValue;
};

// One logged call. Arguments are widened to 32 bits in the order the entry
// point takes them; addresses are logged as their low 32 bits; for
// Torq7Create args[0] is the slot the variable held on entry.
struct SimCall {
    std::uint32_t dwEntry;          // SimEntry
    std::uint32_t dwArgs[4];
    std::int32_t nResult;
    std::uint32_t dwTick;           // clock at the call
    std::uint32_t dwThreadId;
};

enum SimSignalKind : std::uint32_t {
    SIM_SIGNAL_CONSTANT = 0,  // dCenter
    SIM_SIGNAL_SINE,          // dCenter + dAmplitude * sin(2 pi t / dPeriodMs)
    SIM_SIGNAL_RAMP,          // rises from dCenter - dAmplitude to dCenter + dAmplitude over dPeriodMs
    SIM_SIGNAL_SQUARE,        // dCenter + dAmplitude for the first half period, dCenter - dAmplitude after
    SIM_SIGNAL_PATTERN,       // the codes set with SimTorq7_SetCodePattern, one per sample, cycled
    SIM_SIGNAL_TRIANGLE,      // from dCenter - dAmplitude up to dCenter + dAmplitude at half period, and back
    SIM_SIGNAL_NOISE,         // dCenter + dAmplitude * u, u uniform in [-1, 1) from dwSeed and the sample index
    SIM_SIGNAL_REPLAY,        // the recording set with SimTorq7_SetReplay
};

// Flags of SimTorq7_SetReplay.
enum SimReplayFlags : std::uint32_t {
    SIM_REPLAY_LINEAR = 1,    // interpolate between points; otherwise hold the last point
    SIM_REPLAY_LOOP = 2,      // start again after the end; otherwise hold the last point
};

// A signal on one analog input, in 12-bit converter codes (0..4095; values
// outside are clamped). t is the sample's time in ms from the start of
// sampling (sample index x interval of the clock code).
struct SimSignal {
    std::uint32_t dwKind;           // SimSignalKind
    double dCenter;
    double dAmplitude;
    double dPeriodMs;
    std::uint16_t wLowBits;         // put into the 4 low bits of every word (the library ignores them)
    double dPhaseMs = 0.0;          // periodic signals: time added to t
    std::uint32_t dwSeed = 0;       // SIM_SIGNAL_NOISE
};

// What a board's buffered sampling did since its last start, in words of all
// its channels (whole sets of channels each): produced by the board, read
// with Torq7GetData, and dropped when the buffer could hold no more.
struct SimSamplingCounts {
    std::uint64_t qwProduced;
    std::uint64_t qwRead;
    std::uint64_t qwDropped;
    std::uint32_t dwChannels;       // channels of the sampling mode
    std::uint32_t dwNotices;        // overflow or overrun notices posted to the board's window
    std::uint32_t dwNoticeMessage;  // the message of those notices (base + 3 or base + 4)
};
static_assert(offsetof(SimSamplingCounts, qwRead) == 8, "SimSamplingCounts layout");
static_assert(offsetof(SimSamplingCounts, qwDropped) == 16, "SimSamplingCounts layout");
static_assert(offsetof(SimSamplingCounts, dwChannels) == 24, "SimSamplingCounts layout");
static_assert(offsetof(SimSamplingCounts, dwNoticeMessage) == 32, "SimSamplingCounts layout");
static_assert(sizeof(SimSamplingCounts) == 36, "SimSamplingCounts layout");

#pragma pack(pop)

using SimClockFunction = std::uint32_t(TORQ7_CALL*)(void);

#define SIM_TORQ7_CONTROL_FUNCTIONS(X)                                                                     \
    /* back to no boards, no faults, empty log, real clock, no signals, no patterns */                    \
    X(void, SimTorq7_Reset, (void))                                                                        \
    X(void, SimTorq7_SetBoard, (std::uint32_t slot, const SimBoardConfig* config))                        \
    /* entry fails (result 0) for board (or any board with 0xFFFFFFFF) after `passes` more good calls, */ \
    /* `failures` times (0xFFFFFFFF: for ever); Torq7GetLastError then reports errorCode */               \
    X(void, SimTorq7_SetFault, (std::uint32_t entry, std::uint32_t board, std::uint32_t passes,            \
                                std::uint32_t failures, std::int32_t errorCode))                           \
    X(void, SimTorq7_ClearFaults, (void))                                                                  \
    X(void, SimTorq7_SetLastError, (std::uint32_t board, std::int32_t errorCode))                          \
    X(std::uint32_t, SimTorq7_CallCount, (void))                                                           \
    X(std::int32_t, SimTorq7_GetCall, (std::uint32_t index, SimCall* call))                                \
    X(std::uint32_t, SimTorq7_CountCalls, (std::uint32_t entry, std::uint32_t board))                      \
    X(void, SimTorq7_ClearLog, (void))                                                                     \
    /* null restores GetTickCount */                                                                       \
    X(void, SimTorq7_SetClock, (SimClockFunction clock))                                                   \
    X(void, SimTorq7_SetSignal, (std::uint32_t board, std::uint32_t channel, const SimSignal* signal))    \
    /* also switches the channel to SIM_SIGNAL_PATTERN (its wLowBits stay) */                            \
    X(void, SimTorq7_SetCodePattern, (std::uint32_t board, std::uint32_t channel,                         \
                                      const std::uint16_t* codes, std::uint32_t count))                    \
    /* the last mode given to Torq7SetMode; 0 when none */                                                 \
    X(std::int32_t, SimTorq7_GetMode, (std::uint32_t board, SamplingMode* mode))                          \
    X(std::int32_t, SimTorq7_IsSampling, (std::uint32_t board))                                            \
    /* Torq7InPort reads these bytes one after the other, cycled; default a single 0x00 */                 \
    X(void, SimTorq7_SetInputPattern, (std::uint32_t board, const std::uint8_t* bytes, std::uint32_t count)) \
    /* with loopback on, Torq7InPort reads the byte Torq7OutPort last wrote */                             \
    X(void, SimTorq7_SetLoopback, (std::uint32_t board, std::int32_t on))                                  \
    /* bytes written with Torq7OutPort, oldest first; returns how many were written in all */              \
    X(std::uint32_t, SimTorq7_GetOutPortHistory, (std::uint32_t board, std::uint8_t* bytes,               \
                                                  std::uint32_t max))                                      \
    /* codes written with Torq7SetData to one output channel, oldest first; returns the total count */     \
    X(std::uint32_t, SimTorq7_GetOutputCodes, (std::uint32_t board, std::uint32_t channel,                \
                                               std::uint16_t* codes, std::uint32_t max))                   \
    /* every port call holds the port this long, so that overlapping calls are caught */                  \
    X(void, SimTorq7_SetPortHoldMicroseconds, (std::uint32_t microseconds))                               \
    /* number of port calls that began while another was still inside */                                  \
    X(std::uint32_t, SimTorq7_PortOverlaps, (void))                                                        \
    /* sends (SendMessage) message base + n to the window the board was opened with; 0 when none */       \
    X(std::int32_t, SimTorq7_SendNotice, (std::uint32_t board, std::uint32_t n))                           \
    /* the same, posted */                                                                                 \
    X(std::int32_t, SimTorq7_PostNotice, (std::uint32_t board, std::uint32_t n))                           \
    /* boards currently open (created and not closed) */                                                   \
    X(std::uint32_t, SimTorq7_OpenBoards, (void))                                                          \
    /* with timing on, the entry points count the time-stamp counter ticks spent inside them (off at */    \
    /* load: reading the counter costs more than a cheap entry point); the ticks counted so far */          \
    X(void, SimTorq7_TimeEntries, (std::int32_t on))                                                       \
    X(std::uint64_t, SimTorq7_EntryTicks, (void))                                                          \
    /* a recording of `count` points (time in ms from the first point, fractional code), SimReplayFlags; */ \
    /* also switches the channel to SIM_SIGNAL_REPLAY (its wLowBits stay) */                                \
    X(void, SimTorq7_SetReplay, (std::uint32_t board, std::uint32_t channel, const double* timesMs,       \
                                 const double* codes, std::uint32_t count, std::uint32_t flags))           \
    /* words the board's buffer holds at most; 0: as many as the sampling mode asks for */                 \
    X(void, SimTorq7_SetBufferCapacity, (std::uint32_t board, std::uint32_t words))                        \
    /* entry fails for board (or any board with 0xFFFFFFFF) from clock `fromTick` on, `failures` times */  \
    /* (0xFFFFFFFF: for ever); Torq7GetLastError then reports errorCode */                                 \
    X(void, SimTorq7_SetTimedFault, (std::uint32_t entry, std::uint32_t board, std::uint32_t fromTick,    \
                                     std::uint32_t failures, std::int32_t errorCode))                      \
    /* with hold on, Torq7InPort stays on the last byte of the input pattern instead of cycling */         \
    X(void, SimTorq7_SetInputHold, (std::uint32_t board, std::int32_t on))                                 \
    /* the board's clock against the driver's clock: its samples are complete leadMs earlier (negative: */ \
    /* later) than the clock says, and it runs ppm parts per million fast (negative: slow) */              \
    X(void, SimTorq7_SetBoardClock, (std::uint32_t board, double leadMs, double ppm))                    \
    /* the counts of the board's sampling since its last start; 0 when it never sampled */                \
    X(std::int32_t, SimTorq7_GetSamplingCounts, (std::uint32_t board, SimSamplingCounts* counts))         \
    /* ms on the driver's clock until a sampling board first holds `samples` samples of each of its */    \
    /* channels ready (0: one does now); 0 when no board samples or none can hold so many */               \
    X(std::int32_t, SimTorq7_NextSetDelay, (std::uint32_t samples, std::uint64_t* milliseconds))          \
    /* notices posted since the driver was loaded, so that a host serves messages only when one waits */  \
    X(std::uint32_t, SimTorq7_NoticesPosted, (void))

#define SIM_TORQ7_DECLARE_POINTER(ret, name, args) ret(TORQ7_CALL* name) args;

// The control functions, looked up in a loaded simulated driver.
struct SimTorq7Control {
    SIM_TORQ7_CONTROL_FUNCTIONS(SIM_TORQ7_DECLARE_POINTER)
};
