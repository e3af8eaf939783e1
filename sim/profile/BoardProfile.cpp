// Reads a board profile: every key and value checked before anything is kept.
#include "BoardProfile.h"

#include <cmath>

#include "BoardProfileNames.h"
#include "CsvTable.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
#include "sim/text/TomlReader.h"

namespace standin {

namespace {

using namespace profile_names;

constexpr double kCodes = 4096.0;
constexpr std::int64_t kMaxCount = 0x7FFFFFFF;
constexpr std::int64_t kLastSlot = kBoardSlots - 1;
// A board whose clock is a second off, or a crystal off by a thousandth, is broken rather than skewed.
constexpr double kClockLeadLimitMs = 1000.0;
constexpr double kClockPpmLimit = 1000.0;

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
        std::int64_t slot = 0;
        std::int64_t number = -1;
        std::int64_t address = 0;
        std::int64_t length = 32;
        std::int64_t switchValue = 0;
        std::int64_t bufferWords = 0;
        const bool read = toml_.onlyKeys(table, {"slot", "number", "port_address", "port_length", "switch",
                                                 "buffer_words", "clock_lead_ms", "clock_ppm", "analog_input",
                                                 "digital_input", "fault"}) &&
                          toml_.integer(table, "slot", 0, kLastSlot, &slot, true) &&
                          toml_.integer(table, "number", 0, 0xFFFE, &number) &&
                          toml_.integer(table, "port_address", 0, 0xFFFFFFFF, &address) &&
                          toml_.integer(table, "port_length", 0, 0xFFFFFFFF, &length) &&
                          toml_.integer(table, "switch", 0, 0xFFFFFFFF, &switchValue) &&
                          toml_.integer(table, "buffer_words", 0, 0xFFFFFFFF, &bufferWords) &&
                          toml_.number(table, "clock_lead_ms", -kClockLeadLimitMs, kClockLeadLimitMs,
                                       &board->clockLeadMs) &&
                          toml_.number(table, "clock_ppm", -kClockPpmLimit, kClockPpmLimit, &board->clockPpm);
        if (!read)
            return false;
        board->slot = static_cast<std::uint32_t>(slot);
        board->config = {1, static_cast<std::uint32_t>(number < 0 ? slot : number), 1,
                         static_cast<std::uint32_t>(address), static_cast<std::uint32_t>(length),
                         static_cast<std::uint32_t>(switchValue)};
        board->bufferWords = static_cast<std::uint32_t>(bufferWords);
        return toml_.eachTable(table, "analog_input",
                         [&](const toml::table& input) { return analogInput(input, &board->inputs); }) &&
               digitalInput(table, &board->port) &&
               toml_.eachTable(table, "fault", [&](const toml::table& fault) { return this->fault(fault, &board->faults); });
    }

    bool analogInput(const toml::table& table, std::vector<AnalogInputProfile>* inputs)
    {
        AnalogInputProfile input;
        std::int64_t channel = 0;
        int rangeChoice = 0;
        int kindIndex = 0;
        if (!toml_.integer(table, "channel", 0, 7, &channel, true) ||
            !toml_.choice(table, "range", RangeChoices(), &rangeChoice) ||
            !toml_.choice(table, "signal", NamesOf(kSignalKinds), &kindIndex, true))
            return false;
        const SignalKind& kind = kSignalKinds[kindIndex];
        if (!toml_.onlyKeys(table, kind.keys.keys, kind.keys.count))
            return false;
        for (const AnalogInputProfile& other : *inputs) {
            if (other.channel == channel)
                return toml_.fail(table, "analog input channel " + std::to_string(channel) + " is described twice");
        }
        input.channel = static_cast<std::uint32_t>(channel);
        input.range = rangeChoice / 2;
        const InputRangeText range = RangeText(input.range);
        double offset = range.low;
        double amplitude = 0.0;
        double periodMs = 1000.0;
        double phaseDeg = 0.0;
        std::int64_t seed = 1;
        const bool read = toml_.number(table, "offset", -1e6, 1e6, &offset) &&
                          toml_.number(table, "amplitude", 0.0, 1e6, &amplitude) &&
                          toml_.number(table, "period_ms", 0.01, 1e9, &periodMs) &&
                          toml_.number(table, "phase_deg", -360.0, 360.0, &phaseDeg) &&
                          toml_.integer(table, "seed", 0, 0xFFFFFFFF, &seed);
        if (!read)
            return false;
        // The signal in codes of the channel's range, as the board's converter sees it.
        const double codesPerVolt = kCodes / (range.high - range.low);
        input.signal.dwKind = kind.kind;
        input.signal.dCenter = (offset - range.low) * codesPerVolt;
        input.signal.dAmplitude = amplitude * codesPerVolt;
        input.signal.dPeriodMs = periodMs;
        input.signal.dPhaseMs = phaseDeg / 360.0 * periodMs;
        input.signal.dwSeed = static_cast<std::uint32_t>(seed);
        if (kind.kind == SIM_SIGNAL_REPLAY && !replay(table, range, &input))
            return false;
        inputs->push_back(std::move(input));
        return true;
    }

    // The table's file and its named column; reports a mistake at the key that made it.
    const CsvTable* recording(const toml::table& table, std::string_view key, std::string* column,
                              int* columnIndex)
    {
        std::string file;
        if (!toml_.text(table, "file", &file, true) || !toml_.text(table, key, column))
            return nullptr;
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
                                               " columns: name the one to replay with '" + std::string(key) + "'");
            return nullptr;
        }
        *columnIndex = csv_.columnIndex(*column);
        if (*columnIndex < 0) {
            toml_.fail(*table.get(key), "no column '" + *column + "' in " + Cp932ToUtf8(csv_.path) + " (it has " +
                                            csv_.nameList() + ")");
            return nullptr;
        }
        return &csv_;
    }

    bool replay(const toml::table& table, const InputRangeText& range, AnalogInputProfile* input)
    {
        std::string column;
        std::string timeColumn = "time_s";
        int valueIndex = 0;
        int timeIndex = 0;
        int unit = 0;
        int interpolation = 0;
        int end = 0;
        if (!toml_.text(table, "time_column", &timeColumn) || !toml_.choice(table, "time_unit", kTimeUnits, &unit) ||
            !toml_.choice(table, "interpolate", kInterpolations, &interpolation) ||
            !toml_.choice(table, "at_end", kEnds, &end))
            return false;
        const CsvTable* csv = recording(table, "column", &column, &valueIndex);
        if (!csv)
            return false;
        timeIndex = csv->columnIndex(timeColumn);
        if (timeIndex < 0) {
            const toml::node& at = table.contains("time_column") ? *table.get("time_column") : *table.get("file");
            return toml_.fail(at, "no time column '" + timeColumn + "' in " + Cp932ToUtf8(csv->path) + " (it has " +
                                      csv->nameList() + ")");
        }
        const std::vector<double>& times = csv->columns[timeIndex];
        const std::vector<double>& values = csv->columns[valueIndex];
        for (std::size_t row = 0; row < times.size(); ++row) {
            if (row > 0 && !(times[row] > times[row - 1]))
                return toml_.fail(*table.get("file"), Cp932ToUtf8(csv->path) + ":" + std::to_string(csv->lines[row]) +
                                                          ": the times of a recording must rise from row to row");
            input->replayTimesMs.push_back(times[row] * kMsPerUnit[unit]);
            input->replayCodes.push_back((values[row] - range.low) * kCodes / (range.high - range.low));
        }
        input->replayFlags = kInterpolationFlags[interpolation] | kEndFlags[end];
        // In full, so that the recording is found from any other folder.
        input->replayFile = FullPath(csv->path);
        input->replayColumn = column;
        input->replayTimeColumn = timeColumn;
        input->replayTimeUnit = unit;
        return true;
    }

    bool digitalInput(const toml::table& board, DigitalInputProfile* port)
    {
        const toml::table* table = toml_.table(board, "digital_input");
        if (!table)
            return toml_.ok();
        int sourceIndex = 0;
        if (!toml_.choice(*table, "source", NamesOf(kPortSources), &sourceIndex, true))
            return false;
        const PortSourceKind& source = kPortSources[sourceIndex];
        int end = 0;
        if (!toml_.onlyKeys(*table, source.keys.keys, source.keys.count) || !toml_.choice(*table, "at_end", kEnds, &end))
            return false;
        port->hold = end == 1;
        switch (source.source) {
        case PortSource::Constant: return portConstant(*table, port);
        case PortSource::Counter: return portCounter(*table, port);
        case PortSource::Pattern: return portPattern(*table, port);
        case PortSource::Loopback: port->loopback = true; return true;
        case PortSource::Replay: return portReplay(*table, port);
        }
        return false;
    }

    bool portConstant(const toml::table& table, DigitalInputProfile* port)
    {
        std::int64_t value = 0;
        if (!toml_.integer(table, "value", 0, 255, &value, true))
            return false;
        port->bytes = {static_cast<std::uint8_t>(value)};
        return true;
    }

    // A counter read once per port read: 256 reads bring it round again.
    bool portCounter(const toml::table& table, DigitalInputProfile* port)
    {
        std::int64_t start = 0;
        std::int64_t step = 1;
        if (!toml_.integer(table, "start", 0, 255, &start) || !toml_.integer(table, "step", 1, 255, &step))
            return false;
        port->bytes.clear();
        for (std::int64_t i = 0; i < 256; ++i)
            port->bytes.push_back(static_cast<std::uint8_t>(start + step * i));
        return true;
    }

    bool portPattern(const toml::table& table, DigitalInputProfile* port)
    {
        const toml::array* values = toml_.array(table, "values");
        if (!toml_.ok())
            return false;
        if (!values || values->empty())
            return toml_.fail(values ? static_cast<const toml::node&>(*values) : table,
                              "'values' must list at least one byte");
        port->bytes.clear();
        for (const toml::node& node : *values) {
            const auto value = node.value_exact<std::int64_t>();
            if (!value || *value < 0 || *value > 255)
                return toml_.fail(node, "every entry of 'values' must be an integer 0..255");
            port->bytes.push_back(static_cast<std::uint8_t>(*value));
        }
        return true;
    }

    bool portReplay(const toml::table& table, DigitalInputProfile* port)
    {
        std::string column;
        int index = 0;
        const CsvTable* csv = recording(table, "column", &column, &index);
        if (!csv)
            return false;
        port->bytes.clear();
        for (std::size_t row = 0; row < csv->lines.size(); ++row) {
            const double value = csv->columns[index][row];
            if (!(value >= 0.0 && value <= 255.0 && value == std::floor(value)))
                return toml_.fail(*table.get("file"), Cp932ToUtf8(csv->path) + ":" + std::to_string(csv->lines[row]) +
                                                          ": a port byte must be an integer 0..255");
            port->bytes.push_back(static_cast<std::uint8_t>(value));
        }
        return true;
    }

    bool fault(const toml::table& table, std::vector<FaultProfile>* faults)
    {
        FaultProfile fault;
        int entry = 0;
        std::int64_t count = 1;
        std::int64_t error = 0;
        const bool read = toml_.onlyKeys(table, {"entry", "at_call", "from_ms", "count", "error"}) &&
                          toml_.choice(table, "entry", DriverEntryNames(), &entry, true) &&
                          toml_.integer(table, "at_call", 1, kMaxCount, &fault.atCall) &&
                          toml_.integer(table, "from_ms", 0, kMaxCount, &fault.fromMs) &&
                          toml_.integer(table, "count", 0, kMaxCount, &count) &&
                          toml_.integer(table, "error", INT32_MIN, INT32_MAX, &error, true);
        if (!read)
            return false;
        if (table.contains("at_call") == table.contains("from_ms"))
            return toml_.fail(table, "a fault needs either 'at_call' or 'from_ms'");
        fault.entry = static_cast<std::uint32_t>(entry);
        fault.failures = count == 0 ? 0xFFFFFFFF : static_cast<std::uint32_t>(count);
        fault.errorCode = static_cast<std::int32_t>(error);
        faults->push_back(fault);
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
