// File names in the program's code page, separators found by whole characters.
#include "FileNames.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "CodePage.h"

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

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CannotOpen(const std::string& path)
{
    const int reason = errno;
    if (IsFolder(path))
        return Cp932ToUtf8(path) + ": is a folder: name a file";
    return Cp932ToUtf8(path) + ": the file cannot be opened: " + std::strerror(reason);
}

bool FileBeginsWith(const std::string& path, const std::string& start)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::string head(start.size(), '\0');
    const std::size_t read = std::fread(&head[0], 1, head.size(), file);
    std::fclose(file);
    return read == start.size() && head == start;
}

std::string BesideFile(const std::string& file, const std::string& name)
{
    const bool absolute = (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
                          (name.size() > 1 && name[1] == ':');
    return absolute ? name : file.substr(0, NameStart(file)) + name;
}

bool SameFileName(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool SameFile(const std::string& a, const std::string& b)
{
    return SameFileName(FullPath(a), FullPath(b));
}

bool MakeFolders(const std::string& folder)
{
    if (IsFolder(folder))
        return true;
    // Scanned from the first byte by whole characters: the second byte of a
    // double-byte character may look like a separator. A separator at the
    // start (the root) names no folder to make.
    for (std::size_t end = NextSeparator(folder, 0); end != std::string::npos; end = NextSeparator(folder, end + 1)) {
        if (end == 0)
            continue;
        const std::string above = folder.substr(0, end);
        if (!CreateDirectoryA(above.c_str(), nullptr) && FileExists(above)) {
            errno = ENOTDIR;
            return false;
        }
    }
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        errno = GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
        return false;
    }
    if (!IsFolder(folder)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

namespace {

// The parts of a path between its separators; a network path begins with
// two empty ones.
std::vector<std::string> Parts(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at = NextSeparator(path, 0); at != std::string::npos; at = NextSeparator(path, from)) {
        parts.push_back(path.substr(from, at - from));
        from = at + 1;
    }
    if (from < path.size())
        parts.push_back(path.substr(from));
    return parts;
}

}  // namespace

std::string NameFrom(const std::string& writtenPath, const std::string& full)
{
    const std::string written = FullPath(writtenPath);
    const std::vector<std::string> folder = Parts(written.substr(0, NameStart(written)));
    const std::vector<std::string> target = Parts(full);
    // The root is "C:", or "", "", server and share of a network path: a path
    // on another drive or share stays whole.
    const std::size_t root = !folder.empty() && folder[0].empty() ? 4 : 1;
    std::size_t common = 0;
    while (common < folder.size() && common + 1 < target.size() && SameFileName(folder[common], target[common]))
        ++common;
    if (common < root)
        return full;
    std::string name;
    for (std::size_t up = common; up < folder.size(); ++up)
        name += "..\\";
    for (std::size_t part = common; part < target.size(); ++part)
        name += target[part] + (part + 1 < target.size() ? "\\" : "");
    return name;
}

}  // namespace standin
