// The channel bar of a settings dialog without its window: the channel
// count, the selected channel, the states its tabs and arrows show, and the
// channel names of the working copy. Names of removed channels stay, so
// that adding the channels again brings them back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../modules/ChannelNames.h"

using ChannelName = char[kChannelNameSize];

// Room for a name typed or copied in: 19 bytes and the zero.
constexpr std::size_t kChannelNameRoom = 20;

struct ChannelBarModel {
    std::uint32_t channelMax;
    std::uint32_t count;      // 1 to channelMax
    std::uint32_t selected;   // below count
    bool locked;              // opened during a measurement: the count stays
    ChannelName* names;       // channelMax names
};

// The bar as a dialog opens: the host's count kept to 1 to the maximum,
// the first channel selected.
ChannelBarModel OpenChannelBar(std::uint32_t hostCount, std::uint32_t channelMax, bool locked, ChannelName* names);

// TAB_ABSENT, TAB_SELECTED or TAB_PRESENT.
std::uint16_t TabState(const ChannelBarModel& bar, std::uint32_t channel);
std::uint16_t LessArrowState(const ChannelBarModel& bar);
std::uint16_t MoreArrowState(const ChannelBarModel& bar);

bool CanChangeCount(const ChannelBarModel& bar, bool add);
// One channel more or less where CanChangeCount allows it; a removed
// selected channel passes the selection to the new last one.
void ChangeCount(ChannelBarModel& bar, bool add);

bool ChannelExists(const ChannelBarModel& bar, std::uint32_t channel);
// Selects an existing channel.
void SelectChannel(ChannelBarModel& bar, std::uint32_t channel);

// Takes a typed name into the selected channel, whole characters only.
void StoreSelectedName(ChannelBarModel& bar, const char* text);
// Copies the selected channel's name over the other existing channels'.
void CopySelectedNameToOthers(ChannelBarModel& bar);
