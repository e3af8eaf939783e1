// The boards a worksheet is stored with: found beside it, offered on the
// screen, and stored with it without replacing a file of the user's.
#include "StoredBoards.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "CodePage.h"
#include "FileNames.h"
#include "WorksheetToml.h"

namespace standin {

void AddSecondBoard(BoardProfile& profile)
{
    const auto taken = [&profile](auto field, std::uint32_t value) {
        return std::any_of(profile.boards.begin(), profile.boards.end(),
                           [&](const BoardSlotProfile& board) { return field(board) == value; });
    };
    const auto slot = [](const BoardSlotProfile& board) { return board.slot; };
    const auto number = [](const BoardSlotProfile& board) { return board.config.dwBoardNumber; };
    if (taken(slot, 1))
        return;
    BoardSlotProfile board;
    board.slot = 1;
    board.config = {1, 1, 1, 0xD000, 32, 3};
    while (taken(number, board.config.dwBoardNumber))
        ++board.config.dwBoardNumber;
    profile.boards.push_back(board);
}

void PickProfileBeside(Options& options)
{
    // A run without --worksheet runs the demo's: the file it is to be saved
    // in brings no boards of its own.
    const std::string worksheet = !options.worksheet.empty() ? options.worksheet
                                  : options.interactive      ? options.save
                                                             : std::string();
    if (options.boardNamed || options.driver.empty() || worksheet.empty() || !FileExists(ProfileBeside(worksheet)))
        return;
    options.board = ProfileBeside(worksheet);
    std::printf("board profile: %s, stored beside the worksheet\n", Cp932ToUtf8(options.board).c_str());
}

bool BoardsKept(const BoardProfile& profile, bool onScreen)
{
    BoardProfile offered = profile;
    if (onScreen)
        AddSecondBoard(offered);
    return offered.boards.size() == profile.boards.size();
}

int CheckSaveTarget(const Options& options, bool boardsKept)
{
    if (options.save.empty() || options.overwrite || options.driver.empty())
        return kExitOk;
    const std::string problem = SaveReplaces(options.save, options.board, boardsKept);
    if (problem.empty())
        return kExitOk;
    std::printf("--save refused: %s; store the worksheet under another name, or add --overwrite to replace it\n",
                problem.c_str());
    return kExitRefused;
}

bool StoreProfileBeside(const Options& options, const BoardProfile& profile)
{
    const std::string beside = ProfileBeside(options.save);
    if (options.driver.empty() || SameFile(beside, options.board))
        return true;
    std::string problem;
    if (!WriteBoardProfile(beside, profile, &problem)) {
        std::printf("the board profile could not be stored: %s\n", problem.c_str());
        return false;
    }
    std::printf("boards stored in %s\n", Cp932ToUtf8(beside).c_str());
    return true;
}

std::string SaveReplaces(const std::string& save, const std::string& boardRead, bool boardsKept)
{
    if (SameFile(save, boardRead))
        return Cp932ToUtf8(save) + " is the board profile this run reads";
    // The earlier hexadecimal worksheets were stored by this program too.
    const bool stored = FileBeginsWith(save, kStoredWorksheetHeader) || FileBeginsWith(save, kHexWorksheetMagic);
    if (FileExists(save) && !stored)
        return Cp932ToUtf8(save) + " is not a worksheet this program stored";
    const std::string beside = ProfileBeside(save);
    const DWORD attributes = GetFileAttributesA(beside.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(boardsKept && SameFile(beside, boardRead)))
        return Cp932ToUtf8(beside) + ", where the worksheet's boards go, holds a file this run did not write";
    return {};
}

}  // namespace standin
