// Settings block of the analog input class, stored by the host with the
// worksheet: a file format, never change the layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../board/DriverTypes.h"
#include "ChannelNames.h"

constexpr unsigned kAdChannels = 8;

#pragma pack(push, 1)

struct AdModuleData {
    char szChannelName[kAdChannels][kChannelNameSize];
    std::uint16_t wBoardNumber;
    std::uint8_t gap194[2];
    std::int32_t nInputRange;
    std::int32_t nBufferMode;    // 0 driver memory, otherwise device memory
    std::int32_t nBufferSize;    // index into the buffer size table
    std::int32_t nStartMethod;   // 0 software trigger, otherwise external trigger
    std::uint32_t dwTotalSamples;
    std::uint32_t pSampleBuffer;   // stored as the host saved it; the live buffer is kept elsewhere
    std::uint16_t wRangeSpan;
    std::uint8_t gap222[2];
    SamplingMode Mode;
    float fRangeHigh;
    float fRangeLow;
};

#pragma pack(pop)

static_assert(offsetof(AdModuleData, szChannelName) == 0, "names");
static_assert(offsetof(AdModuleData, wBoardNumber) == 192, "board number");
static_assert(offsetof(AdModuleData, nInputRange) == 196, "input range");
static_assert(offsetof(AdModuleData, nBufferMode) == 200, "buffer mode");
static_assert(offsetof(AdModuleData, nBufferSize) == 204, "buffer size");
static_assert(offsetof(AdModuleData, nStartMethod) == 208, "start method");
static_assert(offsetof(AdModuleData, dwTotalSamples) == 212, "total samples");
static_assert(offsetof(AdModuleData, pSampleBuffer) == 216, "sample buffer");
static_assert(offsetof(AdModuleData, wRangeSpan) == 220, "range span");
static_assert(offsetof(AdModuleData, Mode) == 224, "mode");
static_assert(offsetof(AdModuleData, fRangeHigh) == 244, "range high");
static_assert(offsetof(AdModuleData, fRangeLow) == 248, "range low");
static_assert(sizeof(AdModuleData) == 252, "analog input settings");
