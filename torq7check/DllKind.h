// What kind of file a torq7.dll is, read off its header, for a driver that
// Windows refuses to load.
#pragma once

#include <string>

enum DllKind : unsigned {
    kDllUnreadable,   // the file cannot be opened or read
    kDllNotPe,        // no Windows program or library at all
    kDllProgram,      // a Windows program (.exe), not a library
    kDll32,           // a 32-bit x86 library
    kDll64,           // a 64-bit x64 library
    kDllOtherMachine, // a library for another processor
};

DllKind ReadDllKind(const std::string& path);

// "このファイルは 64 ビットの DLL です (this file is a 64-bit DLL)" and so on.
const char* DllKindText(DllKind kind);
