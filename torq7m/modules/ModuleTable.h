// Records that the library keeps beside a module's host-owned blocks, keyed
// by the module's record. The host's thread keeps and drops records at the
// start and stop of a module while the measurement thread looks up others.
//
// What makes a lookup see a record whole or not at all: slots never move; a
// slot's key is written last, with release order, after its value, and is
// cleared first when the record is dropped; a lookup reads the key with
// acquire order before it reads the value. A value is only changed while its
// key is absent or by its own module's start and stop, which the host never
// runs during that module's process call. Lookups walk only up to the
// highest slot ever used, which during a measurement is a handful.
#pragma once

#include <atomic>

struct ModuleRecord;

template <typename Value, unsigned Slots>
struct ModuleTable {
    struct Slot {
        std::atomic<const ModuleRecord*> module;
        Value value;
    };
    Slot slots[Slots];
    std::atomic<unsigned> used;   // slots at and above this one have never held a module

    Value* Find(const ModuleRecord* module)
    {
        Slot* slot = FindSlot(module);
        return slot ? &slot->value : nullptr;
    }

    // The module's record, set to `value`; null when every slot is taken.
    Value* Keep(const ModuleRecord* module, const Value& value)
    {
        Slot* slot = FindSlot(module);
        if (!slot)
            slot = FreeSlot();
        if (!slot)
            return nullptr;
        slot->value = value;
        slot->module.store(module, std::memory_order_release);
        return &slot->value;
    }

    // Forgets the module's record and returns it; Value{} when there was none.
    Value Take(const ModuleRecord* module)
    {
        Slot* slot = FindSlot(module);
        if (!slot)
            return Value{};
        const Value value = slot->value;
        slot->module.store(nullptr, std::memory_order_release);
        slot->value = Value{};
        return value;
    }

    // Calls `visit(module, value)` for every record kept; on the host's thread.
    template <typename Visit>
    void ForEach(Visit&& visit)
    {
        const unsigned end = used.load(std::memory_order_acquire);
        for (unsigned i = 0; i < end; ++i) {
            if (const ModuleRecord* module = slots[i].module.load(std::memory_order_acquire))
                visit(module, slots[i].value);
        }
    }

private:
    Slot* FindSlot(const ModuleRecord* module)
    {
        const unsigned end = used.load(std::memory_order_acquire);
        for (unsigned i = 0; i < end; ++i) {
            if (slots[i].module.load(std::memory_order_acquire) == module)
                return &slots[i];
        }
        return nullptr;
    }

    // Only the host's thread takes slots, so the count needs no compare-exchange.
    Slot* FreeSlot()
    {
        if (Slot* slot = FindSlot(nullptr))
            return slot;
        const unsigned end = used.load(std::memory_order_relaxed);
        if (end >= Slots)
            return nullptr;
        used.store(end + 1, std::memory_order_release);
        return &slots[end];
    }
};
