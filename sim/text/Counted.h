// A count with its noun as English says it: "1 warning", "2 warnings".
#pragma once

#include <cstdint>
#include <string>

namespace standin {

inline std::string Counted(std::uint64_t count, const std::string& noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace standin
