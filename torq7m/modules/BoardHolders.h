// Which module holds which board, and which module of a kind measures on it.
// The board table's in-use flags say only that some module of a kind holds
// a board: two modules restored with one board number share the flag, so
// it goes only with the last of them, and only one of them may measure.
#pragma once

#include <cstdint>

#include "../board/BoardDiscovery.h"

struct ModuleRecord;

// A module of `kind` now holds `board`: created on it or restored with it.
void HoldBoard(const ModuleRecord* module, ModuleKind kind, std::uint16_t board);
// Delete: the module lets its board go; the board's flag for the kind is
// cleared once no other module of the kind holds it.
void LetBoardGo(const ModuleRecord* module, ModuleKind kind, std::uint16_t board);

// The start of a module that drives or samples its board: 0, with a warning
// that names the board, when another started module of the kind measures on
// it (or no more measuring modules can be kept); then nothing is noted.
int BeginBoardMeasurement(const ModuleRecord* module, ModuleKind kind, std::uint16_t board);
// The module's stop: the board is free for another module of the kind.
void EndBoardMeasurement(const ModuleRecord* module);
// Whether the module's start was accepted and no stop has come since; asked
// from the process functions' thread.
bool MeasuresOnItsBoard(const ModuleRecord* module);
