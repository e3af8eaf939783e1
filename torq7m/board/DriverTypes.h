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

// Entry points, in the order in which the library binds them.
namespace drvfn {

using GetVersion = std::uint32_t(TORQ7_CALL*)(void);
using Create = std::int32_t(TORQ7_CALL*)(std::uint32_t* slotOrBoard, HWND__* notifyWindow,
                                          std::uint32_t messageBase, std::uint32_t reserved);
using Close = std::int32_t(TORQ7_CALL*)(std::uint16_t board);
using GetResource = std::int32_t(TORQ7_CALL*)(std::uint16_t board, ResourceRecord* resource);
using GetSwitchValue = std::int32_t(TORQ7_CALL*)(std::uint16_t board, std::uint32_t* value);
using SetMode = std::int32_t(TORQ7_CALL*)(std::uint16_t board, SamplingMode* mode);
using StartSampling = std::int32_t(TORQ7_CALL*)(std::uint16_t board);
using StopSampling = std::int32_t(TORQ7_CALL*)(std::uint16_t board);
using GetSamplingStatus = std::int32_t(TORQ7_CALL*)(std::uint16_t board, std::uint32_t* ready,
                                                     std::uint32_t* other);
using GetData = std::int32_t(TORQ7_CALL*)(std::uint16_t board, std::uint32_t count, std::uint16_t* buffer);
using SetData = std::int32_t(TORQ7_CALL*)(std::uint16_t board, std::uint16_t channel, std::uint16_t code);
using InPort = std::int32_t(TORQ7_CALL*)(std::uint16_t board, std::uint8_t* value);
using OutPort = std::int32_t(TORQ7_CALL*)(std::uint16_t board, std::uint8_t value);
using GetLastError = std::int32_t(TORQ7_CALL*)(std::uint16_t board);

}  // namespace drvfn

constexpr unsigned kDriverEntryCount = 14;

constexpr const char* kDriverEntryNames[kDriverEntryCount] = {
    "Torq7GetVersion",   "Torq7Create",       "Torq7Close",   "Torq7GetResource",
    "Torq7GetSwitchValue", "Torq7SetMode",    "Torq7StartSampling", "Torq7StopSampling",
    "Torq7GetSamplingStatus", "Torq7GetData", "Torq7SetData", "Torq7InPort",
    "Torq7OutPort",      "Torq7GetLastError",
};
