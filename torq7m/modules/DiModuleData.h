// Settings block of the digital input class, stored with the worksheet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ChannelNames.h"

constexpr unsigned kDiChannels = 8;

#pragma pack(push, 1)

struct DiModuleData {
    char szChannelName[kDiChannels][kChannelNameSize];
    std::uint16_t wBoardNumber;
    std::uint8_t reserved194[6];
};

#pragma pack(pop)

static_assert(offsetof(DiModuleData, wBoardNumber) == 192, "board number");
static_assert(sizeof(DiModuleData) == 200, "digital input settings");
