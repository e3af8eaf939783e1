#include "ChannelBarModel.h"

#include "ControlMessages.h"
#include "Cp932Text.h"

ChannelBarModel OpenChannelBar(std::uint32_t hostCount, std::uint32_t channelMax, bool locked, ChannelName* names)
{
    std::uint32_t count = hostCount < channelMax ? hostCount : channelMax;
    if (hostCount < 1)
        count = 1;
    return ChannelBarModel{channelMax, count, 0, locked, names};
}

std::uint16_t TabState(const ChannelBarModel& bar, std::uint32_t channel)
{
    if (channel >= bar.count)
        return TAB_ABSENT;
    return channel == bar.selected ? TAB_SELECTED : TAB_PRESENT;
}

std::uint16_t LessArrowState(const ChannelBarModel& bar)
{
    return CanChangeCount(bar, false) ? ARROW_LESS_ENABLED : ARROW_LESS_DISABLED;
}

std::uint16_t MoreArrowState(const ChannelBarModel& bar)
{
    return CanChangeCount(bar, true) ? ARROW_MORE_ENABLED : ARROW_MORE_DISABLED;
}

bool CanChangeCount(const ChannelBarModel& bar, bool add)
{
    if (bar.locked)
        return false;
    return add ? bar.count < bar.channelMax : bar.count > 1;
}

void ChangeCount(ChannelBarModel& bar, bool add)
{
    if (!CanChangeCount(bar, add))
        return;
    if (add) {
        ++bar.count;
        return;
    }
    --bar.count;
    if (bar.selected >= bar.count)
        bar.selected = bar.count - 1;
}

bool ChannelExists(const ChannelBarModel& bar, std::uint32_t channel)
{
    return channel < bar.count;
}

void SelectChannel(ChannelBarModel& bar, std::uint32_t channel)
{
    if (ChannelExists(bar, channel))
        bar.selected = channel;
}

void StoreSelectedName(ChannelBarModel& bar, const char* text)
{
    CopyWholeCharacters(bar.names[bar.selected], kChannelNameRoom, text);
}

void CopySelectedNameToOthers(ChannelBarModel& bar)
{
    const ChannelName& selected = bar.names[bar.selected];
    for (std::uint32_t i = 0; i < bar.count; ++i) {
        if (i != bar.selected)
            CopyWholeCharacters(bar.names[i], kChannelNameRoom, selected);
    }
}
