// The files standin-host.exe's options name, around a run: the boards a
// worksheet was stored with, and --save, which replaces no file of the user's
// unless asked.
#pragma once

#include "ProgramOptions.h"
#include "sim/profile/BoardProfile.h"

namespace standin {

// Without --board, a worksheet (or, on the screen, the file it is to be
// saved in) brings the boards it was prepared with: the profile stored
// beside it. Says so.
void PickProfileBeside(Options& options);

// kExitOk when --save replaces no file of the user's or --overwrite asks for
// it; otherwise kExitRefused, having said what it would replace. Checked
// before anything runs or is written.
int CheckSaveTarget(const Options& options, bool boardsKept);

// Stores the boards a run ran on beside the worksheet saved with --save,
// unless the profile there is the one the run read. False, having said why,
// when the file cannot be written.
bool StoreProfileBeside(const Options& options, const BoardProfile& profile);

}  // namespace standin
