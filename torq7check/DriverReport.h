// The report's lines about torq7.dll and the boards, one fact a line.
#pragma once

#include <vector>

#include "DriverSearch.h"
#include "board/BoardDiscovery.h"

void ReportSearchOrder(const std::vector<SearchFolder>& folders);
void ReportFoundDriver(const FoundDriver& driver);

// Each entry point present or missing in the loaded module; true when all are.
bool ReportEntryPoints(HINSTANCE__* module);

// What the library's start-up does with the driver it found.
enum StartUpVerdict : unsigned {
    kStartUpInstalls,        // the binding succeeded: menu and module classes
    kStartUpNoDriver,        // no torq7.dll in any folder searched
    kStartUpNotLoaded,       // a torq7.dll that Windows would not load
    kStartUpIncomplete,      // an entry point is missing
    kStartUpNotBound,        // complete, and still the binding failed
};

void ReportStartUp(StartUpVerdict verdict);

// Every slot where discovery opened a board; the number of boards present.
unsigned ReportBoards(const BoardSlots& slots, const SlotTrace (&trace)[kBoardSlots]);
