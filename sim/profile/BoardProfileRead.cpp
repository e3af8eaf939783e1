// Reads a board profile: every table's keys and values checked, in the
// order of its key table, before anything is kept.
#include <cmath>

#include "BoardProfile.h"
#include "BoardProfileBuild.h"
#include "BoardProfileKeys.h"
#include "CsvTable.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
#include "sim/text/TomlReader.h"

namespace standin {

namespace {

using namespace profile_keys;

// Reads the profile into plain records; stops at the first mistake.
class ProfileReader {
public:
    explicit ProfileReader(TomlReader& toml) : toml_(toml) {}

    bool boards(BoardProfile* profile)
    {
        const toml::table& root = toml_.root();
        if (!toml_.onlyKeys(root, {"board"}))
            return false;
        const toml::array* list = toml_.array(root, "board");
        if (!toml_.ok())
            return false;
        if (!list || list->empty())
            return toml_.failAtLine(1, "no [[board]] table: a profile describes at least one board");
        for (const toml::node& node : *list) {
            if (!node.is_table())
                return toml_.fail(node, "'board' must be a list of tables ([[board]])");
            BoardSlotProfile board;
            if (!this->board(*node.as_table(), &board) || !unique(*profile, board, node))
                return false;
            profile->boards.push_back(std::move(board));
        }
        return true;
    }

private:
    bool unique(const BoardProfile& profile, const BoardSlotProfile& board, const toml::node& at)
    {
        for (const BoardSlotProfile& other : profile.boards) {
            if (other.slot == board.slot)
                return toml_.fail(at, "slot " + std::to_string(board.slot) + " is described twice");
            if (other.config.dwBoardNumber == board.config.dwBoardNumber)
                return toml_.fail(at, "board number " + std::to_string(board.config.dwBoardNumber) +
                                          " is already that of slot " + std::to_string(other.slot));
        }
        return true;
    }

    bool board(const toml::table& table, BoardSlotProfile* board)
    {
        BoardValues read;
        if (!CheckKeys(toml_, table, kBoardKeys, kAnyKind) ||
            !ReadKeys(toml_, table, kBoardKeys, Step::Value, kAnyKind, &read))
            return false;
        *board = BuildBoard(read);
        return toml_.eachTable(table, "analog_input",
                               [&](const toml::table& input) { return analogInput(input, &board->inputs); }) &&
               digitalInput(table, &board->port) &&
               toml_.eachTable(table, "fault", [&](const toml::table& fault) { return this->fault(fault, &board->faults); });
    }

    bool analogInput(const toml::table& table, std::vector<AnalogInputProfile>* inputs)
    {
        AnalogInputValues read;
        if (!ReadKeys(toml_, table, kAnalogInputKeys, Step::Choose, kAnyKind, &read))
            return false;
        const SignalKind& kind = kSignalKinds[read.kindIndex];
        const std::uint32_t kindBit = SignalBit(kind.kind);
        if (!CheckKeys(toml_, table, kAnalogInputKeys, kindBit))
            return false;
        for (const AnalogInputProfile& other : *inputs) {
            if (other.channel == read.channel)
                return toml_.fail(table, "analog input channel " + std::to_string(read.channel) + " is described twice");
        }
        read.offset = RangeText(read.rangeChoice / 2).low;
        if (!ReadKeys(toml_, table, kAnalogInputKeys, Step::Value, kindBit, &read))
            return false;
        AnalogInputProfile input = BuildAnalogInput(read);
        if (kind.kind == SIM_SIGNAL_REPLAY && !replay(table, &read, &input))
            return false;
        inputs->push_back(std::move(input));
        return true;
    }

    // The table's file and its named column, read beforehand into `file` and
    // `column`; reports a mistake at the key that made it.
    const CsvTable* recording(const toml::table& table, const std::string& file, std::string* column,
                              int* columnIndex)
    {
        // The profile is UTF-8; the system opens files by their code page 932 name.
        std::string name;
        if (!Utf8ToCp932(file, &name)) {
            toml_.fail(*table.get("file"), "'" + file + "' has a character that code page 932 cannot hold");
            return nullptr;
        }
        std::string problem;
        if (!ReadCsvTable(BesideFile(toml_.path(), name), &csv_, &problem)) {
            toml_.fail(*table.get("file"), "replay file: " + problem);
            return nullptr;
        }
        // Without a column named, a file of time and one value (the stand-in
        // host's own, headed by the channel's name) gives its second column.
        if (column->empty() && csv_.names.size() == 2)
            *column = csv_.names[1];
        if (column->empty()) {
            toml_.fail(*table.get("file"), Cp932ToUtf8(csv_.path) + " has " + std::to_string(csv_.names.size()) +
                                               " columns: name the one to replay with 'column'");
            return nullptr;
        }
        *columnIndex = csv_.columnIndex(*column);
        if (*columnIndex < 0) {
            toml_.fail(*table.get("column"), "no column '" + *column + "' in " + Cp932ToUtf8(csv_.path) +
                                                 " (it has " + csv_.nameList() + ")");
            return nullptr;
        }
        return &csv_;
    }

    bool replay(const toml::table& table, AnalogInputValues* read, AnalogInputProfile* input)
    {
        int valueIndex = 0;
        if (!ReadKeys(toml_, table, kAnalogInputKeys, Step::Recording, kReplaySignal, read))
            return false;
        const CsvTable* csv = recording(table, read->file, &read->column, &valueIndex);
        if (!csv)
            return false;
        const int timeIndex = csv->columnIndex(read->timeColumn);
        if (timeIndex < 0) {
            const toml::node& at = table.contains("time_column") ? *table.get("time_column") : *table.get("file");
            return toml_.fail(at, "no time column '" + read->timeColumn + "' in " + Cp932ToUtf8(csv->path) +
                                      " (it has " + csv->nameList() + ")");
        }
        const std::vector<double>& times = csv->columns[timeIndex];
        for (std::size_t row = 1; row < times.size(); ++row) {
            if (!(times[row] > times[row - 1]))
                return toml_.fail(*table.get("file"), Cp932ToUtf8(csv->path) + ":" + std::to_string(csv->lines[row]) +
                                                          ": the times of a recording must rise from row to row");
        }
        BuildReplay(*read, *csv, timeIndex, valueIndex, input);
        return true;
    }

    bool digitalInput(const toml::table& board, DigitalInputProfile* port)
    {
        const toml::table* table = toml_.table(board, "digital_input");
        if (!table)
            return toml_.ok();
        DigitalInputValues read;
        if (!ReadKeys(toml_, *table, kDigitalInputKeys, Step::Choose, kAnyKind, &read))
            return false;
        const PortSource source = kPortSources[read.sourceIndex].source;
        const std::uint32_t sourceBit = SourceBit(source);
        if (!CheckKeys(toml_, *table, kDigitalInputKeys, sourceBit) ||
            !ReadKeys(toml_, *table, kDigitalInputKeys, Step::Value, sourceBit, &read) ||
            !ReadKeys(toml_, *table, kDigitalInputKeys, Step::Recording, sourceBit, &read))
            return false;
        if ((source == PortSource::Pattern && !patternBytes(*table, &read.bytes)) ||
            (source == PortSource::Replay && !recordedBytes(*table, &read)))
            return false;
        *port = BuildDigitalInput(read);
        return true;
    }

    bool patternBytes(const toml::table& table, std::vector<std::uint8_t>* bytes)
    {
        const toml::array* values = toml_.array(table, "values");
        if (!toml_.ok())
            return false;
        if (!values || values->empty())
            return toml_.fail(values ? static_cast<const toml::node&>(*values) : table,
                              "'values' must list at least one byte");
        for (const toml::node& node : *values) {
            const auto value = node.value_exact<std::int64_t>();
            if (!value || *value < 0 || *value > 255)
                return toml_.fail(node, "every entry of 'values' must be an integer 0..255");
            bytes->push_back(static_cast<std::uint8_t>(*value));
        }
        return true;
    }

    bool recordedBytes(const toml::table& table, DigitalInputValues* read)
    {
        int index = 0;
        const CsvTable* csv = recording(table, read->file, &read->column, &index);
        if (!csv)
            return false;
        for (std::size_t row = 0; row < csv->lines.size(); ++row) {
            const double value = csv->columns[index][row];
            if (!(value >= 0.0 && value <= 255.0 && value == std::floor(value)))
                return toml_.fail(*table.get("file"), Cp932ToUtf8(csv->path) + ":" + std::to_string(csv->lines[row]) +
                                                          ": a port byte must be an integer 0..255");
            read->bytes.push_back(static_cast<std::uint8_t>(value));
        }
        return true;
    }

    bool fault(const toml::table& table, std::vector<FaultProfile>* faults)
    {
        FaultValues read;
        if (!CheckKeys(toml_, table, kFaultKeys, kAnyKind) ||
            !ReadKeys(toml_, table, kFaultKeys, Step::Value, kAnyKind, &read))
            return false;
        if (table.contains("at_call") == table.contains("from_ms"))
            return toml_.fail(table, "a fault needs either 'at_call' or 'from_ms'");
        faults->push_back(BuildFault(read));
        return true;
    }

    TomlReader& toml_;
    CsvTable csv_;
};

}  // namespace

bool ReadBoardProfile(const std::string& path, BoardProfile* profile, std::string* error)
{
    *profile = BoardProfile{};
    TomlReader toml;
    BoardProfile read;
    if (!toml.open(path) || !ProfileReader(toml).boards(&read)) {
        *error = toml.error();
        return false;
    }
    *profile = std::move(read);
    return true;
}

}  // namespace standin
