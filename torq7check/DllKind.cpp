#include "DllKind.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

// The MS-DOS stub's magic, where it says where the Windows header starts,
// and that header's signature, processor and flags.
constexpr std::uint16_t kDosMagic = 0x5A4D;   // "MZ"
constexpr std::size_t kHeaderOffsetAt = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
constexpr std::size_t kMachineAfterSignature = 4;
constexpr std::size_t kFlagsAfterSignature = 22;
constexpr std::uint16_t kFlagDll = 0x2000;
constexpr DWORD kHeadBytes = 4096;

struct MachineKind {
    std::uint16_t machine;
    DllKind kind;
};

constexpr MachineKind kMachines[] = {
    {0x014C, kDll32},   // x86
    {0x8664, kDll64},   // x64
};

// By DllKind.
constexpr const char* kKindTexts[] = {
    "このファイルは読めません (this file cannot be read)",
    "このファイルは Windows のプログラムでも DLL でもありません (this file is not a DLL at all)",
    "このファイルは DLL ではなくプログラム (.exe) です (this file is a program, not a DLL)",
    "このファイルは 32 ビットの DLL です (this file is a 32-bit DLL)",
    "このファイルは 64 ビットの DLL です (this file is a 64-bit DLL)",
    "このファイルは x86 用ではない DLL です (this file is a DLL for another processor)",
};

template <typename T>
T At(const unsigned char* head, std::size_t offset)
{
    T value;
    std::memcpy(&value, head + offset, sizeof value);
    return value;
}

}  // namespace

DllKind ReadDllKind(const std::string& path)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kDllUnreadable;
    unsigned char head[kHeadBytes];
    DWORD got = 0;
    const BOOL read = ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
    if (!read)
        return kDllUnreadable;
    if (got < kHeaderOffsetAt + 4 || At<std::uint16_t>(head, 0) != kDosMagic)
        return kDllNotPe;
    const std::uint32_t pe = At<std::uint32_t>(head, kHeaderOffsetAt);
    if (pe > got - kFlagsAfterSignature - 2 || At<std::uint32_t>(head, pe) != kPeSignature)
        return kDllNotPe;
    if ((At<std::uint16_t>(head, pe + kFlagsAfterSignature) & kFlagDll) == 0)
        return kDllProgram;
    const std::uint16_t machine = At<std::uint16_t>(head, pe + kMachineAfterSignature);
    for (const MachineKind& known : kMachines) {
        if (known.machine == machine)
            return known.kind;
    }
    return kDllOtherMachine;
}

const char* DllKindText(DllKind kind)
{
    return kKindTexts[kind];
}
