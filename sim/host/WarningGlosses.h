// English glosses of the library's Japanese warnings, for the people who
// rehearse a worksheet with the stand-in host and do not read Japanese.
#pragma once

#include <string>

namespace standin {

// The English of every known phrase in a UTF-8 text, in the order they
// appear, joined by "; "; empty when no phrase is known.
std::string EnglishGloss(const std::string& utf8);

}  // namespace standin
