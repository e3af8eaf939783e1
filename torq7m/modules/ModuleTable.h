// Records that the library keeps beside a module's host-owned blocks, keyed
// by the module's record. Slots never move, so a lookup on the process
// thread sees a record either whole or not at all while the host's thread
// adds or drops another module's; lookups walk only up to the highest slot
// ever used, which during a measurement is a handful.
#pragma once

struct ModuleRecord;

template <typename Value, unsigned Slots>
struct ModuleTable {
    struct Slot {
        const ModuleRecord* module;
        Value value;
    };
    Slot slots[Slots];
    unsigned used;   // slots at and above this one have never held a module

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
        slot->module = module;
        return &slot->value;
    }

    // Forgets the module's record and returns it; Value{} when there was none.
    Value Take(const ModuleRecord* module)
    {
        Slot* slot = FindSlot(module);
        if (!slot)
            return Value{};
        const Value value = slot->value;
        slot->module = nullptr;
        slot->value = Value{};
        return value;
    }

private:
    Slot* FindSlot(const ModuleRecord* module)
    {
        for (unsigned i = 0; i < used; ++i) {
            if (slots[i].module == module)
                return &slots[i];
        }
        return nullptr;
    }

    Slot* FreeSlot()
    {
        if (Slot* slot = FindSlot(nullptr))
            return slot;
        return used < Slots ? &slots[used++] : nullptr;
    }
};
