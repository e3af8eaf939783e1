// English glosses of the library's Japanese warnings, for the people who
// rehearse a worksheet with the stand-in host and do not read Japanese.
#pragma once

#include <string>

namespace standin {

// The English of every known phrase in a UTF-8 text, in the order they
// appear, joined by "; "; empty when no phrase is known.
std::string EnglishGloss(const std::string& utf8);

// A warning of the library in one UTF-8 line: "[caption] text  (gloss)",
// the text's line breaks shown as '/'.
std::string WarningLine(const std::string& cp932Caption, const std::string& cp932Text);

}  // namespace standin
