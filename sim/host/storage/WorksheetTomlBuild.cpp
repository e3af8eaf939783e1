// Builds a TOML worksheet's records from its checked keys: each settings
// block from its named fields and raw patches, connections by module.
#include "WorksheetTomlBuild.h"

#include <algorithm>
#include <cstring>

#include "sim/text/CodePage.h"

namespace standin {
namespace sheet {

std::size_t ModulesNamed(const std::vector<StoredModule>& modules, const std::string& name, std::size_t* index)
{
    std::size_t found = 0;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (modules[i].name == name) {
            *index = i;
            ++found;
        }
    }
    return found;
}

void BuildTimeBase(const KeyValues& values, StoredWorksheet* worksheet)
{
    worksheet->hasTimeBase = true;
    worksheet->msPerSample = values[kMsPerSample].number;
    worksheet->blockSize = static_cast<std::uint32_t>(values[kBlockSize].integer);
}

StoredModule BuildModule(const KeyValues& values, const std::vector<int>& choices)
{
    const ModuleLayout& layout = kLayouts[values[kClass].integer];
    StoredModule module;
    module.className = layout.className;
    module.name = values[kName].bytes;
    module.description = values[kDescription].bytes;
    module.inputs = static_cast<unsigned>(values[kInputs].integer);
    module.outputs = static_cast<unsigned>(values[kOutputs].integer);
    ModuleSettings settings = DefaultSettings(layout);
    const std::vector<std::string>& names = values[kChannelNames].names;
    std::copy(names.begin(), names.end(), settings.names.begin());
    settings.board = static_cast<std::uint16_t>(values[kBoard].integer);
    settings.choices = choices;
    module.data = BuildBlock(layout, settings);
    for (const RawPatch& patch : values[kRaw].patches)
        std::memcpy(module.data.data() + patch.offset, patch.bytes.data(), patch.bytes.size());
    return module;
}

StoredConnection BuildConnection(const KeyValues& values)
{
    return {static_cast<std::size_t>(values[kFrom].integer), static_cast<unsigned>(values[kOutput].integer),
            static_cast<std::size_t>(values[kTo].integer), static_cast<unsigned>(values[kInput].integer)};
}

}  // namespace sheet

std::string ModuleName(const StoredModule& module, std::size_t index)
{
    return module.name.empty() ? "number " + std::to_string(index) : "'" + Cp932ToUtf8(module.name) + "'";
}

}  // namespace standin
