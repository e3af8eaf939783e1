// Board profiles: a TOML file that lays out the simulated boards for the
// stand-in host (slots, signals on the analog inputs, the digital input port,
// faults, the driver's buffer). Read whole and checked before anything is
// applied, so that a mistake changes nothing. The format is in the README.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/control/SimTorq7Control.h"

namespace standin {

struct AnalogInputProfile {
    std::uint32_t channel = 0;
    int range = 0;   // index of the input range
    SimSignal signal{};
    std::vector<double> replayTimesMs;   // SIM_SIGNAL_REPLAY
    std::vector<double> replayCodes;
    std::uint32_t replayFlags = 0;
    // Where the replay came from (full path, columns, time unit), so that a
    // formatted profile names the same recording.
    std::string replayFile;
    std::string replayColumn;
    std::string replayTimeColumn;
    int replayTimeUnit = 0;
};

struct DigitalInputProfile {
    bool loopback = false;
    std::vector<std::uint8_t> bytes{0x00};   // read one per port read
    bool hold = false;                       // stay on the last byte instead of starting again
};

struct FaultProfile {
    std::uint32_t entry = 0;     // SimEntry
    std::int64_t atCall = 0;     // 1 = the first call after the profile is applied; 0: timed
    std::int64_t fromMs = 0;     // ms after the start of the measurement, when atCall is 0
    std::uint32_t failures = 1;  // 0xFFFFFFFF: every call from then on
    std::int32_t errorCode = 0;
};

struct BoardSlotProfile {
    std::uint32_t slot = 0;
    SimBoardConfig config{};
    std::uint32_t bufferWords = 0;   // 0: what the sampling mode asks for
    double clockLeadMs = 0.0;        // the board's samples complete this much before the PC's clock says
    double clockPpm = 0.0;           // and its crystal runs this much fast
    std::vector<AnalogInputProfile> inputs;
    DigitalInputProfile port;
    std::vector<FaultProfile> faults;
};

struct BoardProfile {
    std::vector<BoardSlotProfile> boards;
};

// False, with "file:line: what is wrong" in *error, for a profile that
// cannot be used; *profile is then left empty.
bool ReadBoardProfile(const std::string& path, BoardProfile* profile, std::string* error);

// The profile as a file that ReadBoardProfile reads back to the same boards,
// signals, ports and faults (a port's bytes as a pattern). Written to
// `profilePath`, it names the recordings in that file's folder or below from
// there; without it, every recording in full.
std::string FormatBoardProfile(const BoardProfile& profile, const std::string& profilePath = {});
// False, with the path and the system's reason in *error, when the file
// cannot be written whole. Recordings are named as FormatBoardProfile does.
bool WriteBoardProfile(const std::string& path, const BoardProfile& profile, std::string* error);
// Where a worksheet's own profile lies: "sheet.board.toml" beside
// "sheet.toml" (or beside any other name, with ".board.toml" added).
std::string ProfileBeside(const std::string& worksheetPath);

// Lays the boards out in the driver (every other slot empty) with their
// signals, ports, buffers and the faults counted by call. Before the
// library's start-up, which discovers the boards.
void ApplyBoardProfile(const BoardProfile& profile, SimTorq7Control& driver);

// The faults that begin some time into the measurement, counted from
// `startTick` on the driver's clock. Just before the measurement starts.
void ArmTimedFaults(const BoardProfile& profile, SimTorq7Control& driver, std::uint32_t startTick);

}  // namespace standin
