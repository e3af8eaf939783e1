// Cutting code page 932 texts to a field's room: whole characters only,
// never reading past the room of a text that lacks its zero.
#include <gtest/gtest.h>

#include <string>

#include "torq7m/ui/Cp932Text.h"

namespace {

std::string Cut(const std::string& text, std::size_t room)
{
    std::string out(room, '#');
    CopyWholeCharacters(out.data(), room, text.c_str());
    return out.c_str();
}

TEST(TextCutting, KeepsWholeCharactersWithinTheRoom)
{
    struct Case {
        const char* text;
        std::size_t room;
        const char* kept;
    };
    const Case kCases[] = {
        {"abc", 4, "abc"},
        {"abcd", 4, "abc"},
        {"", 4, ""},
        {"abc", 1, ""},
        {"表表", 5, "表表"},       // 4 bytes and the zero
        {"表表", 4, "表"},         // the second character would lose its trail byte
        {"a表", 3, "a"},
        {"ｱｲｳ", 3, "ｱｲ"},          // half-width katakana are single bytes
        {"ソ能a", 6, "ソ能a"},     // trail bytes 0x5C are no ends of characters
        {"表表表表表表表表表表", 20, "表表表表表表表表表"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(Cut(c.text, c.room), c.kept) << c.text << " in " << c.room;
}

TEST(TextCutting, DropsALeadByteWhoseTrailIsMissing)
{
    const char text[] = {'a', static_cast<char>(0x95), '\0'};
    EXPECT_EQ(Cut(text, 8), "a");
}

TEST(TextCutting, ReadsNoFurtherThanTheRoomOfATextWithoutItsZero)
{
    // the bytes after the room are not readable memory in the block's place
    const char text[4] = {'w', 'x', 'y', 'z'};
    char out[4] = {'#', '#', '#', '#'};
    CopyWholeCharacters(out, sizeof out, text);
    EXPECT_STREQ(out, "wxy");
}

TEST(TextCutting, CutsInPlace)
{
    char text[] = "表表表";
    CopyWholeCharacters(text, 4, text);
    EXPECT_STREQ(text, "表");
}

}  // namespace
