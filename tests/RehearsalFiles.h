// Files that a rehearsal test writes: a folder of its own per test (CTest
// runs tests side by side), removed with all that is in it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "TestHost.h"

namespace torq7test {

// A folder (named without a closing '\\') and everything in it.
inline void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(folder + "\\" + name);
            else
                DeleteFileA((folder + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

class TempFolder {
public:
    TempFolder()
    {
        static int serial = 0;
        path_ = ProgramFolder() + "rehearsal-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) +
                "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() { RemoveFolder(path_.substr(0, path_.size() - 1)); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }

    // Writes `text` as it is (UTF-8 for TOML) and yields the file's path.
    std::string write(const std::string& name, const std::string& text)
    {
        const std::string file = path_ + name;
        FILE* out = std::fopen(file.c_str(), "wb");
        if (out) {
            std::fwrite(text.data(), 1, text.size(), out);
            std::fclose(out);
        }
        return file;
    }

    std::string read(const std::string& file) const
    {
        std::string text;
        FILE* in = std::fopen(file.c_str(), "rb");
        if (!in)
            return text;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
            text.append(buffer, n);
        std::fclose(in);
        return text;
    }

    // A file the program under test writes, removed with the folder.
    std::string remember(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

}  // namespace torq7test
