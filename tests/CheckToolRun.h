// Torq7Check.exe run by the tests as a person at the bench runs it: the real
// program under Wine, the simulated driver laid out by a board profile
// (TORQ7SIM_PROFILE), its lines and its exit code collected.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramRun.h"
#include "RehearsalFiles.h"

namespace torq7test {

struct CheckRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::vector<std::string> lines;
    std::string text;

    bool hasLine(const std::string& line) const
    {
        for (const std::string& l : lines)
            if (l == line)
                return true;
        return false;
    }
};

// Runs Torq7Check.exe with `arguments` from the programs' folder; the
// simulated driver lays out `profile` (a file) when it is loaded.
inline CheckRun RunCheck(const std::string& arguments, const std::string& profile)
{
    SetEnvironmentVariableA("TORQ7SIM_PROFILE", profile.empty() ? nullptr : profile.c_str());
    RunningProgram program("Torq7Check.exe", arguments);
    SetEnvironmentVariableA("TORQ7SIM_PROFILE", nullptr);
    const ProgramRun run = program.finish();
    return {static_cast<DWORD>(run.exitCode), run.lines(), run.output};
}

template <typename Lines>
void ExpectLines(const CheckRun& run, const Lines& lines)
{
    for (const auto& line : lines)
        EXPECT_TRUE(run.hasLine(line)) << line;
}

inline std::string DriverFolder()
{
    return ProgramFolder() + "driver";
}

inline std::string Host(const std::string& folder)
{
    return "--host \"" + folder + "\"";
}

inline std::string ResultLine(int code, const char* meaning)
{
    return std::string("結果 (result): ") + meaning + ", 終了コード (exit code) " + std::to_string(code);
}

// Two boards: slot 0 with a constant and a sine on its first inputs and the
// input port counting 1, 2, 3; slot 3 answering as board 7.
inline const char kTwoBoards[] = R"(
[[board]]
slot = 0
number = 0
port_address = 0xE800
port_length = 32
switch = 0

[[board.analog_input]]
channel = 0
range = "0..10V"
signal = "constant"
offset = 2.5

[[board.analog_input]]
channel = 1
range = "0..10V"
signal = "sine"
offset = 5.0
amplitude = 2.0
period_ms = 50

[board.digital_input]
source = "pattern"
values = [1, 2, 3]

[[board]]
slot = 3
number = 7
port_address = 0xD000
port_length = 16
switch = 3
)";

class CheckToolTest : public ::testing::Test {
protected:
    std::string profile(const std::string& text) { return folder_.write("board.toml", text); }

    TempFolder folder_;
};

constexpr char kAdvicePrefix[] = "  対処 (what to do): ";

// The line right after `line` says what to do, in words that hold `advice`.
inline void ExpectAdvised(const CheckRun& run, const std::string& line, const std::string& advice)
{
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        if (run.lines[i] != line)
            continue;
        ASSERT_LT(i + 1, run.lines.size()) << line;
        const std::string& next = run.lines[i + 1];
        EXPECT_EQ(next.compare(0, sizeof kAdvicePrefix - 1, kAdvicePrefix), 0) << line << "\n" << next;
        EXPECT_NE(next.find(advice), std::string::npos) << line << "\n" << next;
        return;
    }
    ADD_FAILURE() << "no line " << line;
}

}  // namespace torq7test
