// Reads a TOML worksheet: every key checked, each settings block built from named fields and raw patches.
#include "WorksheetToml.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "WorksheetTomlLayouts.h"
#include "sim/text/CodePage.h"
#include "sim/text/Counted.h"
#include "sim/text/HexText.h"
#include "sim/text/TomlReader.h"

namespace standin {

namespace {

using namespace sheet;

constexpr std::string_view kModuleKeys[] = {"class",  "name",  "name_hex", "description", "description_hex",
                                            "inputs", "outputs", "board",  "channel_names", "raw"};

std::vector<std::string> Utf8Labels(const SettingField& field)
{
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < field.count; ++i)
        labels.push_back(field.labels ? Cp932ToUtf8(field.labels[i]) : std::to_string(field.values[i]));
    return labels;
}

class WorksheetReader {
public:
    explicit WorksheetReader(TomlReader& toml) : toml_(toml) {}

    bool read(StoredWorksheet* worksheet)
    {
        const toml::table& root = toml_.root();
        int format = 0;
        std::int64_t version = 0;
        if (!toml_.onlyKeys(root, {"format", "version", "timebase", "module", "connection"}) ||
            !toml_.choice(root, "format", {kFormat}, &format, true) ||
            !toml_.integer(root, "version", kTomlVersion, kTomlVersion, &version, true) || !timeBase(worksheet))
            return false;
        return toml_.eachTable(root, "module", [&](const toml::table& table) { return module(table, worksheet); }) &&
               toml_.eachTable(root, "connection", [&](const toml::table& table) { return connection(table, worksheet); });
    }

private:
    bool timeBase(StoredWorksheet* worksheet)
    {
        const toml::table* table = toml_.table(toml_.root(), "timebase");
        if (!table)
            return toml_.ok();
        std::int64_t blockSize = 0;
        const bool read = toml_.onlyKeys(*table, {"ms_per_sample", "block_size"}) &&
                          toml_.number(*table, "ms_per_sample", kLowestMsPerSample, kHighestMsPerSample,
                                       &worksheet->msPerSample, true) &&
                          toml_.integer(*table, "block_size", 1, kLargestBlock, &blockSize, true);
        worksheet->hasTimeBase = read;
        worksheet->blockSize = static_cast<std::uint32_t>(blockSize);
        return read;
    }

    // A text in code page 932 of at most `limit` bytes, from `key` or `key`_hex.
    bool cp932Text(const toml::table& table, const std::string& key, std::size_t limit, std::string* out)
    {
        const std::string hexKey = key + "_hex";
        if (table.contains(key) && table.contains(hexKey))
            return toml_.fail(*table.get(hexKey), "'" + key + "' and '" + hexKey + "' both given");
        std::string text;
        std::string hex;
        std::vector<std::uint8_t> bytes;
        if (!toml_.text(table, key, &text) || !toml_.text(table, hexKey, &hex))
            return false;
        if (!FromHex(hex, &bytes))
            return toml_.fail(*table.get(hexKey), "'" + hexKey + "' must be pairs of hexadecimal digits");
        out->assign(bytes.begin(), bytes.end());
        if (table.contains(key) && !Utf8ToCp932(text, out))
            return toml_.fail(*table.get(key), "'" + key + "' has characters that code page 932 cannot hold");
        const toml::node* at = table.contains(key) ? table.get(key) : table.get(hexKey);
        if (out->size() > limit)
            return toml_.fail(*at, "'" + key + "' is " + std::to_string(out->size()) + " bytes in code page 932, at most " +
                                       std::to_string(limit) + " fit (" + std::to_string(limit / 2) +
                                       " full-width characters)");
        return true;
    }

    bool channelNames(const toml::table& table, const ModuleLayout& layout, ModuleSettings* settings)
    {
        const toml::array* names = toml_.array(table, "channel_names");
        if (!toml_.ok() || !names)
            return toml_.ok();
        if (names->size() > layout.names)
            return toml_.fail(*names, "a " + std::string(layout.className) + " module has " +
                                          std::to_string(layout.names) + " channel names, not " +
                                          std::to_string(names->size()));
        for (std::size_t i = 0; i < names->size(); ++i) {
            const toml::node& node = *names->get(i);
            std::string name;
            if (!node.is_string())
                return toml_.fail(node, "every channel name must be a text");
            if (!Utf8ToCp932(**node.as_string(), &name))
                return toml_.fail(node, "channel name has characters that code page 932 cannot hold");
            if (name.size() > kNameBytes)
                return toml_.fail(node, "channel name is " + std::to_string(name.size()) +
                                            " bytes in code page 932, at most " + std::to_string(kNameBytes) +
                                            " fit (" + std::to_string(kNameBytes / 2) + " full-width characters)");
            settings->names[i] = name;
        }
        return true;
    }

    bool fields(const toml::table& table, const ModuleLayout& layout, ModuleSettings* settings)
    {
        for (std::size_t f = 0; f < layout.fieldCount; ++f) {
            const SettingField& field = layout.fields[f];
            if (field.labels) {
                if (!toml_.choice(table, field.key, Utf8Labels(field), &settings->choices[f]))
                    return false;
                continue;
            }
            std::int64_t value = 0;
            if (!table.contains(field.key))
                continue;
            if (!toml_.integer(table, field.key, field.values[0], field.values[field.count - 1], &value))
                return false;
            const auto* found = std::find(field.values, field.values + field.count, value);
            if (found == field.values + field.count)
                return toml_.fail(*table.get(field.key), std::string("'") + field.key + "' is " + std::to_string(value) +
                                                             ", not one of the buffer sizes (8192 doubled up to 8388608)");
            settings->choices[f] = static_cast<int>(found - field.values);
        }
        return true;
    }

    bool raw(const toml::table& table, std::vector<std::uint8_t>* data)
    {
        const toml::array* patches = toml_.array(table, "raw");
        if (!toml_.ok() || !patches)
            return toml_.ok();
        for (const toml::node& node : *patches) {
            if (!node.is_table())
                return toml_.fail(node, "every entry of 'raw' must be a table { offset = N, bytes = \"hex\" }");
            const toml::table& patch = *node.as_table();
            std::int64_t offset = 0;
            std::string hex;
            std::vector<std::uint8_t> bytes;
            if (!toml_.onlyKeys(patch, {"offset", "bytes"}) ||
                !toml_.integer(patch, "offset", 0, static_cast<std::int64_t>(data->size()) - 1, &offset, true) ||
                !toml_.text(patch, "bytes", &hex, true))
                return false;
            if (!FromHex(hex, &bytes) || bytes.empty())
                return toml_.fail(*patch.get("bytes"), "'bytes' must be pairs of hexadecimal digits");
            if (static_cast<std::size_t>(offset) + bytes.size() > data->size())
                return toml_.fail(patch, "the raw bytes run past the end of the " + std::to_string(data->size()) +
                                             "-byte settings block");
            std::memcpy(data->data() + offset, bytes.data(), bytes.size());
        }
        return true;
    }

    bool module(const toml::table& table, StoredWorksheet* worksheet)
    {
        std::vector<std::string> classes;
        for (const ModuleLayout& layout : kLayouts)
            classes.push_back(layout.className);
        int classIndex = 0;
        if (!toml_.choice(table, "class", classes, &classIndex, true))
            return false;
        const ModuleLayout& layout = kLayouts[classIndex];
        std::vector<std::string_view> keys(std::begin(kModuleKeys), std::end(kModuleKeys));
        for (std::size_t f = 0; f < layout.fieldCount; ++f)
            keys.push_back(layout.fields[f].key);
        StoredModule module;
        module.className = layout.className;
        ModuleSettings settings = DefaultSettings(layout);
        std::int64_t inputs = 0;
        std::int64_t outputs = 0;
        std::int64_t board = 0;
        const bool read = toml_.onlyKeys(table, keys.data(), keys.size()) &&
                          cp932Text(table, "name", kModuleNameSize - 1, &module.name) &&
                          cp932Text(table, "description", kModuleDescriptionSize - 1, &module.description) &&
                          toml_.integer(table, "inputs", 0, kMaxInputs, &inputs, true) &&
                          toml_.integer(table, "outputs", 0, kChannelStateSlots, &outputs, true) &&
                          toml_.integer(table, "board", 0, 0xFFFF, &board, true) &&
                          channelNames(table, layout, &settings) && fields(table, layout, &settings);
        if (!read)
            return false;
        for (const StoredModule& other : worksheet->modules) {
            if (!module.name.empty() && other.name == module.name)
                return toml_.fail(table.contains("name") ? *table.get("name") : *table.get("name_hex"),
                                  "a module named '" + Cp932ToUtf8(module.name) +
                                      "' is already in the worksheet: connections name modules by name");
        }
        module.inputs = static_cast<unsigned>(inputs);
        module.outputs = static_cast<unsigned>(outputs);
        settings.board = static_cast<std::uint16_t>(board);
        module.data = BuildBlock(layout, settings);
        if (!raw(table, &module.data))
            return false;
        worksheet->modules.push_back(std::move(module));
        return true;
    }

    // A module named by its name (which must be unique) or by its index.
    bool moduleRef(const toml::table& table, const char* key, const StoredWorksheet& worksheet, std::size_t* index)
    {
        const toml::node* node = table.get(key);
        if (!node)
            return toml_.fail(table, std::string("the key '") + key + "' is missing");
        if (const auto number = node->value_exact<std::int64_t>()) {
            if (*number < 0 || static_cast<std::size_t>(*number) >= worksheet.modules.size())
                return toml_.fail(*node, std::string("'") + key + "' is module " + std::to_string(*number) +
                                             ", but there are " + std::to_string(worksheet.modules.size()));
            *index = static_cast<std::size_t>(*number);
            return true;
        }
        std::string name;
        if (!node->is_string() || !Utf8ToCp932(**node->as_string(), &name))
            return toml_.fail(*node, std::string("'") + key + "' must be a module's name or number");
        std::size_t found = 0;
        for (std::size_t i = 0; i < worksheet.modules.size(); ++i) {
            if (worksheet.modules[i].name == name) {
                *index = i;
                ++found;
            }
        }
        if (found != 1)
            return toml_.fail(*node, std::string("'") + key + "': " +
                                         (found == 0 ? "no module is named " : "more than one module is named ") +
                                         **node->as_string());
        return true;
    }

    bool connection(const toml::table& table, StoredWorksheet* worksheet)
    {
        StoredConnection link{};
        std::int64_t output = 0;
        std::int64_t input = 0;
        const bool read = toml_.onlyKeys(table, {"from", "output", "to", "input"}) &&
                          moduleRef(table, "from", *worksheet, &link.from) &&
                          toml_.integer(table, "output", 0, kMaxOutputHandles - 1, &output, true) &&
                          moduleRef(table, "to", *worksheet, &link.to) &&
                          toml_.integer(table, "input", 0, kMaxInputs - 1, &input, true);
        if (!read)
            return false;
        const StoredModule& from = worksheet->modules[link.from];
        const StoredModule& to = worksheet->modules[link.to];
        if (output >= from.outputs)
            return toml_.fail(*table.get("output"), "module " + ModuleName(from, link.from) + " has only " +
                                                        Counted(from.outputs, "output"));
        if (input >= to.inputs)
            return toml_.fail(*table.get("input"),
                              "module " + ModuleName(to, link.to) + " has only " + Counted(to.inputs, "input"));
        link.output = static_cast<unsigned>(output);
        link.input = static_cast<unsigned>(input);
        worksheet->connections.push_back(link);
        return true;
    }

    TomlReader& toml_;
};

}  // namespace

bool ReadWorksheetToml(const std::string& path, StoredWorksheet* worksheet, std::string* error)
{
    *worksheet = StoredWorksheet{};
    TomlReader toml;
    StoredWorksheet read;
    if (!toml.open(path) || !WorksheetReader(toml).read(&read)) {
        *error = toml.error();
        return false;
    }
    *worksheet = std::move(read);
    return true;
}

std::string ModuleName(const StoredModule& module, std::size_t index)
{
    return module.name.empty() ? "number " + std::to_string(index) : "'" + Cp932ToUtf8(module.name) + "'";
}

}  // namespace standin
