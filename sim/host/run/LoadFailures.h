// Why a DLL the program names (--library, --driver) could not be loaded, in
// words a person acts on.
#pragma once

#include <cstdint>
#include <string>

namespace standin {

// The reason for the system error left by a failed load: not found, not a
// DLL or one of the wrong 32/64-bit kind, ..., or "Windows error N".
std::string LoadFailure(std::uint32_t systemError);

}  // namespace standin
