// The worksheet file's per-class settings layouts: default settings and the block built from named fields.
#include "WorksheetTomlLayouts.h"

#include <algorithm>
#include <cstdio>

namespace standin {
namespace sheet {

const ModuleLayout* LayoutOf(const std::string& className)
{
    for (const ModuleLayout& layout : kLayouts) {
        if (className == layout.className)
            return &layout;
    }
    return nullptr;
}

ModuleSettings DefaultSettings(const ModuleLayout& layout)
{
    ModuleSettings settings;
    for (unsigned i = 0; i < layout.names; ++i) {
        char name[kChannelNameSize];
        std::snprintf(name, sizeof name, layout.nameFormat, i);
        settings.names.push_back(name);
    }
    settings.choices.assign(layout.fieldCount, 0);
    return settings;
}

std::vector<std::uint8_t> BuildBlock(const ModuleLayout& layout, const ModuleSettings& settings)
{
    std::vector<std::uint8_t> data(layout.size, 0);
    for (std::size_t i = 0; i < settings.names.size() && i < layout.names; ++i)
        std::memcpy(data.data() + i * kChannelNameSize, settings.names[i].data(),
                    std::min(settings.names[i].size(), kNameBytes));
    Put(&data, layout.boardOffset, settings.board);
    for (std::size_t f = 0; f < layout.fieldCount; ++f) {
        const SettingField& field = layout.fields[f];
        const int index = settings.choices[f];
        Put(&data, field.offset, static_cast<std::int32_t>(index));
        if (field.inputRange) {
            const InputRange& range = kAdLists.rangeValues[index];
            Put(&data, offsetof(AdModuleData, wRangeSpan), range.wRangeSpan);
            Put(&data, offsetof(AdModuleData, fRangeHigh), range.fRangeHigh);
            Put(&data, offsetof(AdModuleData, fRangeLow), range.fRangeLow);
        }
    }
    return data;
}

}  // namespace sheet
}  // namespace standin
