// Cutting code page 932 texts to the room of a record's field without
// leaving half of a double-byte character at the end.
#pragma once

#include <cstddef>

// Whole characters of `text` that fit in `room` bytes with the terminating
// zero, copied to `out` (which may be `text` itself). `text` may lack its
// zero: at most `room` - 1 of its bytes are read.
void CopyWholeCharacters(char* out, std::size_t room, const char* text);
