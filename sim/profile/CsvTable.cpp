// Reading and writing CSV recordings.
#include "CsvTable.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
#include "sim/text/HexText.h"

namespace standin {

namespace {

// Cells without their quotes and outer blanks; a name keeps its inner blanks.
std::vector<std::string> Cells(const std::string& line)
{
    std::vector<std::string> cells(1);
    for (char c : line) {
        if (c == ',')
            cells.emplace_back();
        else if (c != '"')
            cells.back() += c;
    }
    for (std::string& cell : cells) {
        const std::size_t first = cell.find_first_not_of(" \t");
        cell = first == std::string::npos ? std::string() : cell.substr(first, cell.find_last_not_of(" \t") - first + 1);
    }
    return cells;
}

bool Number(const std::string& cell, double* value)
{
    if (cell.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    *value = std::strtod(cell.c_str(), &end);
    return *end == '\0' && errno == 0;
}

}  // namespace

int CsvTable::columnIndex(const std::string& name) const
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

std::string CsvTable::nameList() const
{
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "'" : ", '") + Escaped(name) + "'";
    return list;
}

bool ReadCsvTable(const std::string& path, CsvTable* table, std::string* error)
{
    *table = CsvTable{};
    table->path = path;
    const std::string shown = Cp932ToUtf8(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = CannotOpen(path);
        return false;
    }
    std::string line;
    std::int64_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::vector<std::string> cells = Cells(line);
        if (table->names.empty()) {
            table->names = cells;
            table->columns.resize(cells.size());
            continue;
        }
        if (cells.size() != table->names.size()) {
            *error = shown + ":" + std::to_string(number) + ": " + std::to_string(cells.size()) +
                     " cells, the header has " + std::to_string(table->names.size());
            return false;
        }
        for (std::size_t i = 0; i < cells.size(); ++i) {
            double value = 0.0;
            if (!Number(cells[i], &value)) {
                *error = shown + ":" + std::to_string(number) + ": '" + Escaped(cells[i]) + "' in column '" +
                         Escaped(table->names[i]) + "' is not a number";
                return false;
            }
            table->columns[i].push_back(value);
        }
        table->lines.push_back(number);
    }
    if (table->lines.empty()) {
        *error = shown + ": no rows of values";
        return false;
    }
    return true;
}

}  // namespace standin
