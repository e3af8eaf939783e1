// Reads a TOML worksheet: every table's keys allowed, read and checked from
// its rows in WorksheetTomlKeys.h, the first mistake kept; the records are
// built from the values (WorksheetTomlBuild.cpp).
#include <algorithm>
#include <iterator>

#include "WorksheetToml.h"
#include "WorksheetTomlBuild.h"
#include "WorksheetTomlKeys.h"
#include "WorksheetTomlLayouts.h"
#include "sim/text/CodePage.h"
#include "sim/text/Counted.h"
#include "sim/text/HexText.h"
#include "sim/text/TomlReader.h"

namespace standin {

namespace {

using namespace sheet;

// What reading a table needs besides the table.
struct Reading {
    TomlReader& toml;
    StoredWorksheet* worksheet;              // the tables read so far
    const ModuleLayout* layout = nullptr;    // of the module being read
};

// When a key is read among its table's: a class decides which settings
// fields are allowed, so it comes before the check of the keys; raw patches
// come after the settings fields and the module's name has been found unique.
enum class Step { BeforeKeyCheck, Named, AfterFields };

constexpr Step StepOf(Kind kind)
{
    return kind == Kind::Class ? Step::BeforeKeyCheck : kind == Kind::RawPatches ? Step::AfterFields : Step::Named;
}

std::string HexKey(const Key& key)
{
    return std::string(key.name) + "_hex";
}

std::string TooLong(const std::string& what, std::size_t bytes, std::size_t limit)
{
    return what + " is " + std::to_string(bytes) + " bytes in code page 932, at most " + std::to_string(limit) +
           " fit (" + std::to_string(limit / 2) + " full-width characters)";
}

std::vector<std::string> Utf8Labels(const SettingField& field)
{
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < field.count; ++i)
        labels.push_back(field.labels ? Cp932ToUtf8(field.labels[i]) : std::to_string(field.values[i]));
    return labels;
}

// The table's keys, then those of the class's settings fields when a class is given.
template <std::size_t N>
bool OnlyKeys(TomlReader& toml, const toml::table& table, const Key (&keys)[N], const ModuleLayout* fieldsOf)
{
    std::vector<std::string> names;
    for (const Key& key : keys) {
        names.emplace_back(key.name);
        if (key.kind == Kind::Cp932Text)
            names.push_back(HexKey(key));
    }
    for (std::size_t f = 0; fieldsOf && f < fieldsOf->fieldCount; ++f)
        names.emplace_back(fieldsOf->fields[f].key);
    const std::vector<std::string_view> allowed(names.begin(), names.end());
    return toml.onlyKeys(table, allowed.data(), allowed.size());
}

bool ReadKey(Reading& reading, const toml::table& table, const Key& key, KeyValue* value);

// The keys of one step, in the table's order.
template <std::size_t N>
bool ReadStep(Reading& reading, const toml::table& table, const Key (&keys)[N], Step step, KeyValues* values)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (StepOf(keys[i].kind) == step && !ReadKey(reading, table, keys[i], &(*values)[i]))
            return false;
    }
    return true;
}

// A table whose keys all come in the step of named keys.
template <std::size_t N>
bool ReadTable(Reading& reading, const toml::table& table, const Key (&keys)[N], KeyValues* values)
{
    values->assign(N, KeyValue{});
    return OnlyKeys(reading.toml, table, keys, nullptr) && ReadStep(reading, table, keys, Step::Named, values);
}

bool Cp932Text(TomlReader& toml, const toml::table& table, const Key& key, KeyValue* value)
{
    const std::string name(key.name);
    const std::string hexName = HexKey(key);
    if (table.contains(name) && table.contains(hexName))
        return toml.fail(*table.get(hexName), "'" + name + "' and '" + hexName + "' both given");
    std::string text;
    std::string hex;
    std::vector<std::uint8_t> bytes;
    if (!toml.text(table, name, &text) || !toml.text(table, hexName, &hex))
        return false;
    if (!FromHex(hex, &bytes))
        return toml.fail(*table.get(hexName), "'" + hexName + "' must be pairs of hexadecimal digits");
    value->bytes.assign(bytes.begin(), bytes.end());
    if (table.contains(name) && !Utf8ToCp932(text, &value->bytes))
        return toml.fail(*table.get(name), "'" + name + "' has characters that code page 932 cannot hold");
    value->node = table.contains(name) ? table.get(name) : table.get(hexName);
    const auto limit = static_cast<std::size_t>(key.high);
    if (value->bytes.size() > limit)
        return toml.fail(*value->node, TooLong("'" + name + "'", value->bytes.size(), limit));
    return true;
}

bool ChannelNames(TomlReader& toml, const toml::table& table, const Key& key, const ModuleLayout& layout,
                  KeyValue* value)
{
    const toml::array* names = toml.array(table, key.name);
    if (!toml.ok() || !names)
        return toml.ok();
    if (names->size() > layout.names)
        return toml.fail(*names, "a " + std::string(layout.className) + " module has " +
                                     std::to_string(layout.names) + " channel names, not " +
                                     std::to_string(names->size()));
    for (const toml::node& node : *names) {
        std::string name;
        if (!node.is_string())
            return toml.fail(node, "every channel name must be a text");
        if (!Utf8ToCp932(**node.as_string(), &name))
            return toml.fail(node, "channel name has characters that code page 932 cannot hold");
        if (name.size() > kNameBytes)
            return toml.fail(node, TooLong("channel name", name.size(), kNameBytes));
        value->names.push_back(name);
    }
    return true;
}

bool RawPatches(Reading& reading, const toml::table& table, const Key& key, KeyValue* value)
{
    TomlReader& toml = reading.toml;
    const toml::array* patches = toml.array(table, key.name);
    if (!toml.ok() || !patches)
        return toml.ok();
    for (const toml::node& node : *patches) {
        if (!node.is_table())
            return toml.fail(node, "every entry of '" + std::string(key.name) +
                                       "' must be a table { offset = N, bytes = \"hex\" }");
        KeyValues patch;
        if (!ReadTable(reading, *node.as_table(), kPatchKeys, &patch))
            return false;
        const auto offset = static_cast<std::size_t>(patch[kOffset].integer);
        if (offset + patch[kBytes].bytes.size() > reading.layout->size)
            return toml.fail(node, "the raw bytes run past the end of the " + std::to_string(reading.layout->size) +
                                       "-byte settings block");
        value->patches.push_back({offset, patch[kBytes].bytes});
    }
    return true;
}

bool HexBytes(TomlReader& toml, const toml::table& table, const Key& key, KeyValue* value)
{
    std::string hex;
    std::vector<std::uint8_t> bytes;
    if (!toml.text(table, key.name, &hex, key.required))
        return false;
    if (value->node && (!FromHex(hex, &bytes) || bytes.empty()))
        return toml.fail(*value->node, "'" + std::string(key.name) + "' must be pairs of hexadecimal digits");
    value->bytes.assign(bytes.begin(), bytes.end());
    return true;
}

bool ModuleRef(Reading& reading, const toml::table& table, const Key& key, KeyValue* value)
{
    TomlReader& toml = reading.toml;
    const std::vector<StoredModule>& modules = reading.worksheet->modules;
    const std::string name(key.name);
    const toml::node* node = value->node;
    if (!node)
        return !key.required || toml.fail(table, "the key '" + name + "' is missing");
    if (const auto number = node->value_exact<std::int64_t>()) {
        if (*number < 0 || static_cast<std::size_t>(*number) >= modules.size())
            return toml.fail(*node, "'" + name + "' is module " + std::to_string(*number) + ", but there are " +
                                        std::to_string(modules.size()));
        value->integer = *number;
        return true;
    }
    std::string cp932;
    if (!node->is_string() || !Utf8ToCp932(**node->as_string(), &cp932))
        return toml.fail(*node, "'" + name + "' must be a module's name or number");
    std::size_t index = 0;
    const std::size_t found = ModulesNamed(modules, cp932, &index);
    if (found != 1)
        return toml.fail(*node, "'" + name + "': " +
                                    (found == 0 ? "no module is named " : "more than one module is named ") +
                                    **node->as_string());
    value->integer = static_cast<std::int64_t>(index);
    return true;
}

// The class's settings fields, by the texts the settings dialog shows or by value.
bool SettingFields(TomlReader& toml, const toml::table& table, const ModuleLayout& layout, std::vector<int>* choices)
{
    choices->assign(layout.fieldCount, 0);
    for (std::size_t f = 0; f < layout.fieldCount; ++f) {
        const SettingField& field = layout.fields[f];
        if (field.labels) {
            if (!toml.choice(table, field.key, Utf8Labels(field), &(*choices)[f]))
                return false;
            continue;
        }
        std::int64_t value = 0;
        if (!table.contains(field.key))
            continue;
        if (!toml.integer(table, field.key, field.values[0], field.values[field.count - 1], &value))
            return false;
        const auto* found = std::find(field.values, field.values + field.count, value);
        if (found == field.values + field.count)
            return toml.fail(*table.get(field.key), std::string("'") + field.key + "' is " + std::to_string(value) +
                                                        ", not one of the buffer sizes (8192 doubled up to 8388608)");
        (*choices)[f] = static_cast<int>(found - field.values);
    }
    return true;
}

bool Module(Reading& reading, const toml::table& table)
{
    TomlReader& toml = reading.toml;
    KeyValues values(std::size(kModuleKeys));
    std::vector<int> choices;
    if (!ReadStep(reading, table, kModuleKeys, Step::BeforeKeyCheck, &values) ||
        !OnlyKeys(toml, table, kModuleKeys, reading.layout) ||
        !ReadStep(reading, table, kModuleKeys, Step::Named, &values) ||
        !SettingFields(toml, table, *reading.layout, &choices))
        return false;
    const KeyValue& name = values[kName];
    std::size_t index = 0;
    if (!name.bytes.empty() && ModulesNamed(reading.worksheet->modules, name.bytes, &index) != 0)
        return toml.fail(*name.node, "a module named '" + Cp932ToUtf8(name.bytes) +
                                         "' is already in the worksheet: connections name modules by name");
    if (!ReadStep(reading, table, kModuleKeys, Step::AfterFields, &values))
        return false;
    reading.worksheet->modules.push_back(BuildModule(values, choices));
    return true;
}

bool Connection(Reading& reading, const toml::table& table)
{
    KeyValues values;
    if (!ReadTable(reading, table, kConnectionKeys, &values))
        return false;
    const StoredConnection link = BuildConnection(values);
    const StoredModule& from = reading.worksheet->modules[link.from];
    const StoredModule& to = reading.worksheet->modules[link.to];
    if (link.output >= from.outputs)
        return reading.toml.fail(*values[kOutput].node, "module " + ModuleName(from, link.from) + " has only " +
                                                            Counted(from.outputs, "output"));
    if (link.input >= to.inputs)
        return reading.toml.fail(*values[kInput].node,
                                 "module " + ModuleName(to, link.to) + " has only " + Counted(to.inputs, "input"));
    reading.worksheet->connections.push_back(link);
    return true;
}

bool ReadKey(Reading& reading, const toml::table& table, const Key& key, KeyValue* value)
{
    TomlReader& toml = reading.toml;
    value->node = table.get(key.name);
    switch (key.kind) {
    case Kind::Integer:
        return toml.integer(table, key.name, static_cast<std::int64_t>(key.low), static_cast<std::int64_t>(key.high),
                            &value->integer, key.required);
    case Kind::Number:
        return toml.number(table, key.name, key.low, key.high, &value->number, key.required);
    case Kind::Format: {
        int format = 0;
        return toml.choice(table, key.name, {kFormat}, &format, key.required);
    }
    case Kind::Class: {
        std::vector<std::string> classes;
        for (const ModuleLayout& layout : kLayouts)
            classes.push_back(layout.className);
        int index = 0;
        if (!toml.choice(table, key.name, classes, &index, key.required))
            return false;
        value->integer = index;
        reading.layout = &kLayouts[index];
        return true;
    }
    case Kind::Cp932Text: return Cp932Text(toml, table, key, value);
    case Kind::ChannelNames: return ChannelNames(toml, table, key, *reading.layout, value);
    case Kind::RawPatches: return RawPatches(reading, table, key, value);
    case Kind::BlockOffset:
        return toml.integer(table, key.name, 0, static_cast<std::int64_t>(reading.layout->size) - 1, &value->integer,
                            key.required);
    case Kind::HexBytes: return HexBytes(toml, table, key, value);
    case Kind::ModuleRef: return ModuleRef(reading, table, key, value);
    case Kind::TimeBase: {
        const toml::table* timeBase = toml.table(table, key.name);
        if (!timeBase)
            return toml.ok();
        KeyValues values;
        if (!ReadTable(reading, *timeBase, kTimeBaseKeys, &values))
            return false;
        BuildTimeBase(values, reading.worksheet);
        return true;
    }
    case Kind::Modules:
        return toml.eachTable(table, key.name, [&](const toml::table& module) { return Module(reading, module); });
    case Kind::Connections:
        return toml.eachTable(table, key.name,
                              [&](const toml::table& connection) { return Connection(reading, connection); });
    }
    return false;
}

}  // namespace

bool ReadWorksheetToml(const std::string& path, StoredWorksheet* worksheet, std::string* error)
{
    *worksheet = StoredWorksheet{};
    TomlReader toml;
    StoredWorksheet read;
    KeyValues values;
    Reading reading{toml, &read};
    if (!toml.open(path) || !ReadTable(reading, toml.root(), kWorksheetKeys, &values)) {
        *error = toml.error();
        return false;
    }
    *worksheet = std::move(read);
    return true;
}

}  // namespace standin
