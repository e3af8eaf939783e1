// The keys of each table of a TOML worksheet, one row per key: the reader
// allows, reads and checks a key from its row alone, so a new key is read
// from a new row; WorksheetTomlWriter.cpp writes a module's own keys by name
// and must get it too. A class's settings field is a row of
// WorksheetTomlLayouts.h instead, read and written from that row alone. The
// rows are in the order a message about an unknown key lists them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "WorksheetToml.h"
#include "WorksheetTomlLayouts.h"
#include "sim/text/Toml.h"

namespace standin {
namespace sheet {

// How a key's value is read and checked.
enum class Kind {
    Integer,        // a whole number within low..high
    Number,         // a number within low..high
    Format,         // the text kFormat
    Class,          // a class of kLayouts, which decides the settings fields allowed beside it
    Cp932Text,      // a text, or its code page 932 bytes in hex under the key + "_hex"; at most `high` bytes
    ChannelNames,   // texts, at most the class's channel count, each at most kNameBytes in code page 932
    RawPatches,     // tables of kPatchKeys, written over the block that the named fields built
    BlockOffset,    // a whole number within the class's settings block
    HexBytes,       // a text of pairs of hexadecimal digits, at least one pair
    ModuleRef,      // a module read before: its name, which only it has, or its number
    TimeBase,       // a table of kTimeBaseKeys
    Modules,        // a list of tables of kModuleKeys
    Connections,    // a list of tables of kConnectionKeys
};

struct Key {
    std::string_view name;
    Kind kind;
    bool required;
    // The bounds of an Integer or a Number (every integer bound here is
    // exact as a double); for a Cp932Text, `high` is its most bytes.
    double low = 0.0;
    double high = 0.0;
};

inline constexpr Key kWorksheetKeys[] = {
    {"format", Kind::Format, true},
    {"version", Kind::Integer, true, kTomlVersion, kTomlVersion},
    {"timebase", Kind::TimeBase, false},
    {"module", Kind::Modules, false},
    {"connection", Kind::Connections, false},
};

inline constexpr Key kTimeBaseKeys[] = {
    {"ms_per_sample", Kind::Number, true, kLowestMsPerSample, kHighestMsPerSample},
    {"block_size", Kind::Integer, true, 1, kLargestBlock},
};

// The settings fields of the module's class (WorksheetTomlLayouts.h) are
// allowed after these.
inline constexpr Key kModuleKeys[] = {
    {"class", Kind::Class, true},
    {"name", Kind::Cp932Text, false, 0, kModuleNameSize - 1},
    {"description", Kind::Cp932Text, false, 0, kModuleDescriptionSize - 1},
    {"inputs", Kind::Integer, true, 0, kMaxInputs},
    {"outputs", Kind::Integer, true, 0, kChannelStateSlots},
    {"board", Kind::Integer, true, 0, 0xFFFF},
    {"channel_names", Kind::ChannelNames, false},
    {"raw", Kind::RawPatches, false},
};

inline constexpr Key kPatchKeys[] = {
    {"offset", Kind::BlockOffset, true},
    {"bytes", Kind::HexBytes, true},
};

inline constexpr Key kConnectionKeys[] = {
    {"from", Kind::ModuleRef, true},
    {"output", Kind::Integer, true, 0, kMaxOutputHandles - 1},
    {"to", Kind::ModuleRef, true},
    {"input", Kind::Integer, true, 0, kMaxInputs - 1},
};

// The row of a key; a name that is not in the table stops the compilation
// (the search reads past the table's end).
template <std::size_t N>
constexpr std::size_t KeyIndex(const Key (&keys)[N], std::string_view name)
{
    std::size_t index = 0;
    while (keys[index].name != name)
        ++index;
    return index;
}

struct RawPatch {
    std::size_t offset;
    std::string bytes;
};

// A key's value once read and checked, in the member that its kind fills.
struct KeyValue {
    const toml::node* node = nullptr;   // where the file gives it; null when absent
    std::int64_t integer = 0;           // Integer, BlockOffset; the index of a Class or a ModuleRef
    double number = 0.0;                // Number
    std::string bytes;                  // Cp932Text, HexBytes
    std::vector<std::string> names;     // ChannelNames, in code page 932
    std::vector<RawPatch> patches;      // RawPatches
};
// A table's values, in the order of its keys.
using KeyValues = std::vector<KeyValue>;

// The keys whose values go beyond their own row: into the records, or into
// checks of one key against another.
constexpr std::size_t kMsPerSample = KeyIndex(kTimeBaseKeys, "ms_per_sample");
constexpr std::size_t kBlockSize = KeyIndex(kTimeBaseKeys, "block_size");
constexpr std::size_t kClass = KeyIndex(kModuleKeys, "class");
constexpr std::size_t kName = KeyIndex(kModuleKeys, "name");
constexpr std::size_t kDescription = KeyIndex(kModuleKeys, "description");
constexpr std::size_t kInputs = KeyIndex(kModuleKeys, "inputs");
constexpr std::size_t kOutputs = KeyIndex(kModuleKeys, "outputs");
constexpr std::size_t kBoard = KeyIndex(kModuleKeys, "board");
constexpr std::size_t kChannelNames = KeyIndex(kModuleKeys, "channel_names");
constexpr std::size_t kRaw = KeyIndex(kModuleKeys, "raw");
constexpr std::size_t kOffset = KeyIndex(kPatchKeys, "offset");
constexpr std::size_t kBytes = KeyIndex(kPatchKeys, "bytes");
constexpr std::size_t kFrom = KeyIndex(kConnectionKeys, "from");
constexpr std::size_t kOutput = KeyIndex(kConnectionKeys, "output");
constexpr std::size_t kTo = KeyIndex(kConnectionKeys, "to");
constexpr std::size_t kInput = KeyIndex(kConnectionKeys, "input");

}  // namespace sheet
}  // namespace standin
