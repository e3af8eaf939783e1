// Settings block of the digital output class, stored with the worksheet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ChannelNames.h"

constexpr unsigned kDoChannels = 8;

#pragma pack(push, 1)

struct DoModuleData {
    char szChannelName[kDoChannels][kChannelNameSize];
    std::uint16_t wBoardNumber;
    std::uint8_t reserved194[2];
    std::uint32_t pOutputBuffer;   // stored as the host saved it; the live buffer is kept elsewhere
};

#pragma pack(pop)

static_assert(offsetof(DoModuleData, wBoardNumber) == 192, "board number");
static_assert(offsetof(DoModuleData, pOutputBuffer) == 196, "output buffer");
static_assert(sizeof(DoModuleData) == 200, "digital output settings");
