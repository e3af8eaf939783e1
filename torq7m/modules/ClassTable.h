// One description per module class: its settings block, its channels and
// the lists of its settings dialog, a row per class. The library's modules,
// its settings dialogs and the stand-in host read these rows; a class is
// described here and nowhere else. Constant data only, compiled as code
// page 932 like every text of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "AdModuleData.h"
#include "ChannelNames.h"
#include "DaModuleData.h"
#include "DiModuleData.h"
#include "DoModuleData.h"

// Which of the module's two channel counts is the class's channel count.
enum class ChannelSide : std::uint8_t {
    Outputs,   // input classes: the board's inputs are the module's outputs
    Inputs,    // output classes
};

// The items of a drop-down list; item i stands for the stored index i.
struct TextList {
    const char* const* texts;
    unsigned count;
};

template <unsigned N>
constexpr TextList TextsOf(const char* const (&texts)[N])
{
    return TextList{texts, N};
}

// ---- Analog input: the input range, buffer mode, buffer size and start
// method lists, and the values each stored index stands for.

// What an input range index writes into the block beside the index.
struct InputRange {
    std::uint16_t wRangeSpan;
    float fRangeHigh;
    float fRangeLow;
};

inline constexpr const char* kInputRangeTexts[] = {"0～5V", "0～10V", "±2.5V", "±5V", "±10V"};
inline constexpr InputRange kInputRanges[] = {
    {5, 5.0f, 0.0f},
    {10, 10.0f, 0.0f},
    {5, 2.5f, -2.5f},
    {10, 5.0f, -5.0f},
    {20, 10.0f, -10.0f},
};
inline constexpr unsigned kInputRangeCount = sizeof(kInputRanges) / sizeof(kInputRanges[0]);
static_assert(sizeof(kInputRangeTexts) / sizeof(kInputRangeTexts[0]) == kInputRangeCount, "one text per input range");

// nBufferMode: 0 driver memory, otherwise device memory.
inline constexpr const char* kBufferModeTexts[] = {"ドライバメモリ", "デバイスメモリ"};

// nBufferSize: the driver buffer in 16-bit words.
inline constexpr const char* kBufferSizeTexts[] = {
    "8KWord", "16KWord", "32KWord", "64KWord", "128KWord", "256KWord", "512KWord", "1MWord", "2MWord", "4MWord", "8MWord",
};
inline constexpr std::uint32_t kBufferWords[] = {
    8192, 16384, 32768, 65536, 131072, 262144, 524288, 1048576, 2097152, 4194304, 8388608,
};
static_assert(sizeof(kBufferSizeTexts) / sizeof(kBufferSizeTexts[0]) == sizeof(kBufferWords) / sizeof(kBufferWords[0]),
              "one text per buffer size");

// nStartMethod: 0 software trigger, otherwise external trigger.
inline constexpr const char* kStartMethodTexts[] = {"ソフトトリガ", "外部トリガ"};

// The board's mode code by [external trigger][device memory].
inline constexpr std::uint32_t kModeCodes[2][2] = {
    {2, 5},
    {4, 6},
};

struct AnalogInputLists {
    TextList ranges;
    const InputRange* rangeValues;   // one per text
    TextList bufferModes;
    TextList bufferSizes;
    const std::uint32_t* bufferWords;   // one per text
    TextList startMethods;
    const std::uint32_t (*modeCodes)[2];   // [external trigger][device memory]
};

inline constexpr AnalogInputLists kAnalogInputLists = {
    TextsOf(kInputRangeTexts), kInputRanges,  TextsOf(kBufferModeTexts), TextsOf(kBufferSizeTexts),
    kBufferWords,              TextsOf(kStartMethodTexts), kModeCodes,
};

// ---- Analog output: the output range list.

struct OutputRange {
    double dLower;
    double dUpper;
};

inline constexpr const char* kOutputRangeTexts[] = {
    "0～5V(0.000～4.999)", "0～10V(0.000～9.998)", "±2.5V(-2.500～2.499)", "±5V(-5.000～4.998)", "±10V(-10.000～9.995)",
};
inline constexpr OutputRange kOutputRanges[] = {
    {0.0, 5.0}, {0.0, 10.0}, {-2.5, 2.5}, {-5.0, 5.0}, {-10.0, 10.0},
};
inline constexpr unsigned kOutputRangeCount = sizeof(kOutputRanges) / sizeof(kOutputRanges[0]);
static_assert(sizeof(kOutputRangeTexts) / sizeof(kOutputRangeTexts[0]) == kOutputRangeCount,
              "one text per output range");

struct AnalogOutputLists {
    TextList ranges;
    const OutputRange* rangeValues;   // one per text
};

inline constexpr AnalogOutputLists kAnalogOutputLists = {TextsOf(kOutputRangeTexts), kOutputRanges};

// ---- The classes.

// "ﾁｬﾝﾈﾙ 0", "ﾁｬﾝﾈﾙ 1", ...: a newly placed module's channel names.
inline constexpr char kChannelNameFormat[] = "ﾁｬﾝﾈﾙ %u";

struct ClassDescription {
    const char* className;            // as the host and the worksheet name the class
    std::uint32_t dataSize;           // bytes of the settings block
    unsigned channelMax;              // channels, and channel names at the start of the block
    std::uint32_t boardOffset;        // the 16-bit board number in the block
    ChannelSide side;                 // the module's count that holds the class's channels
    const char* channelNameFormat;    // printf format of channel c's default name, c unsigned
    const AnalogInputLists* analogInput;     // the settings dialog's lists; null when it has none
    const AnalogOutputLists* analogOutput;
};

// The classes in the order they are registered with the host.
enum ClassIndex : unsigned { kClassDi, kClassDo, kClassDa, kClassAd, kClassCount };

inline constexpr ClassDescription kClassTable[kClassCount] = {
    {"TORQ7DI", sizeof(DiModuleData), kDiChannels, offsetof(DiModuleData, wBoardNumber), ChannelSide::Outputs,
     kChannelNameFormat, nullptr, nullptr},
    {"TORQ7DO", sizeof(DoModuleData), kDoChannels, offsetof(DoModuleData, wBoardNumber), ChannelSide::Inputs,
     kChannelNameFormat, nullptr, nullptr},
    {"TORQ7DA", sizeof(DaModuleData), kDaChannels, offsetof(DaModuleData, wBoardNumber), ChannelSide::Inputs,
     kChannelNameFormat, nullptr, &kAnalogOutputLists},
    {"TORQ7AD", sizeof(AdModuleData), kAdChannels, offsetof(AdModuleData, wBoardNumber), ChannelSide::Outputs,
     kChannelNameFormat, &kAnalogInputLists, nullptr},
};

// The channel names fill the start of every block, the board number follows them.
constexpr bool NamesThenBoard(const ClassDescription& row)
{
    return row.boardOffset == row.channelMax * kChannelNameSize && row.boardOffset + 2 <= row.dataSize;
}
static_assert(NamesThenBoard(kClassTable[kClassDi]) && NamesThenBoard(kClassTable[kClassDo]) &&
                  NamesThenBoard(kClassTable[kClassDa]) && NamesThenBoard(kClassTable[kClassAd]),
              "channel names, then the board number");

// The row of the class named `className`; null for a name no class has.
inline const ClassDescription* FindClass(const char* className)
{
    for (const ClassDescription& row : kClassTable) {
        if (std::strcmp(row.className, className) == 0)
            return &row;
    }
    return nullptr;
}
