// Texts between the library's code page 932 and the UTF-8 of files and the
// console.
#pragma once

#include <string>

namespace standin {

std::string Cp932ToUtf8(const std::string& cp932);
// False when the text is not valid UTF-8 or has a character that code page
// 932 cannot hold.
bool Utf8ToCp932(const std::string& utf8, std::string* cp932);

}  // namespace standin
