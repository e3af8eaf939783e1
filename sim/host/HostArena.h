// Memory that the host shares with the library. Every address the host
// hands out must fit in 32 bits, also in the 64-bit build, so it all comes
// from one region reserved at a fixed address below 4 GB.
#pragma once

#include <cstddef>

namespace standin {

// Zeroed memory of at least `size` bytes, 16-byte aligned; null when the
// arena is exhausted. Thread-safe.
void* ArenaAllocate(std::size_t size);
// Returns memory of ArenaAllocate; false (and nothing freed) for an address
// that is not a live arena block.
bool ArenaFree(void* block);

template <typename T>
T* ArenaNew(std::size_t count = 1)
{
    return static_cast<T*>(ArenaAllocate(sizeof(T) * count));
}

}  // namespace standin
