// Bytes as pairs of hexadecimal digits, as the worksheets store them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

std::string ToHex(const void* bytes, std::size_t count);
// False when the text is not pairs of hexadecimal digits.
bool FromHex(const std::string& text, std::vector<std::uint8_t>* bytes);

}  // namespace standin
