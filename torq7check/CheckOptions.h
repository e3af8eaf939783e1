// The command line of Torq7Check.exe.
#pragma once

#include <cstdint>
#include <string>

struct CheckOptions {
    std::string hostFolder;        // --host DIR; empty: the program's own folder
    bool selfTest = false;         // --test BOARD
    std::uint16_t board = 0;
    std::uint32_t channels = 1;    // --channels N, 1..8
    unsigned range = 0;            // --range, index into kInputRanges (modules/ClassTable.h)
    bool writeOutputs = false;     // --outputs
    bool help = false;
};

// False, with the reason in *problem, for a command line that cannot be used.
bool ParseCheckOptions(int argc, char** argv, CheckOptions* options, std::string* problem);

void PrintUsage();
