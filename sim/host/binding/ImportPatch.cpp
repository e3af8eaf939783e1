// Redirecting a loaded module's import entries.
#include "ImportPatch.h"

#include <cstring>

namespace standin {

namespace {

template <typename T>
T* At(HMODULE module, DWORD offset)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

bool Write(ULONG_PTR* slot, ULONG_PTR value)
{
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old))
        return false;
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

}  // namespace

unsigned PatchImport(HMODULE module, const char* dll, const char* function, const void* replacement)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    const auto* nt = At<const IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return 0;
    // Entries imported by ordinal only are recognised by the address they were bound to.
    HMODULE exporter = GetModuleHandleA(dll);
    const auto bound = reinterpret_cast<ULONG_PTR>(exporter ? GetProcAddress(exporter, function) : nullptr);
    unsigned patched = 0;
    for (auto* descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress); descriptor->Name != 0;
         ++descriptor) {
        if (_stricmp(At<const char>(module, descriptor->Name), dll) != 0)
            continue;
        auto* slots = At<IMAGE_THUNK_DATA>(module, descriptor->FirstThunk);
        const auto* names =
            descriptor->OriginalFirstThunk ? At<const IMAGE_THUNK_DATA>(module, descriptor->OriginalFirstThunk) : nullptr;
        for (std::size_t i = 0; slots[i].u1.Function != 0; ++i) {
            bool match = false;
            if (names && !IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) {
                const auto* byName = At<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names[i].u1.AddressOfData));
                match = std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0;
            } else {
                match = bound != 0 && slots[i].u1.Function == bound;
            }
            if (match && Write(&slots[i].u1.Function, reinterpret_cast<ULONG_PTR>(replacement)))
                ++patched;
        }
    }
    return patched;
}

}  // namespace standin
