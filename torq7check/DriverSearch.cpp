#include "DriverSearch.h"

#include <windows.h>

#include <algorithm>

#include "board/DriverTypes.h"

namespace {

// Only a whole character is a separator: "表" ends in a '\\' byte.
bool EndsInSeparator(const std::string& folder)
{
    const char* end = folder.c_str() + folder.size();
    const char* last = CharPrevA(folder.c_str(), end);
    return last == end - 1 && (*last == '\\' || *last == '/');
}

std::string WithoutTrailingSlash(std::string folder)
{
    while (folder.size() > 3 && EndsInSeparator(folder))
        folder.pop_back();
    return folder;
}

std::string DriverPathIn(const std::string& folder)
{
    return WithoutTrailingSlash(folder) + "\\" + kDriverFileName;
}

bool HoldsDriver(const std::string& folder)
{
    const DWORD attributes = GetFileAttributesA(DriverPathIn(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProgramFolder()
{
    // The system splits the name off: a '\\' byte may be half of a
    // double-byte character of the folder's or the program's name.
    char path[MAX_PATH];
    char full[MAX_PATH];
    char* name = nullptr;
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path || GetFullPathNameA(path, sizeof full, full, &name) >= sizeof full ||
        name == nullptr || name == full)
        return std::string();
    return std::string(full, name - full - 1);
}

using FolderQuery = UINT(WINAPI*)(LPSTR, UINT);

std::string AskFolder(FolderQuery query)
{
    char path[MAX_PATH];
    const UINT length = query(path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string CurrentFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof path, path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::vector<std::string> PathFolders()
{
    // Read wide and converted here: Wine's narrow call cuts a value with
    // double-byte characters (a folder named in Japanese) short.
    std::vector<std::string> folders;
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0)
        return folders;
    std::wstring wide(size, L'\0');
    const DWORD got = GetEnvironmentVariableW(L"PATH", &wide[0], size);
    wide.resize(got < size ? got : 0);
    std::string path(wide.size() * 2, '\0');
    path.resize(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                    &path[0], static_cast<int>(path.size()), nullptr, nullptr));
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(';', start), path.size());
        if (end > start)
            folders.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

}  // namespace

std::vector<SearchFolder> DriverSearchOrder(const std::string& hostFolder)
{
    const std::string windows = AskFolder(GetWindowsDirectoryA);
    std::vector<SearchFolder> folders = {
        {hostFolder.empty() ? "このプログラムのフォルダ (program folder)" : "ホストのフォルダ (host folder)",
         hostFolder.empty() ? ProgramFolder() : WithoutTrailingSlash(hostFolder), false},
        {"システムフォルダ (system folder)", AskFolder(GetSystemDirectoryA), false},
        {"16 ビットのシステムフォルダ (16-bit system folder)", windows + "\\system", false},
        {"Windows フォルダ (Windows folder)", windows, false},
        {"カレントフォルダ (current folder)", CurrentFolder(), false},
    };
    for (const std::string& folder : PathFolders())
        folders.push_back({"PATH", folder, false});
    for (SearchFolder& folder : folders)
        folder.hasDriver = HoldsDriver(folder.path);
    return folders;
}

FoundDriver LoadFirstDriver(const std::vector<SearchFolder>& folders)
{
    for (const SearchFolder& folder : folders) {
        if (!folder.hasDriver)
            continue;
        const std::string path = DriverPathIn(folder.path);
        HMODULE module = LoadLibraryA(path.c_str());
        return {path, module, module ? 0 : GetLastError()};
    }
    return {std::string(), nullptr, 0};
}
