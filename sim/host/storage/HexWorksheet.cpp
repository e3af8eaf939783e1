// Reading a worksheet of either kind: TOML (WorksheetTomlRead.cpp), or the
// earlier hexadecimal files, which are still read.
#include <cmath>
#include <fstream>
#include <sstream>

#include "WorksheetToml.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
#include "sim/text/HexText.h"

namespace standin {

namespace {

// The time base of a timebase line, checked as the TOML worksheet's is.
bool ReadTimeBase(std::istringstream& fields, StoredWorksheet* worksheet, std::string* problem)
{
    double blockSize = 0.0;
    std::string rest;
    if (!(fields >> worksheet->msPerSample >> blockSize) || (fields >> rest))
        return false;
    std::ostringstream range;
    if (!(worksheet->msPerSample >= kLowestMsPerSample && worksheet->msPerSample <= kHighestMsPerSample))
        range << "milliseconds per sample " << worksheet->msPerSample << ", outside " << kLowestMsPerSample << ".."
              << kHighestMsPerSample;
    else if (!(blockSize >= 1 && blockSize <= kLargestBlock) || blockSize != std::floor(blockSize))
        range << "block size " << blockSize << ", outside the whole numbers 1.." << kLargestBlock;
    *problem = range.str();
    worksheet->blockSize = problem->empty() ? static_cast<std::uint32_t>(blockSize) : 0;
    worksheet->hasTimeBase = problem->empty();
    return problem->empty();
}

// The earlier format: plain text, one item per line, fields separated by
// single spaces, '#' lines are comments:
//   standin-worksheet 1
//   timebase <milliseconds per sample> <samples per block>
//   module <class name> <input count> <output count>
//   name <hex bytes>          the module's name (code page 932 bytes)
//   description <hex bytes>   its description
//   data <hex bytes>          its whole ModuleData block
//   connect <from module> <output channel> <to module> <input channel>
// name, description and data belong to the module line above them;
// modules are numbered from 0 in the order of their module lines.
bool ReadHexWorksheet(const std::string& path, StoredWorksheet* worksheet, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line);
    int number = 1;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        std::string keyword;
        if (!(fields >> keyword) || keyword[0] == '#')
            continue;
        std::string hex;
        std::vector<std::uint8_t> bytes;
        bool ok = true;
        std::string problem;
        if (keyword == "timebase") {
            ok = ReadTimeBase(fields, worksheet, &problem);
        } else if (keyword == "module") {
            StoredModule module;
            ok = static_cast<bool>(fields >> module.className >> module.inputs >> module.outputs);
            worksheet->modules.push_back(module);
        } else if (keyword == "connect") {
            StoredConnection link{};
            ok = static_cast<bool>(fields >> link.from >> link.output >> link.to >> link.input);
            worksheet->connections.push_back(link);
        } else if (worksheet->modules.empty()) {
            ok = false;
        } else {
            fields >> hex;
            StoredModule& module = worksheet->modules.back();
            ok = FromHex(hex, &bytes);
            if (keyword == "name")
                module.name.assign(bytes.begin(), bytes.end());
            else if (keyword == "description")
                module.description.assign(bytes.begin(), bytes.end());
            else if (keyword == "data")
                module.data = bytes;
            else
                ok = false;
        }
        if (!ok) {
            *error = Cp932ToUtf8(path) + ":" + std::to_string(number) + ": " +
                     (problem.empty() ? "cannot be read: " + line : problem);
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadWorksheet(const std::string& path, StoredWorksheet* worksheet, std::string* error)
{
    std::string first;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            *error = CannotOpen(path);
            return false;
        }
        std::getline(in, first);
    }
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    return first == kHexWorksheetMagic ? ReadHexWorksheet(path, worksheet, error)
                                       : ReadWorksheetToml(path, worksheet, error);
}

}  // namespace standin
