// Worksheet files of the stand-in host: plain text, one item per line,
// fields separated by single spaces, '#' lines are comments.
//
//   standin-worksheet 1
//   timebase <milliseconds per sample> <samples per block>
//   module <class name> <input count> <output count>
//   name <hex bytes>            the module's name (code page 932 bytes)
//   description <hex bytes>     the module's description
//   data <hex bytes>            the whole ModuleData block
//   connect <from module> <output channel> <to module> <input channel>
//
// "name", "description" and "data" belong to the "module" line above them.
// Modules are numbered from 0 in the order of their "module" lines; each is
// restored with its stored counts and data and then sent MODMSG_LOADED.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

std::string ToHex(const void* bytes, std::size_t count);
// False when `text` is not an even number of hex digits.
bool FromHex(const std::string& text, std::vector<std::uint8_t>* bytes);

}  // namespace standin
