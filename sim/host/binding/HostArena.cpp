// The fenced arena below 4 GB from which all host memory comes.
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
constexpr std::size_t kFence = 16;        // canary bytes before an ordinary block
constexpr std::size_t kPage = 4096;
constexpr std::size_t kGuardedAlignment = 4;
constexpr unsigned char kCanary = 0xFB;
constexpr unsigned char kFreedByte = 0xDD;

std::size_t RoundUp(std::size_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

// A block as the library sees it and the range of the arena it occupies.
struct UsedBlock {
    std::uintptr_t raw;        // start of the range taken from the free list
    std::size_t rawSize;
    std::size_t size;          // what was asked for
    std::uintptr_t guardPage;  // 0 for an ordinary block
    bool damaged;              // already counted
};

bool FenceIntact(std::uintptr_t from, std::uintptr_t to)
{
    for (auto* byte = reinterpret_cast<const unsigned char*>(from); byte != reinterpret_cast<const unsigned char*>(to);
         ++byte) {
        if (*byte != kCanary)
            return false;
    }
    return true;
}

class Arena {
public:
    void* allocate(std::size_t size)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::size_t rawSize = RoundUp(kFence + size + kFence, kAlignment);
        const std::uintptr_t raw = take(rawSize);
        if (raw == 0)
            return nullptr;
        const std::uintptr_t block = raw + kFence;
        std::memset(reinterpret_cast<void*>(raw), kCanary, rawSize);
        std::memset(reinterpret_cast<void*>(block), 0, size);
        used_.emplace(block, UsedBlock{raw, rawSize, size, 0, false});
        return reinterpret_cast<void*>(block);
    }

    void* allocateGuarded(std::size_t size)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::size_t dataPages = RoundUp(size == 0 ? 1 : size, kPage);
        // One page more for the guard and one to find a page boundary in.
        const std::size_t rawSize = dataPages + 2 * kPage;
        const std::uintptr_t raw = take(rawSize);
        if (raw == 0)
            return nullptr;
        const std::uintptr_t first = RoundUp(raw, kPage);
        const std::uintptr_t guard = first + dataPages;
        const std::uintptr_t block = (guard - size) / kGuardedAlignment * kGuardedAlignment;
        std::memset(reinterpret_cast<void*>(raw), kCanary, guard - raw);
        std::memset(reinterpret_cast<void*>(block), 0, size);
        DWORD old = 0;
        VirtualProtect(reinterpret_cast<void*>(guard), kPage, PAGE_NOACCESS, &old);
        used_.emplace(block, UsedBlock{raw, rawSize, size, guard, false});
        return reinterpret_cast<void*>(block);
    }

    bool release(void* block)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = used_.find(reinterpret_cast<std::uintptr_t>(block));
        if (it == used_.end())
            return false;
        UsedBlock used = it->second;
        check(it->first, it->second);
        used_.erase(it);
        if (used.guardPage != 0) {
            DWORD old = 0;
            VirtualProtect(reinterpret_cast<void*>(used.guardPage), kPage, PAGE_READWRITE, &old);
        }
        // Freed memory is overwritten so that a late use shows in the data.
        std::memset(reinterpret_cast<void*>(used.raw), kFreedByte, used.rawSize);
        give(used.raw, used.rawSize);
        return true;
    }

    std::size_t checkAll()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& block : used_)
            check(block.first, block.second);
        return damaged_;
    }

private:
    // Counts a block whose fences were written over, once.
    void check(std::uintptr_t block, UsedBlock& used)
    {
        if (used.damaged)
            return;
        const std::uintptr_t end = block + used.size;
        const bool before = FenceIntact(used.raw, block);
        const bool after = used.guardPage != 0 ? FenceIntact(end, used.guardPage)
                                                : FenceIntact(end, used.raw + used.rawSize);
        if (!before || !after) {
            used.damaged = true;
            ++damaged_;
        }
    }

    std::uintptr_t take(std::size_t size)
    {
        if (!reserve())
            return 0;
        for (auto it = free_.begin(); it != free_.end(); ++it) {
            if (it->second < size)
                continue;
            const std::uintptr_t address = it->first;
            const std::size_t left = it->second - size;
            free_.erase(it);
            if (left != 0)
                free_.emplace(address + size, left);
            return address;
        }
        return 0;
    }

    void give(std::uintptr_t address, std::size_t size)
    {
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
                return;
            }
        }
        free_.emplace(address, size);
    }

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
    std::map<std::uintptr_t, UsedBlock> used_;     // by the address the library sees
    std::size_t damaged_ = 0;
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

void* ArenaAllocateGuarded(std::size_t size)
{
    return TheArena().allocateGuarded(size);
}

bool ArenaFree(void* block)
{
    return TheArena().release(block);
}

std::size_t ArenaCheck()
{
    return TheArena().checkAll();
}

}  // namespace standin
