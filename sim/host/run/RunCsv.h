// The recorded channels of a run as CSV files, one per channel, as
// standin-host.exe --csv writes them and scripts/plot-run.sh draws them:
//   <module>-ch<N>.csv        time_s,<channel name>   every sample the module released
//   <module>-codes-ch<N>.csv  index,<channel name>    analog output modules: every code
//                                                     the driver received
//   <module>-ch<N>.csv        index,<channel name>    digital output modules: the line
//                                                     after each port write, 0 or 5 V
//   channels.tsv              file, kind (analog, digital, codes, port) and module name,
//                                                     one line per file (the recorded
//                                                     channels' first, each in placement
//                                                     order), for scripts/plot-run.sh
// <module> is the module's name with letters, digits, '-', '_' and Japanese
// characters kept and anything else as '_'; a module whose name comes to one
// an earlier module's has, or one of whose files an earlier module's file
// already has ("X-codes" and "X" both give X-codes-ch0.csv), adds its number
// ("AD_3"). channels.tsv is UTF-8.
// The file names stay the same when a channel is renamed. Rows are written
// as the blocks are released, so a run of any length needs no memory for
// its samples; of the outputs the driver keeps the latest 2^20 values. A
// board profile can replay the first kind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/host/standin/StandinHost.h"

namespace standin {

// One file of the run: a recorded channel's (open during the run) or an
// output's (written at the end from what the driver kept).
struct CsvFile {
    int moduleId = 0;
    unsigned channel = 0;
    const char* kind = "";   // analog, digital (recorded channels), codes or port (outputs)
    bool output = false;     // written at the end from what the driver kept
    std::string path;
    std::FILE* file = nullptr;
};

struct RunCsv {
    std::string folder;
    bool heldEarlierRun = false;   // the folder had a channels.tsv before this run
    std::vector<CsvFile> files;    // every file the run writes, channels.tsv aside
    std::vector<std::string> made;   // files the check made (empty) that were not there before
    std::string error;   // the first file that failed: its path and the system's reason
};

// The driver's board of a module (every class stores it in its settings block).
std::uint32_t BoardOf(const HostModule& module);
// The same for a settings block of a class.
std::uint32_t BoardOf(const std::string& className, const void* data);
// The name of an output channel as its module's settings give it, in UTF-8.
std::string ChannelName(const HostModule& module, unsigned channel);
// The simulated driver keeps the latest 2^20 values of an output and counts all.
constexpr std::uint32_t kDriverKeepsCodes = std::uint32_t{1} << 20;
// The codes the driver kept for one analog output of a board, oldest first;
// *first is the number of the first among all codes written.
std::vector<std::uint16_t> OutputCodes(SimTorq7Control& driver, std::uint32_t board, std::uint32_t channel,
                                       std::uint32_t* first = nullptr);

// Makes the folder and names every file the run will write: no two alike
// (as the system compares names), whatever their suffixes. Checks that each
// can be written, changing no file that exists. False, with the reason in
// csv->error, when one cannot; nothing is left behind then.
bool OpenRunCsv(StandinHost& host, const std::string& folder, RunCsv* csv);
// Removes the empty files the check made, for a run that does not start.
void AbandonRunCsv(RunCsv* csv);
// Starts the recorded channels' files, with their headers: from here on
// files of an earlier run are replaced. False, with the reason in
// csv->error, when one cannot be made.
bool StartRunCsv(const StandinHost& host, RunCsv* csv);
// Appends the rows of one released block.
void WriteCsvBlock(RunCsv& csv, const HostModule& module, unsigned channel, const BlockView& block);
// Closes the channel files and writes the outputs' files. False, with
// the reason in csv->error, when a file could not be written whole.
bool CloseRunCsv(StandinHost& host, RunCsv* csv);

// Writes the blocks the host recorded (outside counts mode) at once. False
// when a file cannot be written.
bool WriteRunCsv(StandinHost& host, const std::string& folder);

}  // namespace standin
