// Settings block of the analog output class, stored with the worksheet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ChannelNames.h"

constexpr unsigned kDaChannels = 2;

#pragma pack(push, 1)

struct DaModuleData {
    char szChannelName[kDaChannels][kChannelNameSize];
    std::uint16_t wBoardNumber;
    std::uint8_t reserved50[2];
    std::uint32_t nOutputRange;
};

#pragma pack(pop)

static_assert(offsetof(DaModuleData, wBoardNumber) == 48, "board number");
static_assert(offsetof(DaModuleData, nOutputRange) == 52, "output range");
static_assert(sizeof(DaModuleData) == 56, "analog output settings");

struct OutputRange {
    double dLower;
    double dUpper;
    const char* label;
};

constexpr OutputRange kOutputRanges[] = {
    {0.0, 5.0, "0～5V(0.000～4.999)"},
    {0.0, 10.0, "0～10V(0.000～9.998)"},
    {-2.5, 2.5, "±2.5V(-2.500～2.499)"},
    {-5.0, 5.0, "±5V(-5.000～4.998)"},
    {-10.0, 10.0, "±10V(-10.000～9.995)"},
};
constexpr unsigned kOutputRangeCount = sizeof(kOutputRanges) / sizeof(kOutputRanges[0]);
