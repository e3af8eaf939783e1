// Writes a worksheet as TOML: named settings fields, and hex patches for the bytes they cannot express.
#include <cstdio>
#include <cstring>

#include "WorksheetToml.h"
#include "WorksheetTomlLayouts.h"
#include "sim/text/CodePage.h"
#include "sim/text/HexText.h"

namespace standin {

namespace {

using namespace sheet;

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

}  // namespace

std::string FormatWorksheetToml(const StoredWorksheet& worksheet)
{
    std::string out = kStoredWorksheetHeader;
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

}  // namespace standin
