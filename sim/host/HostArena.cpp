#include "HostArena.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

namespace standin {

namespace {

// Tried in order; the first that can be reserved becomes the arena.
constexpr std::uintptr_t kArenaAddresses[] = {0x20000000, 0x30000000, 0x50000000, 0x60000000};
constexpr std::size_t kArenaSize = 256u << 20;
constexpr std::size_t kAlignment = 16;

class Arena {
public:
    void* allocate(std::size_t size)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!reserve())
            return nullptr;
        size = (size + kAlignment - 1) / kAlignment * kAlignment;
        if (size == 0)
            size = kAlignment;
        for (auto it = free_.begin(); it != free_.end(); ++it) {
            if (it->second < size)
                continue;
            const std::uintptr_t address = it->first;
            const std::size_t left = it->second - size;
            free_.erase(it);
            if (left != 0)
                free_.emplace(address + size, left);
            used_.emplace(address, size);
            void* block = reinterpret_cast<void*>(address);
            std::memset(block, 0, size);
            return block;
        }
        return nullptr;
    }

    bool release(void* block)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = used_.find(reinterpret_cast<std::uintptr_t>(block));
        if (it == used_.end())
            return false;
        std::uintptr_t address = it->first;
        std::size_t size = it->second;
        used_.erase(it);
        // Freed memory is overwritten so that a late use shows in the data.
        std::memset(block, 0xDD, size);
        const auto next = free_.find(address + size);
        if (next != free_.end()) {
            size += next->second;
            free_.erase(next);
        }
        auto previous = free_.lower_bound(address);
        if (previous != free_.begin()) {
            --previous;
            if (previous->first + previous->second == address) {
                previous->second += size;
                return true;
            }
        }
        free_.emplace(address, size);
        return true;
    }

private:
    bool reserve()
    {
        if (base_ != 0)
            return true;
        for (const std::uintptr_t address : kArenaAddresses) {
            void* region = VirtualAlloc(reinterpret_cast<void*>(address), kArenaSize, MEM_RESERVE | MEM_COMMIT,
                                        PAGE_READWRITE);
            if (region != nullptr) {
                base_ = reinterpret_cast<std::uintptr_t>(region);
                free_.emplace(base_, kArenaSize);
                return true;
            }
        }
        return false;
    }

    std::mutex mutex_;
    std::uintptr_t base_ = 0;
    std::map<std::uintptr_t, std::size_t> free_;   // address -> size, adjacent ranges merged
    std::map<std::uintptr_t, std::size_t> used_;
};

Arena& TheArena()
{
    static Arena arena;
    return arena;
}

}  // namespace

void* ArenaAllocate(std::size_t size)
{
    return TheArena().allocate(size);
}

bool ArenaFree(void* block)
{
    return TheArena().release(block);
}

}  // namespace standin
