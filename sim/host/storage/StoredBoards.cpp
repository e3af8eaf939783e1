// The boards a worksheet is stored with: offered on the screen, and
// whether storing the worksheet would replace a file of the user's.
#include "StoredBoards.h"

#include <windows.h>

#include <algorithm>

#include "WorksheetToml.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"

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

bool BoardsKept(const BoardProfile& profile, bool onScreen)
{
    BoardProfile offered = profile;
    if (onScreen)
        AddSecondBoard(offered);
    return offered.boards.size() == profile.boards.size();
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
