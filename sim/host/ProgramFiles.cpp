// What the command line's files mean before and after a run: the boards
// found beside the worksheet, the --save target checked, and the boards
// stored beside the worksheet saved.
#include "ProgramFiles.h"

#include <cstdio>

#include "sim/host/storage/StoredBoards.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"

namespace standin {

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

}  // namespace standin
