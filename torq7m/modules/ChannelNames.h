// The channel-name area at the start of every settings block.
#pragma once

constexpr unsigned kChannelNameSize = 24;
