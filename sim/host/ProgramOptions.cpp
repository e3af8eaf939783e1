// Reads standin-host.exe's command line against one table of options, so
// that a value that is not a number, out of range, missing or given twice is
// named instead of quietly becoming 0.
#include "ProgramOptions.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

#include "sim/host/storage/WorksheetToml.h"
#include "sim/text/CodePage.h"

namespace standin {

namespace {

enum class Kind { Flag, Text, Number, Whole, Picture };

// What the program does: an option that serves one way of running only is
// refused with the others rather than ignored.
enum Mode : unsigned { kRun = 1, kInteractive = 2, kPicture = 4, kAnyMode = kRun | kInteractive | kPicture };

struct OptionSpec {
    const char* name;
    unsigned modes;   // the Modes it serves
    Kind kind;
    bool Options::*flag;
    std::string Options::*text;
    double Options::*number;
    std::uint32_t Options::*whole;
    double low;   // Number and Whole: the values allowed
    double high;
};

// Longest run: 30 days. The time base takes the values a worksheet may give.
constexpr double kMaxSeconds = 30 * 86400.0;

constexpr OptionSpec kOptions[] = {
    {"--help", kAnyMode, Kind::Flag, &Options::help, nullptr, nullptr, nullptr, 0, 0},
    {"--interactive", kInteractive, Kind::Flag, &Options::interactive, nullptr, nullptr, nullptr, 0, 0},
    {"--realtime", kRun, Kind::Flag, &Options::realtime, nullptr, nullptr, nullptr, 0, 0},
    {"--verbose", kAnyMode, Kind::Flag, &Options::verbose, nullptr, nullptr, nullptr, 0, 0},
    {"--overwrite", kRun | kInteractive, Kind::Flag, &Options::overwrite, nullptr, nullptr, nullptr, 0, 0},
    {"--no-driver", kRun | kInteractive, Kind::Flag, nullptr, nullptr, nullptr, nullptr, 0, 0},
    {"--board", kAnyMode, Kind::Text, nullptr, &Options::board, nullptr, nullptr, 0, 0},
    {"--worksheet", kRun | kInteractive, Kind::Text, nullptr, &Options::worksheet, nullptr, nullptr, 0, 0},
    {"--save", kRun | kInteractive, Kind::Text, nullptr, &Options::save, nullptr, nullptr, 0, 0},
    {"--csv", kRun, Kind::Text, nullptr, &Options::csv, nullptr, nullptr, 0, 0},
    {"--library", kAnyMode, Kind::Text, nullptr, &Options::library, nullptr, nullptr, 0, 0},
    {"--driver", kAnyMode, Kind::Text, nullptr, &Options::driver, nullptr, nullptr, 0, 0},
    {"--seconds", kRun, Kind::Number, nullptr, nullptr, &Options::seconds, nullptr, 0.001, kMaxSeconds},
    {"--ms", kRun, Kind::Number, nullptr, nullptr, &Options::msPerSample, nullptr, kLowestMsPerSample,
     kHighestMsPerSample},
    {"--block", kRun, Kind::Whole, nullptr, nullptr, nullptr, &Options::blockSize, 1, kLargestBlock},
    {"--picture", kPicture, Kind::Picture, nullptr, nullptr, nullptr, nullptr, 0, 0},
};

// Options that contradict each other, and options that serve only beside
// another.
constexpr const char* kConflicts[][2] = {
    {"--interactive", "--picture"},
    {"--driver", "--no-driver"},
    {"--board", "--no-driver"},
};
constexpr const char* kNeeds[][2] = {
    {"--overwrite", "--save"},
};

const OptionSpec* FindOption(const std::string& name)
{
    for (const OptionSpec& option : kOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

std::string Range(const OptionSpec& option)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.15g..%.15g", option.low, option.high);
    return text;
}

// A plain decimal number as a TOML file writes it: a sign, digits, a
// fraction and an exponent; no spaces, no hexadecimal, no "inf".
bool PlainDecimal(const std::string& value)
{
    std::size_t at = !value.empty() && (value[0] == '+' || value[0] == '-') ? 1 : 0;
    const auto digits = [&value, &at] {
        const std::size_t start = at;
        while (at < value.size() && value[at] >= '0' && value[at] <= '9')
            ++at;
        return at > start;
    };
    if (!digits())
        return false;
    if (at < value.size() && value[at] == '.' && (++at, !digits()))
        return false;
    if (at < value.size() && (value[at] == 'e' || value[at] == 'E')) {
        ++at;
        if (at < value.size() && (value[at] == '+' || value[at] == '-'))
            ++at;
        if (!digits())
            return false;
    }
    return at == value.size();
}

bool ReadNumber(const OptionSpec& option, const std::string& value, double* number, std::string* error)
{
    char* end = nullptr;
    errno = 0;
    *number = std::strtod(value.c_str(), &end);
    const bool whole = option.kind != Kind::Whole || *number == std::floor(*number);
    if (!PlainDecimal(value) || *end != '\0' || errno != 0 || !std::isfinite(*number) || !whole) {
        *error = std::string(option.name) + " must be " + (option.kind == Kind::Whole ? "a whole number" : "a number") +
                 ", not '" + value + "'";
        return false;
    }
    if (*number < option.low || *number > option.high) {
        *error = std::string(option.name) + " is " + value + ", outside " + Range(option);
        return false;
    }
    return true;
}

// Stores the value(s) of one option; `values` are the arguments after it.
bool Apply(const OptionSpec& option, const std::vector<std::string>& values, Options* options, std::string* error)
{
    double number = 0.0;
    switch (option.kind) {
    case Kind::Flag:
        if (option.flag)
            options->*option.flag = true;
        else
            options->driver.clear();
        return true;
    case Kind::Text:
        options->*option.text = values[0];
        return true;
    case Kind::Number:
        if (!ReadNumber(option, values[0], &number, error))
            return false;
        options->*option.number = number;
        return true;
    case Kind::Whole:
        if (!ReadNumber(option, values[0], &number, error))
            return false;
        options->*option.whole = static_cast<std::uint32_t>(number);
        return true;
    case Kind::Picture:
        options->pictureDialog = values[0];
        options->pictureFile = values[1];
        return true;
    }
    return false;
}

std::size_t ValueCount(Kind kind)
{
    return kind == Kind::Flag ? 0 : kind == Kind::Picture ? 2 : 1;
}

}  // namespace

bool ProgramArguments(std::vector<std::string>* arguments, std::string* error)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        *error = "the command line cannot be read";
        return false;
    }
    bool fits = true;
    for (int i = 1; i < count && fits; ++i) {
        std::string narrow;
        fits = WideToCp932(wide[i], &narrow);
        if (fits)
            arguments->push_back(narrow);
        else
            *error = "'" + WideToUtf8(wide[i]) +
                     "' has a character that code page 932 cannot hold, the code page of the host, the library "
                     "and their files: use another name";
    }
    LocalFree(wide);
    return fits;
}

bool ParseOptions(const std::vector<std::string>& arguments, const std::string& folder, Options* options,
                  std::string* error)
{
    options->library = folder + "Torq7m.dll";
    options->driver = folder + "driver\\torq7.dll";
    options->board = folder + "profiles\\demo-board.toml";
    std::set<std::string> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const OptionSpec* option = FindOption(name);
        if (!option) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (!seen.insert(name).second) {
            *error = name + " is given twice";
            return false;
        }
        const std::size_t count = ValueCount(option->kind);
        // An option's value never starts with "--": that is the next option,
        // its own value forgotten ("--csv --realtime").
        const auto first = arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1;
        const auto end = first + static_cast<std::ptrdiff_t>(std::min(count, arguments.size() - i - 1));
        const bool missing = arguments.size() - i - 1 < count ||
                             std::any_of(first, end, [](const std::string& v) { return v.rfind("--", 0) == 0; });
        if (missing) {
            *error = name + (count == 1 ? " needs a value" : " needs a dialog and a file");
            return false;
        }
        const std::vector<std::string> values(first, end);
        if (!Apply(*option, values, options, error))
            return false;
        i += count;
    }
    options->boardNamed = seen.count("--board") > 0;
    for (const auto& pair : kConflicts) {
        if (seen.count(pair[0]) && seen.count(pair[1])) {
            *error = std::string(pair[0]) + " and " + pair[1] + " cannot be used together";
            return false;
        }
    }
    for (const auto& pair : kNeeds) {
        if (seen.count(pair[0]) && !seen.count(pair[1])) {
            *error = std::string(pair[0]) + " serves only with " + pair[1];
            return false;
        }
    }
    const unsigned mode = options->interactive ? kInteractive : !options->pictureDialog.empty() ? kPicture : kRun;
    const char* modeName = mode == kInteractive ? "--interactive" : "--picture";
    for (const std::string& name : seen) {
        if ((FindOption(name)->modes & mode) == 0) {
            *error = name + " cannot be used with " + modeName;
            return false;
        }
    }
    return true;
}

const char* UsageText()
{
    return "usage: standin-host.exe [--board FILE] [--worksheet FILE] [--save FILE [--overwrite]] [--seconds S]\n"
           "                        [--ms X] [--block N] [--csv DIR] [--realtime] [--verbose] [--no-driver]\n"
           "                        [--library DLL] [--driver DLL]\n"
           "       standin-host.exe [--board FILE] --interactive [--worksheet FILE] [--save FILE [--overwrite]]\n"
           "       standin-host.exe [--board FILE] --picture DIALOG FILE.bmp\n"
           "--board: the board profile (TOML) that lays out the simulated boards; --worksheet: the\n"
           "worksheet to run (TOML, or an earlier hexadecimal one). Without them the demo's files\n"
           "profiles\\demo-board.toml and profiles\\demo-worksheet.toml beside the program are used:\n"
           "analog input (4 channels), digital output, digital input and analog output on one board.\n"
           "--seconds (0.001..2592000, default 3) runs on a virtual clock: the same blocks and the same\n"
           "CSV every time, a day in well under a minute. --realtime paces the run by the wall clock.\n"
           "The virtual clock runs whole blocks: a shorter --seconds is rounded up, and the measurement\n"
           "line says the length run.\n"
           "--ms (1e-06..1e+09) and --block (1..65535) replace the worksheet's time base, within the limits\n"
           "a worksheet's time base has. Numbers are plain decimals (1, 0.5, 2e3).\n"
           "--verbose also prints how the library bound itself to the host.\n"
           "--interactive shows the host's window (a display is needed): place modules from the HALDEN\n"
           "menu, double-click a module for its settings dialog; Save stores the worksheet in the --save\n"
           "file (or one it asks for) and the boards it offered beside it (sheet.toml: sheet.board.toml).\n"
           "The simulated driver offers a second board then, unless the profile fills slot 1.\n"
           "Without --board, a worksheet's run or session uses the profile stored beside it, if any.\n"
           "--save replaces only a worksheet this program stored: never the --board profile, another\n"
           "file, nor a sheet.board.toml that the run did not write, unless --overwrite is given. --no-driver cannot be used with --driver or --board.\n"
           "--picture opens the dialog Q7_DEVSEL, TORQ7_ADDLG, TORQ7_DIDLG, TORQ7_DODLG, TORQ7_DADLG or\n"
           "TORQ7_ABOUT as a user would and saves a picture of it; an existing FILE must be a bitmap.\n"
           "Exit codes: 0 done; 1 the library, driver or host checks failed; 2 a bad command line,\n"
           "profile or worksheet; 3 the dialog of --picture did not open; 4 a module measured nothing;\n"
           "5 a CSV file or the worksheet could not be written; 6 the run lost samples, the library\n"
           "asked to stop it or warned, or blocks went into inputs no module takes (the last lines\n"
           "say which).\n";
}

}  // namespace standin
