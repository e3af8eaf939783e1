// Reading a TOML file written by hand: every key checked, every value typed
// and bounded, and the first mistake kept as "file:line: what is wrong".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "Toml.h"

namespace standin {

class TomlReader {
public:
    // Reads and parses the file; false, with the error, when it cannot be
    // read or is not TOML.
    bool open(const std::string& path);
    const toml::table& root() const { return root_; }
    const std::string& path() const { return path_; }
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // Keeps the first error, at the line where `where` begins; returns false.
    bool fail(const toml::node& where, const std::string& what);
    bool failAtLine(std::int64_t line, const std::string& what);

    // False, with an error, when the table has a key that is not allowed.
    bool onlyKeys(const toml::table& table, const std::string_view* allowed, std::size_t count);
    bool onlyKeys(const toml::table& table, std::initializer_list<std::string_view> allowed)
    {
        return onlyKeys(table, allowed.begin(), allowed.size());
    }

    // Typed values. An absent key leaves *out as it is and is an error only
    // when `required`; a value of the wrong type or outside low..high is an
    // error. All return false after an error.
    bool integer(const toml::table& table, std::string_view key, std::int64_t low, std::int64_t high,
                 std::int64_t* out, bool required = false);
    bool number(const toml::table& table, std::string_view key, double low, double high, double* out,
                bool required = false);
    bool text(const toml::table& table, std::string_view key, std::string* out, bool required = false);
    // A text that must be one of `choices` (UTF-8); *out is its index.
    bool choice(const toml::table& table, std::string_view key, const std::vector<std::string>& choices, int* out,
                bool required = false);
    // Null when absent (or after an error for another type).
    const toml::table* table(const toml::table& table, std::string_view key);
    const toml::array* array(const toml::table& table, std::string_view key);
    // Calls read(table) for each table of the list at `key` ([[key]]) until
    // one returns false; an absent key is no mistake.
    template <typename Read>
    bool eachTable(const toml::table& table, std::string_view key, Read read)
    {
        const toml::array* list = array(table, key);
        if (!ok() || !list)
            return ok();
        for (const toml::node& node : *list) {
            if (!node.is_table())
                return fail(node, "'" + std::string(key) + "' must be a list of tables ([[" + std::string(key) + "]])");
            if (!read(*node.as_table()))
                return false;
        }
        return true;
    }

    // The line of a node, or of its table when the key is absent.
    static std::int64_t lineOf(const toml::node& node);

private:
    const toml::node* value(const toml::table& table, std::string_view key, bool required);
    bool wrongType(const toml::node& node, std::string_view key, const char* expected);

    std::string path_;
    toml::table root_;
    std::string error_;
};

}  // namespace standin
