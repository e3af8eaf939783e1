// The command line of standin-host.exe: every option checked, and the exit
// codes the program ends with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// What standin-host.exe exits with; the README lists them.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,            // the library, driver or host checks failed
    kExitRefused = 2,           // a bad command line, profile or worksheet: nothing ran
    kExitNoDialog = 3,          // --picture: the dialog did not open
    kExitNothingMeasured = 4,   // a module's start answered 0
    kExitNotWritten = 5,        // a CSV file or the worksheet could not be written
    kExitNotClean = 6,          // the run lost samples, or the library asked to stop it or warned
};

struct Options {
    std::string library;
    std::string driver;   // empty: run without a driver
    std::string board;
    bool boardNamed = false;   // --board given: no profile is looked for beside the worksheet
    std::string worksheet;
    std::string save;
    std::string csv;
    std::string pictureDialog;
    std::string pictureFile;
    bool interactive = false;
    bool realtime = false;   // pace against the wall clock instead of the virtual one
    bool verbose = false;    // also print how the library bound itself to the host
    bool help = false;
    bool overwrite = false;   // --save may replace the board profile read or a file beside it
    double seconds = 3.0;
    // 0: the worksheet's time base (1 ms and 100 for a worksheet without one)
    double msPerSample = 0.0;
    std::uint32_t blockSize = 0;
};

// The arguments after the program name, in code page 932 as the library and
// its files use it. False, naming the argument in UTF-8 in *error, when one
// has a character that code page 932 cannot hold: the system would pass it
// changed ("Müller" as "Muller"), and a file would go elsewhere unnoticed.
bool ProgramArguments(std::vector<std::string>* arguments, std::string* error);

// Reads the arguments after the program name; `folder` is the program's own
// folder, where the library, driver and demo files lie by default. False,
// with what is wrong in *error, for a command line that cannot be used.
bool ParseOptions(const std::vector<std::string>& arguments, const std::string& folder, Options* options,
                  std::string* error);

const char* UsageText();

}  // namespace standin
