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
