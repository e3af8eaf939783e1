// What the library and the board's driver torq7.dll share: the entry point
// signatures, the records passed by address and the notice messages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../host/CallConv.h"

struct HWND__;

constexpr char kDriverFileName[] = "torq7.dll";
constexpr unsigned kBoardSlots = 16;
constexpr std::uint16_t kNoBoard = 0xFFFF;

// The driver sends its notices to the window given to Torq7Create as
// kDriverMessageBase + 1 ... + 4.
constexpr std::uint32_t kDriverMessageBase = 1224;
constexpr unsigned kMsgDriverNotice1 = kDriverMessageBase + 1;
constexpr unsigned kMsgDriverNotice2 = kDriverMessageBase + 2;
constexpr unsigned kMsgBufferOverflow = kDriverMessageBase + 3;
constexpr unsigned kMsgBufferOverrun = kDriverMessageBase + 4;

#pragma pack(push, 1)

struct ResourceRecord {
    std::uint8_t driverReserved0[116];
    std::uint32_t dwIoPortAddress;
    std::uint8_t driverReserved120[76];
    std::uint32_t dwIoPortLength;
    std::uint8_t driverReserved200[208];
};

static_assert(offsetof(ResourceRecord, dwIoPortAddress) == 116, "port address");
static_assert(offsetof(ResourceRecord, dwIoPortLength) == 196, "port length");
static_assert(sizeof(ResourceRecord) == 408, "resource record");

struct SamplingMode {
    std::uint32_t dwFirstChannel;
    std::uint32_t dwLastChannel;
    std::uint32_t dwBufferWords;
    std::uint32_t dwClockCode;
    std::uint32_t dwModeCode;
};

static_assert(offsetof(SamplingMode, dwFirstChannel) == 0, "first channel");
static_assert(offsetof(SamplingMode, dwLastChannel) == 4, "last channel");
static_assert(offsetof(SamplingMode, dwBufferWords) == 8, "buffer words");
static_assert(offsetof(SamplingMode, dwClockCode) == 12, "clock code");
static_assert(offsetof(SamplingMode, dwModeCode) == 16, "mode code");
static_assert(sizeof(SamplingMode) == 20, "sampling mode");

#pragma pack(pop)

// The driver's entry points, in the order in which the library binds them:
// X(name, result, entry parameters, wrapper parameters, arguments the
// wrapper passes on, wrapper result while the driver is not loaded). The
// export is "Torq7" name, the entry point's type drvfn::name and the wrapper
// Torq7name (DriverApi.h). Wrappers take board numbers, channels and codes
// as 32-bit values and pass on their low 16 bits, the output port byte its
// low 8 bits; the driver's version is bound like the others.
#define TORQ7_DRIVER_ENTRIES(X)                                                                              \
    X(GetVersion, std::uint32_t, (void), (), (), 0)                                                           \
    X(Create, std::int32_t,                                                                                  \
      (std::uint32_t * slotOrBoard, HWND__ * notifyWindow, std::uint32_t messageBase, std::uint32_t reserved), \
      (std::uint32_t * slotOrBoard, HWND__ * notifyWindow, std::uint32_t messageBase, std::uint32_t reserved), \
      (slotOrBoard, notifyWindow, messageBase, reserved), 0)                                                  \
    X(Close, std::int32_t, (std::uint16_t board), (std::uint32_t board), (Low16(board)), 0)                  \
    X(GetResource, std::int32_t, (std::uint16_t board, ResourceRecord * resource),                           \
      (std::uint32_t board, ResourceRecord * resource), (Low16(board), resource), 0)                         \
    X(GetSwitchValue, std::int32_t, (std::uint16_t board, std::uint32_t * value),                            \
      (std::uint32_t board, std::uint32_t * value), (Low16(board), value), 0)                                \
    X(SetMode, std::int32_t, (std::uint16_t board, SamplingMode * mode), (std::uint32_t board, SamplingMode * mode), \
      (Low16(board), mode), 0)                                                                               \
    X(StartSampling, std::int32_t, (std::uint16_t board), (std::uint32_t board), (Low16(board)), 0)          \
    X(StopSampling, std::int32_t, (std::uint16_t board), (std::uint32_t board), (Low16(board)), 0)           \
    X(GetSamplingStatus, std::int32_t, (std::uint16_t board, std::uint32_t * ready, std::uint32_t * other),  \
      (std::uint32_t board, std::uint32_t * ready, std::uint32_t * other), (Low16(board), ready, other), 0)  \
    X(GetData, std::int32_t, (std::uint16_t board, std::uint32_t count, std::uint16_t * buffer),             \
      (std::uint32_t board, std::uint32_t count, std::uint16_t * buffer), (Low16(board), count, buffer), 0)  \
    X(SetData, std::int32_t, (std::uint16_t board, std::uint16_t channel, std::uint16_t code),               \
      (std::uint32_t board, std::uint32_t channel, std::uint32_t code), (Low16(board), Low16(channel), Low16(code)), 0) \
    X(InPort, std::int32_t, (std::uint16_t board, std::uint8_t * value), (std::uint32_t board, std::uint8_t * value), \
      (Low16(board), value), 0)                                                                              \
    X(OutPort, std::int32_t, (std::uint16_t board, std::uint8_t value), (std::uint32_t board, std::uint32_t value), \
      (Low16(board), Low8(value)), 0)                                                                        \
    X(GetLastError, std::int32_t, (std::uint16_t board), (std::uint32_t board), (Low16(board)), -1)

namespace drvfn {

#define TORQ7_ENTRY_TYPE(name, result, params, wrapperParams, args, notLoaded) using name = result(TORQ7_CALL*) params;
TORQ7_DRIVER_ENTRIES(TORQ7_ENTRY_TYPE)
#undef TORQ7_ENTRY_TYPE

}  // namespace drvfn

// Index of each entry point in the binding order.
enum DriverEntry : unsigned {
#define TORQ7_ENTRY_ID(name, result, params, wrapperParams, args, notLoaded) kEntry##name,
    TORQ7_DRIVER_ENTRIES(TORQ7_ENTRY_ID)
#undef TORQ7_ENTRY_ID
    kDriverEntryEnd
};

constexpr unsigned kDriverEntryCount = kDriverEntryEnd;

constexpr const char* kDriverEntryNames[kDriverEntryCount] = {
#define TORQ7_ENTRY_NAME(name, result, params, wrapperParams, args, notLoaded) "Torq7" #name,
    TORQ7_DRIVER_ENTRIES(TORQ7_ENTRY_NAME)
#undef TORQ7_ENTRY_NAME
};
