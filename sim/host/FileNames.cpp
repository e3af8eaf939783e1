// File names in the program's code page, separators found by whole characters.
#include "FileNames.h"

#include <windows.h>

namespace standin {

std::size_t NextSeparator(const std::string& path, std::size_t from)
{
    for (std::size_t at = from; at < path.size(); ++at) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[at])) && at + 1 < path.size())
            ++at;
        else if (path[at] == '\\' || path[at] == '/')
            return at;
    }
    return std::string::npos;
}

std::size_t NameStart(const std::string& path)
{
    std::size_t start = 0;
    for (std::size_t at = NextSeparator(path, 0); at != std::string::npos; at = NextSeparator(path, at + 1))
        start = at + 1;
    return start;
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

std::string BesideFile(const std::string& file, const std::string& name)
{
    const bool absolute = (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
                          (name.size() > 1 && name[1] == ':');
    return absolute ? name : file.substr(0, NameStart(file)) + name;
}

std::string NameFrom(const std::string& writtenPath, const std::string& full)
{
    const std::string written = FullPath(writtenPath);
    const std::size_t folder = NameStart(written);
    // Ends with its separator, so a folder whose name merely begins the same is not taken for it.
    const bool inside = folder > 0 && full.size() > folder && NameStart(full.substr(0, folder)) == folder &&
                        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, written.c_str(), static_cast<int>(folder),
                                       full.c_str(), static_cast<int>(folder)) == CSTR_EQUAL;
    return inside ? full.substr(folder) : full;
}

}  // namespace standin
