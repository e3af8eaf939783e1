// The host's bitmaps for the channel bar controls, one per display state,
// drawn so that a person can tell the states apart: a channel tab that is
// selected, present or absent, and remove and add arrows that are disabled,
// enabled or held down.
#pragma once

#include <windows.h>

namespace standin {

constexpr int kChannelBitmapWidth = 22;
constexpr int kChannelBitmapHeight = 30;
constexpr int kLessMoreBitmapWidth = 24;
constexpr int kLessMoreBitmapHeight = 32;

// The caller deletes the bitmaps (DeleteObject).
HBITMAP MakeChannelBitmap(unsigned state);    // 0 initial, 1 selected, 2 present, 3 absent
HBITMAP MakeLessMoreBitmap(unsigned state);   // remove 0..2, add 3..5: disabled, enabled, held

}  // namespace standin
