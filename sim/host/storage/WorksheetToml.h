// Worksheets as TOML that people can read and write: per module its class,
// name, channel counts and names, every settings field by name and its
// board, and the connections by module name. Bytes of a settings block that
// no name covers, or that a name cannot express, are kept as hex in the
// module's `raw` list, so that every block comes back byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// Inputs the host offers a module at most.
constexpr unsigned kMaxInputs = 16;

struct StoredModule {
    std::string className;
    unsigned inputs = 0;
    unsigned outputs = 0;
    std::string name;          // code page 932 bytes
    std::string description;
    std::vector<std::uint8_t> data;   // the whole settings block
};

struct StoredConnection {
    std::size_t from;   // index of the module
    unsigned output;
    std::size_t to;
    unsigned input;
};

// The line a worksheet this program stores begins with: a file that starts
// otherwise was written by someone else, and --save leaves it alone.
constexpr char kStoredWorksheetHeader[] = "# Worksheet of the stand-in host (format described in the README).\n";

// The time bases a worksheet may give, in either format.
constexpr double kLowestMsPerSample = 1e-6;
constexpr double kHighestMsPerSample = 1e9;
constexpr std::int64_t kLargestBlock = 0xFFFF;

struct StoredWorksheet {
    bool hasTimeBase = false;
    double msPerSample = 0.0;
    std::uint32_t blockSize = 0;
    std::vector<StoredModule> modules;
    std::vector<StoredConnection> connections;
};

// The file's first line for the earlier, hexadecimal worksheets.
constexpr char kHexWorksheetMagic[] = "standin-worksheet 1";

std::string FormatWorksheetToml(const StoredWorksheet& worksheet);
// False, with "file:line: what is wrong" in *error, for a file that cannot
// be used.
bool ReadWorksheetToml(const std::string& path, StoredWorksheet* worksheet, std::string* error);

// How messages name a worksheet's module: 'its name' in UTF-8, or its
// number when it has none.
std::string ModuleName(const StoredModule& module, std::size_t index);
// Reads a worksheet of either kind, TOML or the earlier hexadecimal one, the
// same way.
bool ReadWorksheet(const std::string& path, StoredWorksheet* worksheet, std::string* error);

}  // namespace standin
