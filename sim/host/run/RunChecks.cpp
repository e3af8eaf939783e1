// The checks of a worksheet against the board profile before a run.
#include "RunChecks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "RunCsv.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
#include "torq7m/modules/ClassTable.h"

namespace standin {

namespace {

const BoardSlotProfile* FindBoard(const BoardProfile& profile, std::uint32_t number)
{
    for (const BoardSlotProfile& board : profile.boards) {
        if (board.config.dwBoardNumber == number)
            return &board;
    }
    return nullptr;
}

std::string RangeText(float low, float high)
{
    char text[48];
    std::snprintf(text, sizeof text, "%g..%gV", low, high);
    return text;
}

}  // namespace

bool CheckBoards(const StoredWorksheet& worksheet, const BoardProfile& profile, const std::string& profilePath,
                 std::string* error)
{
    for (std::size_t i = 0; i < worksheet.modules.size(); ++i) {
        const StoredModule& module = worksheet.modules[i];
        // An unknown class, or a block too short to hold a board number: placing the module reports it.
        const ClassDescription* row = FindClass(module.className.c_str());
        if (!row || module.data.size() < row->boardOffset + sizeof(std::uint16_t))
            continue;
        const std::uint32_t board = BoardOf(module.className, module.data.data());
        if (FindBoard(profile, board))
            continue;
        std::string boards;
        for (const BoardSlotProfile& slot : profile.boards)
            boards += (boards.empty() ? "" : ", ") + std::to_string(slot.config.dwBoardNumber);
        *error = "module " + ModuleName(module, i) + " (" + module.className + ") uses board " +
                 std::to_string(board) + ", which the profile " + Cp932ToUtf8(profilePath) +
                 " does not have (its boards: " + (boards.empty() ? "none" : boards) + ")";
        return false;
    }
    return true;
}

bool CheckOneOfEachKind(const StoredWorksheet& worksheet, std::string* error)
{
    const auto board = [](const StoredModule& module) -> int {
        const ClassDescription* row = FindClass(module.className.c_str());
        return row && module.data.size() >= row->boardOffset + sizeof(std::uint16_t)
                   ? static_cast<int>(BoardOf(module.className, module.data.data()))
                   : -1;
    };
    // Digital input modules only read the port: the library lets several
    // measure on one board.
    const auto mayShare = [](const StoredModule& module) { return module.className == "TORQ7DI"; };
    for (std::size_t later = 0; later < worksheet.modules.size(); ++later) {
        const StoredModule& second = worksheet.modules[later];
        for (std::size_t first = 0; first < later && board(second) >= 0 && !mayShare(second); ++first) {
            if (worksheet.modules[first].className != second.className || board(worksheet.modules[first]) != board(second))
                continue;
            *error = "modules " + ModuleName(worksheet.modules[first], first) + " and " + ModuleName(second, later) +
                     " are both " + second.className + " on board " + std::to_string(board(second)) +
                     ": a board measures for one module of each kind (digital input modules may share it)";
            return false;
        }
    }
    return true;
}

std::vector<std::string> RangeWarnings(const StoredWorksheet& worksheet, const BoardProfile& profile)
{
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < worksheet.modules.size(); ++i) {
        const StoredModule& module = worksheet.modules[i];
        if (module.className != "TORQ7AD" || module.data.size() != sizeof(AdModuleData))
            continue;
        AdModuleData data;
        std::memcpy(&data, module.data.data(), sizeof data);
        const BoardSlotProfile* board = FindBoard(profile, data.wBoardNumber);
        if (!board)
            continue;
        for (unsigned channel = 0; channel < module.outputs; ++channel) {
            const auto described = std::find_if(board->inputs.begin(), board->inputs.end(),
                                                [channel](const AnalogInputProfile& input) { return input.channel == channel; });
            if (described == board->inputs.end())
                warnings.push_back("module " + ModuleName(module, i) + " channel " + std::to_string(channel) +
                                   ": the profile does not describe it: it reads code 0, the bottom of the range " +
                                   RangeText(data.fRangeLow, data.fRangeHigh));
        }
        for (const AnalogInputProfile& input : board->inputs) {
            const InputRange& given = kInputRanges[input.range];
            if (input.channel >= module.outputs ||
                (given.fRangeLow == data.fRangeLow && given.fRangeHigh == data.fRangeHigh))
                continue;
            warnings.push_back("module " + ModuleName(module, i) + " channel " + std::to_string(input.channel) +
                               ": the profile gives the range " + RangeText(given.fRangeLow, given.fRangeHigh) +
                               ", the module converts with " + RangeText(data.fRangeLow, data.fRangeHigh) +
                               ": every value comes back scaled");
        }
    }
    return warnings;
}

bool CheckCsvReplacesNothingOfTheRun(const RunCsv& csv, const BoardProfile& profile, const std::string& profilePath,
                                     const std::string& save, std::string* error)
{
    std::vector<std::string> written = {csv.folder + "/channels.tsv"};
    for (const CsvFile& file : csv.files)
        written.push_back(file.path);
    for (const std::string& path : written) {
        for (const BoardSlotProfile& board : profile.boards) {
            for (const AnalogInputProfile& input : board.inputs) {
                if (!input.replayFile.empty() && SameFile(path, input.replayFile)) {
                    *error = "--csv refused: the run would write " + Cp932ToUtf8(path) + " over " +
                             Cp932ToUtf8(input.replayFile) + ", the recording that " + Cp932ToUtf8(profilePath) +
                             " replays on board " + std::to_string(board.config.dwBoardNumber) + " channel " +
                             std::to_string(input.channel) + ": write the CSV files into another folder";
                    return false;
                }
            }
        }
        for (const std::string& stored : {save, ProfileBeside(save)}) {
            if (!save.empty() && SameFile(path, stored)) {
                *error = "--save refused: " + Cp932ToUtf8(stored) + " is " + Cp932ToUtf8(path) +
                         ", a file of the --csv output: store the worksheet under another name";
                return false;
            }
        }
    }
    return true;
}

}  // namespace standin
