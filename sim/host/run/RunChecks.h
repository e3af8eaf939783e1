// What standin-host.exe checks of a worksheet before a run: every module's
// board is one the profile lays out and has no other module of its kind, and
// the range each profiled analog input has is the one its module converts
// with.
#pragma once

#include <string>
#include <vector>

#include "RunCsv.h"
#include "sim/host/storage/WorksheetToml.h"
#include "sim/profile/BoardProfile.h"

namespace standin {

// False, naming the module, its board and the profile's boards, when a
// module's board is not in the profile.
bool CheckBoards(const StoredWorksheet& worksheet, const BoardProfile& profile, const std::string& profilePath,
                 std::string* error);

// False, naming both modules and the board, when two modules of one class
// use one board: a board measures for one module of each kind, though
// digital input modules may share it.
bool CheckOneOfEachKind(const StoredWorksheet& worksheet, std::string* error);

// One warning per analog input channel whose profiled range differs from
// its module's input range, naming module, channel and both ranges.
std::vector<std::string> RangeWarnings(const StoredWorksheet& worksheet, const BoardProfile& profile);

// False, naming both, when a file the run is to write as CSV (channels.tsv
// included) is a recording the profile `profilePath` replays, or the
// worksheet `save` stores or the boards stored beside it: the CSV would
// replace the one, or the other replace the CSV.
bool CheckCsvReplacesNothingOfTheRun(const RunCsv& csv, const BoardProfile& profile, const std::string& profilePath,
                                     const std::string& save, std::string* error);

}  // namespace standin
