// Per class, where a settings block keeps its names, board and named fields: for the worksheet reader and writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "torq7m/host/HostRecords.h"
#include "torq7m/modules/ClassTable.h"

namespace standin {
namespace sheet {

constexpr char kFormat[] = "standin-worksheet";
constexpr std::int64_t kTomlVersion = 2;
constexpr std::size_t kNameBytes = kChannelNameSize - 1;

// The settings fields of each class: a 32-bit index at an offset, named
// by the text the settings dialog shows for it, or by a value of a table.

struct SettingField {
    const char* key;
    std::uint32_t offset;
    const char* const* labels;    // code page 932; null for a field named by `values`
    const std::uint32_t* values;
    std::size_t count;
    bool inputRange;   // the index also sets the span and the two ends of the range
};

inline constexpr const AnalogInputLists& kAdLists = *kClassTable[kClassAd].analogInput;
inline constexpr const AnalogOutputLists& kDaLists = *kClassTable[kClassDa].analogOutput;

inline constexpr SettingField kAdFields[] = {
    {"input_range", offsetof(AdModuleData, nInputRange), kAdLists.ranges.texts, nullptr, kAdLists.ranges.count, true},
    {"buffer_mode", offsetof(AdModuleData, nBufferMode), kAdLists.bufferModes.texts, nullptr,
     kAdLists.bufferModes.count, false},
    {"buffer_words", offsetof(AdModuleData, nBufferSize), nullptr, kAdLists.bufferWords, kAdLists.bufferSizes.count,
     false},
    {"start_method", offsetof(AdModuleData, nStartMethod), kAdLists.startMethods.texts, nullptr,
     kAdLists.startMethods.count, false},
};
inline constexpr SettingField kDaFields[] = {
    {"output_range", offsetof(DaModuleData, nOutputRange), kDaLists.ranges.texts, nullptr, kDaLists.ranges.count, false},
};

struct ModuleLayout {
    const char* className;
    std::uint32_t size;
    unsigned names;
    std::uint32_t boardOffset;
    const char* nameFormat;   // of the default channel names
    const SettingField* fields;
    std::size_t fieldCount;
};

constexpr ModuleLayout Layout(const ClassDescription& row, const SettingField* fields, std::size_t fieldCount)
{
    return {row.className, row.dataSize, row.channelMax, row.boardOffset, row.channelNameFormat, fields, fieldCount};
}

inline constexpr ModuleLayout kLayouts[] = {
    Layout(kClassTable[kClassAd], kAdFields, std::size(kAdFields)),
    Layout(kClassTable[kClassDi], nullptr, 0),
    Layout(kClassTable[kClassDo], nullptr, 0),
    Layout(kClassTable[kClassDa], kDaFields, std::size(kDaFields)),
};

// What the named fields of a block say; a block is built from it alone.
struct ModuleSettings {
    std::vector<std::string> names;   // code page 932
    std::uint16_t board = 0;
    std::vector<int> choices;         // index per field; absent fields 0
};

// The layout of a class, or null for a class the worksheet does not know.
const ModuleLayout* LayoutOf(const std::string& className);
// Channel names of the class's defaults, every field at its first choice.
ModuleSettings DefaultSettings(const ModuleLayout& layout);
// The settings block that the named fields describe, every other byte 0.
std::vector<std::uint8_t> BuildBlock(const ModuleLayout& layout, const ModuleSettings& settings);

template <typename T>
void Put(std::vector<std::uint8_t>* data, std::size_t offset, T value)
{
    std::memcpy(data->data() + offset, &value, sizeof value);
}

template <typename T>
T Get(const std::vector<std::uint8_t>& data, std::size_t offset)
{
    T value;
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}

}  // namespace sheet
}  // namespace standin
