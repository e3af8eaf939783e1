// Memory that the host shares with the library. Every address the host
// hands out must fit in 32 bits, also in the 64-bit build, so it all comes
// from one region reserved at a fixed address below 4 GB.
//
// Every block is fenced so that the library's strays show: canary bytes lie
// before and after it and are checked when the block is freed (and by
// ArenaCheck); a guarded block also ends right at a page without access, so
// that reading or writing just past its end faults at once.
#pragma once

#include <cstddef>

namespace standin {

// Zeroed memory of at least `size` bytes, 16-byte aligned; null when the
// arena is exhausted. Thread-safe.
void* ArenaAllocate(std::size_t size);
// Zeroed memory of exactly `size` bytes that ends at a page without access;
// 4-byte aligned; null when the arena is exhausted.
void* ArenaAllocateGuarded(std::size_t size);
// Returns memory of ArenaAllocate or ArenaAllocateGuarded; false (and
// nothing freed) for an address that is not a live arena block.
bool ArenaFree(void* block);
// Checks the canaries of every live block; the number of blocks found
// damaged so far in this process, at a free or at a check (each counted once).
std::size_t ArenaCheck();

template <typename T>
T* ArenaNew(std::size_t count = 1)
{
    return static_cast<T*>(ArenaAllocate(sizeof(T) * count));
}

}  // namespace standin
