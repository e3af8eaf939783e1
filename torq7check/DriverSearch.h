// Where Windows looks for torq7.dll on behalf of the host, and loading the
// one it would find.
#pragma once

#include <string>
#include <vector>

struct HINSTANCE__;

struct SearchFolder {
    const char* what;    // how the folder is named in the report
    std::string path;
    bool hasDriver;      // a torq7.dll is in it
};

// The folders in the order in which Windows searches them for a library that
// the host loads by its bare name: the host's folder (`hostFolder`, or the
// program's own when empty), the system folders, the Windows folder, the
// current folder and the folders of PATH.
std::vector<SearchFolder> DriverSearchOrder(const std::string& hostFolder);

struct FoundDriver {
    std::string path;            // empty: no folder holds torq7.dll
    HINSTANCE__* module;         // null: not loaded
    unsigned long loadError;     // GetLastError of a failed load
};

// Loads the first torq7.dll of the search order by its full path, so that the
// library's own load by bare name then gets this very module.
FoundDriver LoadFirstDriver(const std::vector<SearchFolder>& folders);
