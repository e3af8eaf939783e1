// What the benchmarks share: the folder they run from and the median of
// repeated figures.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

inline std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
