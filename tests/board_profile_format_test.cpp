// A board profile written by FormatBoardProfile (as the interactive window stores it beside a worksheet) reads back
// to the same boards, signals, ports and faults, and its name beside a worksheet follows the worksheet's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RehearsalFiles.h"
#include "sim/profile/BoardProfile.h"
#include "sim/text/FileNames.h"

namespace torq7test {
namespace {

// Every source a profile can describe, on two boards.
constexpr char kEverySource[] = u8R"([[board]]
slot = 2
number = 7
port_address = 0xE800
port_length = 16
switch = 5
buffer_words = 4096
clock_lead_ms = 3.5
clock_ppm = -80
[[board.analog_input]]
channel = 0
range = "0～10V"
signal = "sine"
offset = 5
amplitude = 2.5
period_ms = 250
phase_deg = 90
[[board.analog_input]]
channel = 1
range = "±5V"
signal = "noise"
offset = -1
amplitude = 0.5
seed = 9
[[board.analog_input]]
channel = 2
signal = "constant"
offset = 1.25
[[board.analog_input]]
channel = 3
range = "0..10V"
signal = "replay"
file = "recording.csv"
column = "volts"
time_column = "t"
time_unit = "ms"
interpolate = "linear"
at_end = "hold"
[board.digital_input]
source = "counter"
start = 3
step = 2
[[board.fault]]
entry = "Torq7GetData"
from_ms = 1500
count = 0
error = 77

[[board]]
slot = 0
[board.digital_input]
source = "pattern"
values = [1, 2, 255]
at_end = "hold"
[[board.fault]]
entry = "Torq7InPort"
at_call = 4
error = -3
)";

void ExpectSameBoards(const standin::BoardProfile& a, const standin::BoardProfile& b)
{
    ASSERT_EQ(a.boards.size(), b.boards.size());
    for (std::size_t i = 0; i < a.boards.size(); ++i) {
        const standin::BoardSlotProfile& x = a.boards[i];
        const standin::BoardSlotProfile& y = b.boards[i];
        EXPECT_EQ(x.slot, y.slot);
        EXPECT_EQ(0, std::memcmp(&x.config, &y.config, sizeof x.config)) << "board in slot " << x.slot;
        EXPECT_EQ(x.bufferWords, y.bufferWords);
        EXPECT_EQ(x.clockLeadMs, y.clockLeadMs);
        EXPECT_EQ(x.clockPpm, y.clockPpm);
        ASSERT_EQ(x.inputs.size(), y.inputs.size());
        for (std::size_t c = 0; c < x.inputs.size(); ++c) {
            const standin::AnalogInputProfile& p = x.inputs[c];
            const standin::AnalogInputProfile& q = y.inputs[c];
            EXPECT_EQ(p.channel, q.channel);
            EXPECT_EQ(p.range, q.range);
            EXPECT_EQ(p.signal.dwKind, q.signal.dwKind) << "channel " << p.channel;
            EXPECT_NEAR(p.signal.dCenter, q.signal.dCenter, 1e-9) << "channel " << p.channel;
            EXPECT_NEAR(p.signal.dAmplitude, q.signal.dAmplitude, 1e-9) << "channel " << p.channel;
            EXPECT_EQ(p.signal.dPeriodMs, q.signal.dPeriodMs);
            EXPECT_NEAR(p.signal.dPhaseMs, q.signal.dPhaseMs, 1e-9);
            EXPECT_EQ(p.signal.dwSeed, q.signal.dwSeed);
            EXPECT_EQ(p.replayTimesMs, q.replayTimesMs);
            EXPECT_EQ(p.replayCodes, q.replayCodes);
            EXPECT_EQ(p.replayFlags, q.replayFlags);
        }
        EXPECT_EQ(x.port.loopback, y.port.loopback);
        EXPECT_EQ(x.port.bytes, y.port.bytes);
        EXPECT_EQ(x.port.hold, y.port.hold);
        ASSERT_EQ(x.faults.size(), y.faults.size());
        for (std::size_t f = 0; f < x.faults.size(); ++f) {
            EXPECT_EQ(x.faults[f].entry, y.faults[f].entry);
            EXPECT_EQ(x.faults[f].atCall, y.faults[f].atCall);
            EXPECT_EQ(x.faults[f].fromMs, y.faults[f].fromMs);
            EXPECT_EQ(x.faults[f].failures, y.faults[f].failures);
            EXPECT_EQ(x.faults[f].errorCode, y.faults[f].errorCode);
        }
    }
}

// The profile written to another folder still finds its recording, and reads back to what was read.
TEST(BoardProfileFormatTest, AFormattedProfileReadsBackToTheSameBoards)
{
    TempFolder source;
    TempFolder elsewhere;
    source.write("recording.csv", "t,volts\n0,1.5\n2,2.5\n5,9.75\n");
    const std::string demo = ProgramFolder() + "profiles\\demo-board.toml";
    for (const std::string& path : {source.write("every.toml", kEverySource), demo}) {
        standin::BoardProfile first;
        standin::BoardProfile second;
        std::string error;
        ASSERT_TRUE(standin::ReadBoardProfile(path, &first, &error)) << error;
        const std::string copy = elsewhere.write("copy.toml", "");
        ASSERT_TRUE(standin::WriteBoardProfile(copy, first, &error)) << error;
        ASSERT_TRUE(standin::ReadBoardProfile(copy, &second, &error))
            << error << "\n" << standin::FormatBoardProfile(first);
        ExpectSameBoards(first, second);
        EXPECT_EQ(standin::FormatBoardProfile(first), standin::FormatBoardProfile(second)) << path;
    }
}

// A profile and its recording beside it, under a Japanese name whose last
// byte is a '\\' in code page 932, read; stored beside a worksheet saved in
// a folder below, the profile names the recording from there (..\表.csv), so
// the tree of files can move whole.
TEST(BoardProfileFormatTest, ARecordingBesideTheProfileMovesWithItsFolder)
{
    const std::string kRecording = "t,volts\n0,1.5\n2,2.5\n5,9.75\n";
    // The profile is UTF-8; the file names below are the system's (code page 932).
    const std::string kProfile = u8"[[board]]\nslot = 0\nnumber = 0\n[[board.analog_input]]\nchannel = 0\n"
                                 u8"signal = \"replay\"\nfile = \"表.csv\"\ncolumn = \"volts\"\ntime_column = \"t\"\n";
    TempFolder first;
    TempFolder moved;
    first.write("表.csv", kRecording);
    standin::BoardProfile read;
    std::string error;
    ASSERT_TRUE(standin::ReadBoardProfile(first.write("計測表.toml", kProfile), &read, &error)) << error;
    ASSERT_TRUE(CreateDirectoryA((first.path() + "保存").c_str(), nullptr));
    const std::string stored = first.path() + "保存\\計測表.board.toml";
    ASSERT_TRUE(standin::WriteBoardProfile(stored, read, &error)) << error;
    const std::string text = first.read(stored);
    EXPECT_NE(text.find(u8"file = \"..\\\\表.csv\""), std::string::npos) << text;

    moved.write("表.csv", kRecording);
    ASSERT_TRUE(CreateDirectoryA((moved.path() + "保存").c_str(), nullptr));
    standin::BoardProfile again;
    ASSERT_TRUE(standin::ReadBoardProfile(moved.write("保存\\計測表.board.toml", text), &again, &error)) << error;
    ExpectSameBoards(read, again);
}

TEST(BoardProfileFormatTest, FileNamesAreSplitAtWholeCharacters)
{
    const struct {
        const char* path;
        std::size_t nameStart;
    } kNames[] = {
        {"C:\\data\\表.toml", 8}, {"表", 0}, {"計測表\\a", 7}, {"a/b", 2}, {"C:\\", 3}, {"", 0},
    };
    for (const auto& c : kNames)
        EXPECT_EQ(standin::NameStart(c.path), c.nameStart) << c.path;

    const struct {
        const char* written;
        const char* full;
        const char* named;
    } kFrom[] = {
        {"C:\\w\\p.toml", "C:\\w\\rec.csv", "rec.csv"},
        {"C:\\w\\p.toml", "c:\\W\\sub\\rec.csv", "sub\\rec.csv"},
        {"C:\\w\\p.toml", "C:\\wx\\rec.csv", "..\\wx\\rec.csv"},
        {"C:\\a\\b\\p.toml", "C:\\a\\rec.csv", "..\\rec.csv"},
        {"C:\\a\\b\\p.toml", "C:\\c\\rec.csv", "..\\..\\c\\rec.csv"},
        {"C:\\w\\p.toml", "D:\\w\\rec.csv", "D:\\w\\rec.csv"},
        {"\\\\pc\\share\\w\\p.toml", "\\\\pc\\share\\rec.csv", "..\\rec.csv"},
        {"\\\\pc\\share\\w\\p.toml", "\\\\pc\\other\\w\\rec.csv", "\\\\pc\\other\\w\\rec.csv"},
        {"C:\\計測表\\p.toml", "C:\\計測表\\表.csv", "表.csv"},
        {"C:\\計測\\p.toml", "C:\\計測表\\表.csv", "..\\計測表\\表.csv"},
    };
    for (const auto& c : kFrom)
        EXPECT_EQ(standin::NameFrom(c.written, c.full), c.named) << c.written << " " << c.full;
    EXPECT_EQ(standin::BesideFile("C:\\data\\表.toml", "rec.csv"), "C:\\data\\rec.csv");
    EXPECT_EQ(standin::BesideFile("C:\\data\\表.toml", "D:\\rec.csv"), "D:\\rec.csv");
}

TEST(BoardProfileFormatTest, AWorksheetsProfileLiesBesideItUnderItsName)
{
    const struct {
        const char* worksheet;
        const char* profile;
    } kCases[] = {
        {"sheet.toml", "sheet.board.toml"},
        {"C:\\work\\day 1\\sheet.toml", "C:\\work\\day 1\\sheet.board.toml"},
        {"C:\\work\\sheet.worksheet", "C:\\work\\sheet.worksheet.board.toml"},
        {"C:\\sheets.toml\\plain", "C:\\sheets.toml\\plain.board.toml"},
        {"../sheet", "../sheet.board.toml"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(standin::ProfileBeside(c.worksheet), c.profile) << c.worksheet;
}

TEST(BoardProfileFormatTest, AProfileThatCannotBeWrittenSaysWhereAndWhy)
{
    TempFolder files;
    std::string error;
    const std::string path = files.path() + "no\\such\\sheet.board.toml";
    EXPECT_FALSE(standin::WriteBoardProfile(path, standin::BoardProfile{}, &error));
    EXPECT_EQ(error, path + ": No such file or directory");
}

}  // namespace
}  // namespace torq7test
