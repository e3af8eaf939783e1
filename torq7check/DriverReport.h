// The report's lines about torq7.dll and the boards, one fact a line.
#pragma once

#include <vector>

#include "DriverSearch.h"
#include "board/BoardDiscovery.h"

void ReportSearchOrder(const std::vector<SearchFolder>& folders);
void ReportFoundDriver(const FoundDriver& driver);

// Each entry point present or missing in the loaded module; true when all are.
bool ReportEntryPoints(HINSTANCE__* module);

// What the library's start-up would do, given the result of its own binding.
void ReportStartUp(bool bound, bool complete);

// Every slot where discovery opened a board; the number of boards present.
unsigned ReportBoards(const BoardSlots& slots, const SlotTrace (&trace)[kBoardSlots]);
