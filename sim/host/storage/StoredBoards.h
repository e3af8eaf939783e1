// The boards a worksheet is stored with, in the format of --board, in
// sheet.board.toml beside sheet.toml (ProfileBeside): a later run of the
// worksheet without --board finds them there. Storing a worksheet replaces
// no file of the user's unless asked: not the profile the run reads, nor a
// file beside it that the run did not write, nor any file but a worksheet it
// stored earlier.
#pragma once

#include <string>

#include "sim/profile/BoardProfile.h"

namespace standin {

// On the screen a second board, so that the selection dialog offers a
// choice, unless the profile fills its slot already. It is board #1 unless
// the profile gives that number to another slot: the profile stored beside
// a worksheet must read back.
void AddSecondBoard(BoardProfile& profile);

// Whether a run or session keeps the boards of the profile it read as they
// are, so that the profile need not be stored again: not when the screen
// adds a second board.
bool BoardsKept(const BoardProfile& profile, bool onScreen);

// Empty when storing a worksheet in `save` loses no file of the user's: it is
// not `boardRead`, the board profile the run reads, nor a file other than a
// worksheet this program stored (its first line tells), and no file lies beside
// it where its boards go, unless that is `boardRead` and the run keeps its
// boards as read (`boardsKept`), so that it stays as written. Otherwise the
// file it would replace, with its path.
std::string SaveReplaces(const std::string& save, const std::string& boardRead, bool boardsKept);

}  // namespace standin
