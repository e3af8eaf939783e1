// The texts with which the settings dialogs show the analog input settings,
// for files that name a setting as the user sees it. Compiled as code page
// 932, like the library's own texts.
#pragma once

#include <cstdint>

#include "torq7m/modules/AdModuleData.h"

namespace standin {

struct InputRangeText {
    const char* label;   // as the analog input settings dialog lists it
    const char* plain;   // the same in ASCII, for files typed by hand
    double low;
    double high;
};

constexpr InputRangeText kInputRangeTexts[] = {
    {"0～5V", "0..5V", 0.0, 5.0},
    {"0～10V", "0..10V", 0.0, 10.0},
    {"±2.5V", "-2.5..2.5V", -2.5, 2.5},
    {"±5V", "-5..5V", -5.0, 5.0},
    {"±10V", "-10..10V", -10.0, 10.0},
};
static_assert(sizeof(kInputRangeTexts) / sizeof(kInputRangeTexts[0]) == kInputRangeCount, "one text per range");

constexpr const char* kBufferModeTexts[] = {"ドライバメモリ", "デバイスメモリ"};
constexpr const char* kStartMethodTexts[] = {"ソフトトリガ", "外部トリガ"};
// Words of each buffer size index.
constexpr std::int64_t kBufferSizeWords[] = {8192,   16384,   32768,   65536,   131072, 262144,
                                             524288, 1048576, 2097152, 4194304, 8388608};

}  // namespace standin
