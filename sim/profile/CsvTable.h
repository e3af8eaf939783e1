// A recording in CSV: a header line of column names, then one line of
// numbers per sample (the stand-in host's own output is such a file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

struct CsvTable {
    std::string path;
    std::vector<std::string> names;
    std::vector<std::vector<double>> columns;   // one per name
    std::vector<std::int64_t> lines;           // file line of each row

    // -1 when no column has that name.
    int columnIndex(const std::string& name) const;
    std::string nameList() const;
};

// False, with the error as "file:line: what is wrong", when the file cannot
// be read, has no rows, or a cell is not a number.
bool ReadCsvTable(const std::string& path, CsvTable* table, std::string* error);

}  // namespace standin
