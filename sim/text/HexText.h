// Bytes as pairs of hexadecimal digits, as the worksheets store them, and
// bytes shown safely in a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

std::string ToHex(const void* bytes, std::size_t count);
// False when the text is not pairs of hexadecimal digits.
bool FromHex(const std::string& text, std::vector<std::uint8_t>* bytes);
// The text as a message can show it: printable characters and valid UTF-8
// as they are, every other byte as \xNN.
std::string Escaped(const std::string& text);

}  // namespace standin
