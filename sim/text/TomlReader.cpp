// Checked reading of hand-written TOML files.
#include "TomlReader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "CodePage.h"
#include "FileNames.h"

namespace standin {

namespace {

const char* TypeName(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::table: return "a table";
    case toml::node_type::array: return "an array";
    case toml::node_type::string: return "a text";
    case toml::node_type::integer: return "an integer";
    case toml::node_type::floating_point: return "a number with a fraction";
    case toml::node_type::boolean: return "true or false";
    default: return "a date or time";
    }
}

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

std::string List(const std::vector<std::string>& items)
{
    std::string list;
    for (const std::string& item : items)
        list += (list.empty() ? "" : ", ") + Quoted(item);
    return list;
}

// A line of a file's text, counted from 1.
std::string LineOf(const std::string& text, std::int64_t line)
{
    std::size_t start = 0;
    for (std::int64_t n = 1; n < line && start != std::string::npos; ++n) {
        start = text.find('\n', start);
        if (start != std::string::npos)
            ++start;
    }
    return start == std::string::npos ? std::string() : text.substr(start, text.find('\n', start) - start);
}

// What the parser cannot know: a Japanese input method types digits full
// width (U+FF10 to U+FF19), which no TOML number holds.
std::string FullWidthDigitHint(const std::string& line)
{
    for (std::size_t at = line.find("\xEF\xBC"); at != std::string::npos; at = line.find("\xEF\xBC", at + 1)) {
        const auto third = static_cast<unsigned char>(at + 2 < line.size() ? line[at + 2] : 0);
        if (third >= 0x90 && third <= 0x99)
            return " (full-width digits such as '\xEF\xBC\x95': write numbers with 0-9)";
    }
    return "";
}

}  // namespace

bool TomlReader::open(const std::string& path)
{
    path_ = path;
    error_.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error_ = CannotOpen(path);
        return false;
    }
    std::ostringstream read;
    read << in.rdbuf();
    const std::string text = read.str();
    toml::parse_result parsed = toml::parse(text, std::string_view(path));
    if (!parsed) {
        const toml::parse_error& problem = parsed.error();
        const std::int64_t line = problem.source().begin.line;
        return failAtLine(line, std::string(problem.description()) + FullWidthDigitHint(LineOf(text, line)));
    }
    root_ = std::move(parsed.table());
    return true;
}

std::int64_t TomlReader::lineOf(const toml::node& node)
{
    return node.source().begin.line;
}

bool TomlReader::failAtLine(std::int64_t line, const std::string& what)
{
    if (error_.empty())
        error_ = Cp932ToUtf8(path_) + ":" + std::to_string(line) + ": " + what;
    return false;
}

bool TomlReader::fail(const toml::node& where, const std::string& what)
{
    return failAtLine(lineOf(where), what);
}

bool TomlReader::onlyKeys(const toml::table& table, const std::string_view* allowed, std::size_t count)
{
    for (const auto& [key, node] : table) {
        bool known = false;
        for (std::size_t i = 0; i < count; ++i)
            known = known || key.str() == allowed[i];
        if (known)
            continue;
        std::vector<std::string> names(allowed, allowed + count);
        return fail(node, "unknown key " + Quoted(key.str()) + " (known here: " + List(names) + ")");
    }
    return ok();
}

const toml::node* TomlReader::value(const toml::table& table, std::string_view key, bool required)
{
    const toml::node* node = table.get(key);
    if (!node && required)
        fail(table, "the key " + Quoted(key) + " is missing");
    return node;
}

bool TomlReader::wrongType(const toml::node& node, std::string_view key, const char* expected)
{
    return fail(node, Quoted(key) + " must be " + expected + ", not " + TypeName(node));
}

bool TomlReader::integer(const toml::table& table, std::string_view key, std::int64_t low, std::int64_t high,
                         std::int64_t* out, bool required)
{
    const toml::node* node = value(table, key, required);
    if (!node)
        return ok();
    const auto number = node->value_exact<std::int64_t>();
    if (!number)
        return wrongType(*node, key, "an integer");
    if (*number < low || *number > high)
        return fail(*node, Quoted(key) + " is " + std::to_string(*number) + ", outside " + std::to_string(low) +
                               ".." + std::to_string(high));
    *out = *number;
    return ok();
}

bool TomlReader::number(const toml::table& table, std::string_view key, double low, double high, double* out,
                        bool required)
{
    const toml::node* node = value(table, key, required);
    if (!node)
        return ok();
    if (!node->is_number())
        return wrongType(*node, key, "a number");
    const double number = node->is_integer() ? static_cast<double>(**node->as_integer()) : **node->as_floating_point();
    if (!(number >= low && number <= high)) {
        std::ostringstream range;
        range << Quoted(key) << " is " << number << ", outside " << low << ".." << high;
        return fail(*node, range.str());
    }
    *out = number;
    return ok();
}

bool TomlReader::text(const toml::table& table, std::string_view key, std::string* out, bool required)
{
    const toml::node* node = value(table, key, required);
    if (!node)
        return ok();
    if (!node->is_string())
        return wrongType(*node, key, "a text");
    *out = **node->as_string();
    return ok();
}

bool TomlReader::choice(const toml::table& table, std::string_view key, const std::vector<std::string>& choices,
                        int* out, bool required)
{
    std::string chosen;
    const bool had = table.contains(key);
    if (!text(table, key, &chosen, required) || !had)
        return ok();
    // Many input methods type U+301C (〜) where code page 932's 0x8160 is
    // U+FF5E (～) on Windows; they look alike, so both are taken.
    constexpr std::string_view kWaveDash = u8"〜";
    constexpr std::string_view kFullwidthTilde = u8"～";
    for (std::size_t at = chosen.find(kWaveDash); at != std::string::npos; at = chosen.find(kWaveDash, at))
        chosen.replace(at, kWaveDash.size(), kFullwidthTilde);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i] == chosen) {
            *out = static_cast<int>(i);
            return true;
        }
    }
    return fail(*table.get(key), Quoted(key) + " is " + Quoted(chosen) + ", not one of " + List(choices));
}

const toml::table* TomlReader::table(const toml::table& table, std::string_view key)
{
    const toml::node* node = value(table, key, false);
    if (node && !node->is_table()) {
        wrongType(*node, key, "a table");
        return nullptr;
    }
    return node ? node->as_table() : nullptr;
}

const toml::array* TomlReader::array(const toml::table& table, std::string_view key)
{
    const toml::node* node = value(table, key, false);
    if (node && !node->is_array()) {
        wrongType(*node, key, "an array");
        return nullptr;
    }
    return node ? node->as_array() : nullptr;
}

}  // namespace standin
