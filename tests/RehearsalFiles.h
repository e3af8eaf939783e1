// Files that a rehearsal test writes: a folder of its own per test (CTest
// runs tests side by side), removed with the object.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestHost.h"

namespace torq7test {

class TempFolder {
public:
    TempFolder()
    {
        static int serial = 0;
        path_ = ProgramFolder() + "rehearsal-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) +
                "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder()
    {
        for (const std::string& file : files_)
            DeleteFileA(file.c_str());
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path_ + "*.csv").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((path_ + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path_.c_str());
    }
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
        files_.push_back(file);
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

    std::string remember(const std::string& name)
    {
        files_.push_back(path_ + name);
        return path_ + name;
    }

private:
    std::string path_;
    std::vector<std::string> files_;
};

}  // namespace torq7test
