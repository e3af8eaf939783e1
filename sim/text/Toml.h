// toml++ (Debian's libtomlplusplus-dev), header-only and without exceptions:
// a parse reports its error in its result.
#pragma once

#define TOML_EXCEPTIONS 0
#define TOML_HEADER_ONLY 1
#include <toml++/toml.h>
