// Redirection of a loaded module's imports, so that the library sees the
// host's clock without a hook of its own.
#pragma once

#include <windows.h>

namespace standin {

// Points every import of `function` from `dll` (names compared without
// regard to case) in `module`'s import address table at `replacement`.
// Returns the number of entries changed.
unsigned PatchImport(HMODULE module, const char* dll, const char* function, const void* replacement);

}  // namespace standin
