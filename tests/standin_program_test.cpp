// standin-host.exe as people use it: every bad command line and file it is
// given is refused with a message that names the mistake and an exit code
// of its own, and a run of the demo's worksheet writes the same CSV bytes
// every time, headed by the channels' names.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramRun.h"
#include "RehearsalFiles.h"

namespace torq7test {
namespace {

constexpr char kOneModule[] = u8R"(format = "standin-worksheet"
version = 2
[timebase]
ms_per_sample = 1
block_size = 100
[[module]]
class = "TORQ7AD"
name = "AD"
inputs = 0
outputs = 2
board = %BOARD%
input_range = "0～10V"
)";

std::string OneModuleSheet(const std::string& board)
{
    std::string text = kOneModule;
    text.replace(text.find("%BOARD%"), 7, board);
    return text;
}

constexpr char kProfile[] = u8R"([[board]]
slot = 0
[[board.analog_input]]
channel = 0
range = "0～5V"
signal = "sine"
offset = 2.5
amplitude = 1
period_ms = 100
)";

class StandinProgramTest : public ::testing::Test {
protected:
    TempFolder files_;
};

TEST_F(StandinProgramTest, BadCommandLinesAndFilesAreRefusedByNameWithTheirExitCode)
{
    const std::string dir = files_.path();
    const std::string profile = Quoted(files_.write("board.toml", kProfile));
    const std::string sheet = Quoted(files_.write("sheet.toml", OneModuleSheet("0")));
    const std::string twice = Quoted(files_.write(
        "twice.toml", OneModuleSheet("0") + "[[module]]\nclass = \"TORQ7DI\"\nname = \"AD\"\ninputs = 0\noutputs = 1\n"
                                            "board = 0\n"));
    const std::string elsewhere = Quoted(files_.write("elsewhere.toml", OneModuleSheet("1")));
    const std::string twoOfAKind = Quoted(files_.write(
        "pair.toml", OneModuleSheet("0") + "[[module]]\nclass = \"TORQ7DI\"\nname = \"DI\"\ninputs = 0\noutputs = 1\n"
                                           "board = 0\n[[module]]\nclass = \"TORQ7AD\"\nname = \"AD2\"\ninputs = 0\n"
                                           "outputs = 1\nboard = 0\n"));
    const std::string twoReaders = Quoted(files_.write(
        "readers.toml", "format = \"standin-worksheet\"\nversion = 2\n[[module]]\nclass = \"TORQ7DI\"\nname = \"DI\"\n"
                        "inputs = 0\noutputs = 1\nboard = 0\n[[module]]\nclass = \"TORQ7DI\"\nname = \"DI2\"\ninputs = 0\noutputs = 1\nboard = 0\n"));
    const std::string hexBlock = Quoted(files_.write("block.worksheet", "standin-worksheet 1\ntimebase 1 70000\n"));
    const std::string hexInterval = Quoted(files_.write("interval.worksheet", "standin-worksheet 1\ntimebase 0 100\n"));
    const std::string setModeFails = Quoted(files_.write(
        "fails.toml", std::string(kProfile) + "[[board.fault]]\nentry = \"Torq7SetMode\"\nat_call = 1\ncount = 0\n"
                                                "error = 5\n"));
    constexpr char kBinaryCsv[] = "time_s,value\n0,1\n0.001,\x01\xFF\n";
    files_.write("binary.csv", std::string(kBinaryCsv, sizeof kBinaryCsv - 1));
    const std::string replaysBinary = Quoted(files_.write(
        "replay.toml", "[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\n"
                       "file = \"binary.csv\"\n"));
    const std::string notAFolder = files_.write("plain.txt", "x");
    CreateDirectoryA((dir + "afolder").c_str(), nullptr);
    const std::string wrongLink = Quoted(files_.write(
        "links.toml", OneModuleSheet("0") + "[[module]]\nclass = \"TORQ7DI\"\nname = \"DI\"\ninputs = 0\noutputs = 1\n"
                                            "board = 0\n[[connection]]\nfrom = \"DI\"\noutput = 0\nto = \"AD\"\ninput = 0\n"));
    const std::string wrongOutput = Quoted(files_.write(
        "output.toml", OneModuleSheet("0") + "[[module]]\nclass = \"TORQ7DO\"\nname = \"DO\"\ninputs = 1\n"
                                             "outputs = 0\nboard = 0\n[[connection]]\nfrom = \"AD\"\noutput = 2\nto = "
                                             "\"DO\"\ninput = 0\n"));
    struct Case {
        std::string arguments;
        int exitCode;
        std::string message;
    };
    const Case kCases[] = {
        {"--seconds -1", 2, "standin-host: --seconds is -1, outside 0.001..2592000"},
        {"--seconds abc", 2, "standin-host: --seconds must be a number, not 'abc'"},
        {"--seconds", 2, "standin-host: --seconds needs a value"},
        {"--csv --realtime --seconds 0.2", 2, "standin-host: --csv needs a value"},
        {"--board --seconds 1", 2, "standin-host: --board needs a value"},
        {"--picture TORQ7_ABOUT --verbose", 2, "standin-host: --picture needs a dialog and a file"},
        {"--seconds 1 --seconds 2", 2, "standin-host: --seconds is given twice"},
        {"--ms 0", 2, "standin-host: --ms is 0, outside 1e-06..1000000000"},
        {"--ms 2e9", 2, "standin-host: --ms is 2e9, outside 1e-06..1000000000"},
        {"--seconds 0x10", 2, "standin-host: --seconds must be a number, not '0x10'"},
        {"--seconds \" 1\"", 2, "standin-host: --seconds must be a number, not ' 1'"},
        {"--seconds \"1 \"", 2, "standin-host: --seconds must be a number, not '1 '"},
        {"--seconds inf", 2, "standin-host: --seconds must be a number, not 'inf'"},
        {"--block 1e1x", 2, "standin-host: --block must be a whole number, not '1e1x'"},
        {"--board " + profile + " --worksheet " + sheet + " --seconds 0.001", 0,
         "measurement: 1 ms per sample, blocks of 100, 100 ms on the virtual clock (--seconds 0.001 rounded up to "
         "whole blocks)"},
        {"--board " + profile + " --worksheet " + sheet + " --seconds 2.5e-1 --block 1", 0,
         "measurement: 1 ms per sample, blocks of 1, 250 ms on the virtual clock\n"},
        {"--block 0", 2, "standin-host: --block is 0, outside 1..65535"},
        {"--block 2.5", 2, "standin-host: --block must be a whole number, not '2.5'"},
        {"--block 70000", 2, "standin-host: --block is 70000, outside 1..65535"},
        {"--frobnicate", 2, "standin-host: unknown option '--frobnicate'"},
        {"--interactive --picture Q7_DEVSEL x.bmp", 2, "--interactive and --picture cannot be used together"},
        {"--interactive --seconds 5", 2, "standin-host: --seconds cannot be used with --interactive"},
        {"--interactive --csv run", 2, "standin-host: --csv cannot be used with --interactive"},
        {"--picture TORQ7_ADDLG a.bmp --seconds 3", 2, "standin-host: --seconds cannot be used with --picture"},
        {"--picture FOO x.bmp", 2,
         "standin-host: --picture FOO: not a dialog of the library; the dialogs are Q7_DEVSEL, TORQ7_ADDLG, "
         "TORQ7_DIDLG, TORQ7_DODLG, TORQ7_DADLG, TORQ7_ABOUT"},
        {"--no-driver", 4, "the worksheet's 4 modules cannot be placed: they measured nothing"},
        {"--driver x.dll --no-driver", 2, "standin-host: --driver and --no-driver cannot be used together"},
        {"--no-driver --board " + profile, 2, "standin-host: --board and --no-driver cannot be used together"},
        {"--overwrite", 2, "standin-host: --overwrite serves only with --save"},
        {"--board " + profile + " --worksheet " + twoOfAKind, 2,
         "worksheet refused: modules 'AD' and 'AD2' are both TORQ7AD on board 0: a board measures for one module of "
         "each kind (digital input modules may share it)"},
        {"--board " + profile + " --worksheet " + twoReaders + " --seconds 0.2", 0,
         "library warnings: 0, stop requests from the library: 0"},
        {"--board " + profile + " --worksheet " + hexBlock, 2,
         "worksheet refused: " + dir + "block.worksheet:2: block size 70000, outside the whole numbers 1..65535"},
        {"--board " + profile + " --worksheet " + hexInterval, 2,
         "worksheet refused: " + dir + "interval.worksheet:2: milliseconds per sample 0, outside 1e-06..1e+09"},
        {"--board " + Quoted(dir + "none.toml"), 2, "board profile refused: " + dir + "none.toml"},
        {"--board " + Quoted(dir + "afolder"), 2,
         "board profile refused: " + dir + "afolder: is a folder: name a file"},
        {"--library nope.dll", 1, "cannot load nope.dll: not found"},
        {"--driver nope.dll", 1, "driver: cannot load nope.dll: not found"},
        {"--library " + Quoted(notAFolder), 1,
         "cannot load " + notAFolder + ": not a DLL, or a DLL of the wrong 32/64-bit kind for this program"},
        {"--board " + profile + " --worksheet " + wrongLink, 2,
         "worksheet refused: " + dir + "links.toml:23: module 'AD' has only 0 inputs"},
        {"--board " + profile + " --worksheet " + wrongOutput, 2,
         "worksheet refused: " + dir + "output.toml:21: module 'AD' has only 2 outputs"},
        {"--board " + profile + " --worksheet " + twice, 2,
         "worksheet refused: " + dir + "twice.toml:15: a module named 'AD' is already in the worksheet"},
        {"--board " + profile + " --worksheet " + elsewhere, 2,
         "worksheet refused: module 'AD' (TORQ7AD) uses board 1, which the profile " + dir +
             "board.toml does not have (its boards: 0)"},
        {"--board " + replaysBinary + " --worksheet " + sheet, 2,
         "binary.csv:3: '\\x01\\xFF' in column 'value' is not a number"},
        {"--board " + setModeFails + " --worksheet " + sheet, 4,
         "module 'AD' (TORQ7AD) answered 0 to its start: it measured nothing"},
        {"--board " + profile + " --worksheet " + sheet + " --csv " + Quoted(notAFolder + "\\run"), 5,
         "the CSV files could not be written: " + notAFolder + "\\run: Not a directory"},
        {"--board " + profile + " --worksheet " + sheet + " --csv " + Quoted(notAFolder), 5,
         "the CSV files could not be written: " + notAFolder + ": Not a directory"},
        {"--board " + profile + " --worksheet " + sheet + " --seconds 0.2 --csv " + Quoted(dir + "new\\run\\one"), 0,
         "CSV written to " + dir + "new\\run\\one"},
        {"--board " + profile + " --worksheet " + sheet + " --save " + Quoted(notAFolder + "\\sheet.toml"), 5,
         "the worksheet could not be stored: " + notAFolder + "\\sheet.toml: Not a directory"},
        {"--board " + profile + " --worksheet " + sheet + " --seconds 0.1 --save " + Quoted(dir + "new\\sheet.toml"),
         0, "worksheet stored in " + dir + "new\\sheet.toml"},
        {"--board " + profile + " --worksheet " + sheet + " --save " + Quoted(dir + "new"), 5,
         "the worksheet could not be stored: " + dir + "new: is a folder: name the worksheet's file"},
        {"--board " + profile + " --worksheet " + sheet + " --seconds 0.5", 0,
         "warning: module 'AD' channel 0: the profile gives the range 0..5V, the module converts with 0..10V"},
        {"--board " + profile + " --worksheet " + sheet + " --seconds 0.5", 0,
         "warning: module 'AD' channel 1: the profile does not describe it: it reads code 0, the bottom of the range "
         "0..10V"},
        {"--help", 0, "Exit codes: 0 done"},
    };
    for (const Case& c : kCases) {
        const ProgramRun run = RunProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos)
            << c.arguments << "\nexpected: " << c.message << "\nprinted:\n" << run.output;
    }
}

// A driver fault that makes the library warn and stop the run: the
// progress line at the stop is printed once, its counts in good English.
TEST_F(StandinProgramTest, ARunStoppedByAFaultReportsItsLastProgressOnce)
{
    const std::string faulty = files_.write(
        "faulty.toml", std::string(kProfile) + "[[board.fault]]\nentry = \"Torq7GetData\"\nfrom_ms = 150\ncount = 0\n"
                                                 "error = 77\n");
    const std::string sheet = files_.write("sheet.toml", OneModuleSheet("0"));
    const ProgramRun run = RunProgram("--board " + Quoted(faulty) + " --worksheet " + Quoted(sheet) + " --seconds 1");
    EXPECT_EQ(run.exitCode, 6) << run.output;
    const std::string last = "  +   200 ms: 2 blocks released, 1 warning\n";
    EXPECT_NE(run.output.find(last), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(last), run.output.rfind(last)) << "printed twice:\n" << run.output;
    EXPECT_NE(run.output.find("  +   100 ms: 2 blocks released, 0 warnings\n"), std::string::npos) << run.output;
}

// A worksheet stored by a run takes its boards along: run again without
// --board, it meets the same boards; a profile already lying beside it is
// the one the run read, and stays as written.
TEST_F(StandinProgramTest, AStoredWorksheetRunsAgainOnTheBoardsItRanOn)
{
    const std::string dir = files_.path();
    const std::string profile = files_.write("board.toml", kProfile);
    const std::string sheet = files_.write("sheet.toml", OneModuleSheet("0"));
    const std::string stored = dir + "stored.toml";
    const ProgramRun first = RunProgram("--board " + Quoted(profile) + " --worksheet " + Quoted(sheet) +
                                            " --seconds 0.5 --save " + Quoted(stored));
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_NE(first.output.find("boards stored in " + dir + "stored.board.toml"), std::string::npos) << first.output;

    const ProgramRun again = RunProgram("--worksheet " + Quoted(stored) + " --seconds 0.5");
    EXPECT_EQ(again.exitCode, 0) << again.output;
    EXPECT_NE(again.output.find("stored.board.toml, stored beside the worksheet"), std::string::npos) << again.output;

    const std::string written = files_.read(dir + "stored.board.toml");
    const ProgramRun resaved = RunProgram("--worksheet " + Quoted(stored) + " --seconds 0.5 --save " + Quoted(stored));
    EXPECT_EQ(resaved.exitCode, 0) << resaved.output;
    EXPECT_EQ(resaved.output.find("boards stored in"), std::string::npos) << resaved.output;
    EXPECT_EQ(files_.read(dir + "stored.board.toml"), written);
}

// Two runs of the demo's worksheet on the virtual clock write the very same
// bytes into every CSV file; each channel's file is headed by its name.
TEST_F(StandinProgramTest, TheDemoWritesTheSameCsvEveryRun)
{
    const std::string names[] = {"AD-ch0.csv",       "AD-ch1.csv",       "AD-ch2.csv",  "AD-ch3.csv", "DIN-ch0.csv",
                                 "DA-codes-ch0.csv", "DA-codes-ch1.csv", "DOUT-ch0.csv", "channels.tsv"};
    std::vector<std::string> runs[2];
    for (int run = 0; run < 2; ++run) {
        const std::string folder = files_.path() + "run" + std::to_string(run);
        const ProgramRun result = RunProgram("--seconds 2 --csv " + Quoted(folder));
        ASSERT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(result.output.find("held an earlier run"), std::string::npos) << "a new folder";
        for (const std::string& name : names)
            runs[run].push_back(files_.read(folder + "\\" + name));
        RemoveFolder(folder);
    }
    for (std::size_t i = 0; i < runs[0].size(); ++i) {
        EXPECT_FALSE(runs[0][i].empty()) << names[i];
        EXPECT_EQ(runs[0][i], runs[1][i]) << names[i] << " differs between two runs";
    }
    EXPECT_EQ(runs[0][0].substr(0, runs[0][0].find('\n')), u8"time_s,ﾁｬﾝﾈﾙ 0");
    EXPECT_EQ(std::count(runs[0][0].begin(), runs[0][0].end(), '\n'), 2001) << "2 s at 1 ms per sample";
}

// Japanese file and module names reach the disk whole and read well in the
// messages: a '\\' byte inside "表" is not a separator, module names that
// come to one file name never share a file (the later one takes its number
// until the name is free), and channels.tsv names each file's module in UTF-8.
TEST_F(StandinProgramTest, JapaneseNamesReachTheDiskAndTheMessagesWhole)
{
    constexpr char kThreeModules[] = u8R"(format = "standin-worksheet"
version = 2
[[module]]
class = "TORQ7AD"
name = "温度 1"
inputs = 0
outputs = 1
board = 0
[[module]]
class = "TORQ7DI"
name = "温度_1"
inputs = 0
outputs = 1
board = 0
[[module]]
class = "TORQ7DO"
name = "温度_1_2"
inputs = 1
outputs = 0
board = 0
)";
    const std::string dir = files_.path();
    const std::string profile = files_.write("ボード表.toml", kProfile);
    const std::string sheet = files_.write("計測表.toml", kThreeModules);
    const std::string csv = dir + "出力表";
    const ProgramRun run = RunProgram("--board " + Quoted(profile) + " --worksheet " + Quoted(sheet) +
                                      " --seconds 0.3 --csv " + Quoted(csv));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* shown : {u8"計測表.toml", u8"出力表", u8"温度 1   ch0 (ﾁｬﾝﾈﾙ 0)   ",
                              u8"温度_1_2: digital output port: "})
        EXPECT_NE(run.output.find(shown), std::string::npos) << shown << "\n" << run.output;
    const std::string analog = files_.read(csv + "\\温度_1-ch0.csv");
    const std::string digital = files_.read(csv + "\\温度_1_2-ch0.csv");
    EXPECT_EQ(analog.substr(0, analog.find('\n')), u8"time_s,ﾁｬﾝﾈﾙ 0");
    EXPECT_EQ(digital.substr(0, digital.find('\n')), u8"time_s,ﾁｬﾝﾈﾙ 0");
    EXPECT_EQ(files_.read(csv + "\\channels.tsv"), u8"温度_1-ch0.csv\tanalog\t温度 1\n"
                                                    u8"温度_1_2-ch0.csv\tdigital\t温度_1\n"
                                                    u8"温度_1_2_3-ch0.csv\tport\t温度_1_2\n");

    const ProgramRun again = RunProgram("--board " + Quoted(profile) + " --worksheet " + Quoted(sheet) +
                                        " --seconds 0.1 --csv " + Quoted(csv));
    EXPECT_EQ(again.exitCode, 0) << again.output;
    EXPECT_NE(again.output.find(u8"出力表 held an earlier run"), std::string::npos) << again.output;

    const ProgramRun missing = RunProgram("--board " + Quoted(profile) + " --worksheet " + Quoted(dir + "無い表.toml"));
    EXPECT_EQ(missing.exitCode, 2) << missing.output;
    EXPECT_NE(missing.output.find(u8"無い表.toml: the file cannot be opened"), std::string::npos) << missing.output;
    const ProgramRun mistyped = RunProgram("--seconds ３");
    EXPECT_EQ(mistyped.exitCode, 2) << mistyped.output;
    EXPECT_NE(mistyped.output.find(u8"--seconds must be a number, not '３'"), std::string::npos) << mistyped.output;

    // A name that code page 932 cannot hold would reach the system changed
    // ("Müller" as "Muller"): it is refused, and nothing is written.
    const ProgramRun unfit = RunProgram(L"--seconds 0.1 --csv \"out-M\u00FCller\"");
    EXPECT_EQ(unfit.exitCode, 2) << unfit.output;
    // Held apart: the check's macro would spell the text in code page 932.
    const std::string refusal = u8"'out-Müller' has a character that code page 932 cannot hold";
    EXPECT_NE(unfit.output.find(refusal), std::string::npos) << unfit.output;
    EXPECT_EQ(GetFileAttributesA((ProgramFolder() + "out-Muller").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace torq7test
