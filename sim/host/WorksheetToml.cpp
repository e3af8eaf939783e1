#include "WorksheetToml.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "CodePage.h"
#include "HexText.h"
#include "TomlReader.h"
#include "torq7m/host/HostRecords.h"
#include "torq7m/modules/ClassTable.h"

namespace standin {

namespace {

constexpr char kFormat[] = "standin-worksheet";
constexpr std::int64_t kTomlVersion = 2;
constexpr std::size_t kNameBytes = kChannelNameSize - 1;

// ---- The settings fields of each class: a 32-bit index at an offset, named
// by the text the settings dialog shows for it, or by a value of a table.

struct SettingField {
    const char* key;
    std::uint32_t offset;
    const char* const* labels;    // code page 932; null for a field named by `values`
    const std::uint32_t* values;
    std::size_t count;
    bool inputRange;   // the index also sets the span and the two ends of the range
};

constexpr const AnalogInputLists& kAdLists = *kClassTable[kClassAd].analogInput;
constexpr const AnalogOutputLists& kDaLists = *kClassTable[kClassDa].analogOutput;

constexpr SettingField kAdFields[] = {
    {"input_range", offsetof(AdModuleData, nInputRange), kAdLists.ranges.texts, nullptr, kAdLists.ranges.count, true},
    {"buffer_mode", offsetof(AdModuleData, nBufferMode), kAdLists.bufferModes.texts, nullptr,
     kAdLists.bufferModes.count, false},
    {"buffer_words", offsetof(AdModuleData, nBufferSize), nullptr, kAdLists.bufferWords, kAdLists.bufferSizes.count,
     false},
    {"start_method", offsetof(AdModuleData, nStartMethod), kAdLists.startMethods.texts, nullptr,
     kAdLists.startMethods.count, false},
};
constexpr SettingField kDaFields[] = {
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

constexpr ModuleLayout kLayouts[] = {
    Layout(kClassTable[kClassAd], kAdFields, std::size(kAdFields)),
    Layout(kClassTable[kClassDi], nullptr, 0),
    Layout(kClassTable[kClassDo], nullptr, 0),
    Layout(kClassTable[kClassDa], kDaFields, std::size(kDaFields)),
};

constexpr std::string_view kModuleKeys[] = {"class",  "name",  "name_hex", "description", "description_hex",
                                            "inputs", "outputs", "board",  "channel_names", "raw"};

const ModuleLayout* LayoutOf(const std::string& className)
{
    for (const ModuleLayout& layout : kLayouts) {
        if (className == layout.className)
            return &layout;
    }
    return nullptr;
}

// What the named fields of a block say; a block is built from it alone.
struct ModuleSettings {
    std::vector<std::string> names;   // code page 932
    std::uint16_t board = 0;
    std::vector<int> choices;         // index per field; absent fields 0
};

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

// ---- Writing.

std::string Quoted(const std::string& utf8)
{
    std::string text = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            text += escape;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text + "\"";
}

// A code page 932 text that UTF-8 carries there and back unchanged.
bool Expressible(const std::string& cp932, std::string* utf8)
{
    std::string back;
    *utf8 = Cp932ToUtf8(cp932);
    return Utf8ToCp932(*utf8, &back) && back == cp932;
}

void WriteText(std::string* out, const char* key, const std::string& cp932)
{
    std::string utf8;
    if (Expressible(cp932, &utf8))
        *out += std::string(key) + " = " + Quoted(utf8) + "\n";
    else
        *out += std::string(key) + "_hex = \"" + ToHex(cp932.data(), cp932.size()) + "\"\n";
}

std::string NameIn(const std::vector<std::uint8_t>& data, std::size_t offset)
{
    const char* start = reinterpret_cast<const char*>(data.data() + offset);
    return std::string(start, strnlen(start, kNameBytes));
}

void WriteSettings(std::string* out, const ModuleLayout& layout, const std::vector<std::uint8_t>& data)
{
    ModuleSettings settings = DefaultSettings(layout);
    *out += "board = " + std::to_string(Get<std::uint16_t>(data, layout.boardOffset)) + "\n";
    settings.board = Get<std::uint16_t>(data, layout.boardOffset);
    *out += "channel_names = [";
    for (unsigned i = 0; i < layout.names; ++i) {
        std::string utf8;
        const std::string name = NameIn(data, i * kChannelNameSize);
        // A name that the file cannot carry is left to the raw bytes.
        settings.names[i] = Expressible(name, &utf8) ? name : std::string();
        *out += (i == 0 ? "" : ", ") + Quoted(Expressible(name, &utf8) ? utf8 : std::string());
    }
    *out += "]\n";
    for (std::size_t f = 0; f < layout.fieldCount; ++f) {
        const SettingField& field = layout.fields[f];
        const std::int32_t index = Get<std::int32_t>(data, field.offset);
        if (index < 0 || static_cast<std::size_t>(index) >= field.count)
            continue;
        settings.choices[f] = index;
        *out += std::string(field.key) + " = " +
                (field.labels ? Quoted(Cp932ToUtf8(field.labels[index])) : std::to_string(field.values[index])) + "\n";
    }
    const std::vector<std::uint8_t> built = BuildBlock(layout, settings);
    std::string raw;
    for (std::size_t i = 0; i < data.size();) {
        if (data[i] == built[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < data.size() && data[end] != built[end])
            ++end;
        raw += std::string(raw.empty() ? "" : ",\n       ") + "{ offset = " + std::to_string(i) + ", bytes = \"" +
               ToHex(data.data() + i, end - i) + "\" }";
        i = end;
    }
    if (!raw.empty())
        *out += "raw = [" + raw + "]\n";
}

// ---- Reading.

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
                          toml_.number(*table, "ms_per_sample", 1e-6, 1e9, &worksheet->msPerSample, true) &&
                          toml_.integer(*table, "block_size", 1, 0xFFFF, &blockSize, true);
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
                                       std::to_string(limit) + " fit");
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
                                            " bytes in code page 932, at most " + std::to_string(kNameBytes) + " fit");
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
        if (output >= worksheet->modules[link.from].outputs)
            return toml_.fail(*table.get("output"), "module " + std::to_string(link.from) + " has only " +
                                                        std::to_string(worksheet->modules[link.from].outputs) + " outputs");
        if (input >= worksheet->modules[link.to].inputs)
            return toml_.fail(*table.get("input"), "module " + std::to_string(link.to) + " has only " +
                                                       std::to_string(worksheet->modules[link.to].inputs) + " inputs");
        link.output = static_cast<unsigned>(output);
        link.input = static_cast<unsigned>(input);
        worksheet->connections.push_back(link);
        return true;
    }

    TomlReader& toml_;
};

}  // namespace

std::string FormatWorksheetToml(const StoredWorksheet& worksheet)
{
    std::string out = "# Worksheet of the stand-in host (format described in the README).\n";
    out += std::string("format = \"") + kFormat + "\"\nversion = " + std::to_string(kTomlVersion) + "\n";
    if (worksheet.hasTimeBase) {
        char msPerSample[40];
        std::snprintf(msPerSample, sizeof msPerSample, "%.17g", worksheet.msPerSample);
        out += std::string("\n[timebase]\nms_per_sample = ") + msPerSample +
               "\nblock_size = " + std::to_string(worksheet.blockSize) + "\n";
    }
    for (const StoredModule& module : worksheet.modules) {
        const ModuleLayout* layout = LayoutOf(module.className);
        out += "\n[[module]]\nclass = " + Quoted(module.className) + "\n";
        WriteText(&out, "name", module.name);
        WriteText(&out, "description", module.description);
        out += "inputs = " + std::to_string(module.inputs) + "\noutputs = " + std::to_string(module.outputs) + "\n";
        if (layout && module.data.size() == layout->size)
            WriteSettings(&out, *layout, module.data);
    }
    for (const StoredConnection& link : worksheet.connections) {
        const auto reference = [&worksheet](std::size_t index) {
            std::size_t named = 0;
            for (const StoredModule& module : worksheet.modules)
                named += module.name == worksheet.modules[index].name ? 1 : 0;
            std::string utf8;
            return named == 1 && Expressible(worksheet.modules[index].name, &utf8) ? Quoted(utf8) : std::to_string(index);
        };
        out += "\n[[connection]]\nfrom = " + reference(link.from) + "\noutput = " + std::to_string(link.output) +
               "\nto = " + reference(link.to) + "\ninput = " + std::to_string(link.input) + "\n";
    }
    return out;
}

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

}  // namespace standin
