// A TOML table's keys as data: each key's name, type, bounds, whether it
// must be there, when it is read and where its value goes. The check for
// unknown keys and the reading are both made from one such table, so that a
// key is named once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/text/TomlReader.h"

namespace standin {

enum class KeyType {
    Integer,
    Number,
    Text,
    Choice,   // a text out of a list; its index is kept
    Own,      // a table, a list of tables or a list that the table's reader reads itself
};

// When a key is read. Choose: before the check of the table's keys, since
// the key that picks the table's kind (and with it the keys it allows) is
// among them. Recording: last, as the recording's file is opened.
enum class Step { Choose, Value, Recording };

// The kinds of a table that take a key, one bit each; a table of one kind
// asks for any.
constexpr std::uint32_t kAnyKind = 0xFFFFFFFF;

template <typename Values>
struct Key {
    std::string_view name;
    KeyType type = KeyType::Own;
    std::int64_t Values::*integer = nullptr;
    double Values::*number = nullptr;
    std::string Values::*text = nullptr;
    int Values::*choice = nullptr;
    std::int64_t low = 0;   // Integer
    std::int64_t high = 0;
    double lowest = 0.0;    // Number
    double highest = 0.0;
    std::vector<std::string> (*choices)() = nullptr;
    bool mandatory = false;
    Step step = Step::Value;
    std::uint32_t kinds = kAnyKind;

    constexpr Key required() const
    {
        Key key = *this;
        key.mandatory = true;
        return key;
    }
    constexpr Key at(Step when) const
    {
        Key key = *this;
        key.step = when;
        return key;
    }
    constexpr Key takenBy(std::uint32_t kindBits) const
    {
        Key key = *this;
        key.kinds = kindBits;
        return key;
    }
};

template <typename Values>
constexpr Key<Values> IntegerKey(std::string_view name, std::int64_t Values::*to, std::int64_t low, std::int64_t high)
{
    Key<Values> key{name, KeyType::Integer};
    key.integer = to;
    key.low = low;
    key.high = high;
    return key;
}

template <typename Values>
constexpr Key<Values> NumberKey(std::string_view name, double Values::*to, double lowest, double highest)
{
    Key<Values> key{name, KeyType::Number};
    key.number = to;
    key.lowest = lowest;
    key.highest = highest;
    return key;
}

template <typename Values>
constexpr Key<Values> TextKey(std::string_view name, std::string Values::*to)
{
    Key<Values> key{name, KeyType::Text};
    key.text = to;
    return key;
}

template <typename Values>
constexpr Key<Values> ChoiceKey(std::string_view name, int Values::*to, std::vector<std::string> (*choices)())
{
    Key<Values> key{name, KeyType::Choice};
    key.choice = to;
    key.choices = choices;
    return key;
}

template <typename Values>
constexpr Key<Values> OwnKey(std::string_view name)
{
    return Key<Values>{name, KeyType::Own};
}

// Whether a table of kind `kindBit` takes the key `name`.
template <typename Values, std::size_t N>
bool Takes(const Key<Values> (&keys)[N], std::string_view name, std::uint32_t kindBit)
{
    for (const Key<Values>& key : keys) {
        if (key.name == name)
            return (key.kinds & kindBit) != 0;
    }
    return false;
}

// False, with the error, when the table has a key that its kind does not take.
template <typename Values, std::size_t N>
bool CheckKeys(TomlReader& toml, const toml::table& table, const Key<Values> (&keys)[N], std::uint32_t kindBit)
{
    std::vector<std::string_view> allowed;
    for (const Key<Values>& key : keys) {
        if (key.kinds & kindBit)
            allowed.push_back(key.name);
    }
    return toml.onlyKeys(table, allowed.data(), allowed.size());
}

// Reads, in the table's order, the keys of one step that its kind takes; an
// absent key leaves its value as it was. False after the first mistake.
template <typename Values, std::size_t N>
bool ReadKeys(TomlReader& toml, const toml::table& table, const Key<Values> (&keys)[N], Step step,
              std::uint32_t kindBit, Values* values)
{
    for (const Key<Values>& key : keys) {
        if (key.step != step || !(key.kinds & kindBit))
            continue;
        bool read = true;
        switch (key.type) {
        case KeyType::Integer:
            read = toml.integer(table, key.name, key.low, key.high, &(values->*key.integer), key.mandatory);
            break;
        case KeyType::Number:
            read = toml.number(table, key.name, key.lowest, key.highest, &(values->*key.number), key.mandatory);
            break;
        case KeyType::Text: read = toml.text(table, key.name, &(values->*key.text), key.mandatory); break;
        case KeyType::Choice:
            read = toml.choice(table, key.name, key.choices(), &(values->*key.choice), key.mandatory);
            break;
        case KeyType::Own: break;
        }
        if (!read)
            return false;
    }
    return true;
}

}  // namespace standin
