// Texts between the library's code page 932 and the UTF-8 of files and the
// console.
#pragma once

#include <string>

namespace standin {

std::string Cp932ToUtf8(const std::string& cp932);
// False when the text is not valid UTF-8 or has a character that code page
// 932 cannot hold.
bool Utf8ToCp932(const std::string& utf8, std::string* cp932);
// A text the system gave wide (a command line, the environment). False when
// a character has no place in code page 932; it is '?' in *cp932 then.
bool WideToCp932(const std::wstring& wide, std::string* cp932);
std::string WideToUtf8(const std::wstring& wide);

}  // namespace standin
