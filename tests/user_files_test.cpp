// standin-host.exe never loses a file of the user's: --save refuses the
// board profile it reads, any file but a worksheet it stored, and a board
// file beside it that the run did not write (unless --overwrite), --picture
// replaces only a bitmap, no two CSV files of a run are one, and a run
// refused before it starts leaves every file as it was. Also what a run does
// with blocks that no module takes, and folders named in Japanese.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "RehearsalFiles.h"
#include "sim/text/FileNames.h"

namespace torq7test {
namespace {

// A hand-written profile: its comment must survive every run.
constexpr char kProfile[] = u8R"(# the bench's board, written by hand
[[board]]
slot = 0
[board.digital_input]
source = "counter"
)";

// A digital input module named "X-codes" feeding an analog output module
// named "X": both would write X-codes-ch0.csv.
constexpr char kSuffixClash[] = u8R"(format = "standin-worksheet"
version = 2
[[module]]
class = "TORQ7DI"
name = "X-codes"
inputs = 0
outputs = 1
board = 0
[[module]]
class = "TORQ7DA"
name = "X"
inputs = 2
outputs = 0
board = 0
[[connection]]
from = "X-codes"
output = 0
to = "X"
input = 0
)";

// A digital input module feeding an analog input module that a hand-edited
// file gave an input: that class takes no input blocks.
constexpr char kIntoAnInputNobodyTakes[] = u8R"(format = "standin-worksheet"
version = 2
[[module]]
class = "TORQ7DI"
name = "DIN"
inputs = 0
outputs = 1
board = 0
[[module]]
class = "TORQ7AD"
name = "X"
inputs = 1
outputs = 1
board = 0
[[connection]]
from = "DIN"
output = 0
to = "X"
input = 0
)";

class UserFilesTest : public ::testing::Test {
protected:
    bool exists(const std::string& path) const { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string run(const std::string& arguments) const { return "--board " + Quoted(board_) + " " + arguments; }

    TempFolder files_;
    const std::string board_ = files_.write("bench.toml", kProfile);
    const std::string sheet_ = files_.write("sheet.toml", kSuffixClash);
};

// --save onto the --board file, or beside a board file the run did not
// write, is refused before the run with the path, and every file stays as
// it was; --overwrite asks for the replacement and gets it.
TEST_F(UserFilesTest, SaveReplacesNoFileOfTheUsersUnlessAsked)
{
    const std::string dir = files_.path();
    const std::string unrelated = files_.write("target.board.toml", "# another bench\n");
    const std::string otherProfile = files_.write("slow-board.toml", kProfile);
    const std::string notes = files_.write("notes.txt", "call the bench on Monday\n");
    struct Case {
        std::string arguments;
        int exitCode;
        std::string message;
    };
    const Case kRefused[] = {
        {"--seconds 0.1 --save " + Quoted(board_), 2, "--save refused: " + board_ + " is the board profile this run reads"},
        {"--seconds 0.1 --save " + Quoted(dir + "BENCH.toml"), 2, "--save refused: " + dir + "BENCH.toml is the board profile"},
        {"--seconds 0.1 --save " + Quoted(dir + "target.toml"), 2,
         "--save refused: " + unrelated + ", where the worksheet's boards go, holds a file this run did not write"},
        {"--interactive --save " + Quoted(dir + "target.toml"), 2, "--save refused: " + unrelated},
        {"--seconds 0.1 --save " + Quoted(otherProfile), 2,
         "--save refused: " + otherProfile + " is not a worksheet this program stored"},
        {"--worksheet " + Quoted(sheet_) + " --seconds 0.1 --save " + Quoted(sheet_), 2,
         "--save refused: " + sheet_ + " is not a worksheet this program stored"},
        {"--seconds 0.1 --save " + Quoted(notes), 2, "--save refused: " + notes + " is not a worksheet"},
        {"--interactive --save " + Quoted(notes), 2, "--save refused: " + notes + " is not a worksheet"},
    };
    for (const Case& c : kRefused) {
        const ProgramRun refused = RunProgram(run(c.arguments));
        EXPECT_EQ(refused.exitCode, c.exitCode) << c.arguments << "\n" << refused.output;
        EXPECT_NE(refused.output.find(c.message), std::string::npos) << c.arguments << "\n" << refused.output;
        EXPECT_NE(refused.output.find("or add --overwrite to replace it"), std::string::npos) << refused.output;
        EXPECT_EQ(refused.output.find("measurement:"), std::string::npos) << "refused after the run began";
        EXPECT_EQ(files_.read(board_), kProfile);
        EXPECT_EQ(files_.read(unrelated), "# another bench\n");
        EXPECT_EQ(files_.read(otherProfile), kProfile);
        EXPECT_EQ(files_.read(notes), "call the bench on Monday\n");
        EXPECT_EQ(files_.read(sheet_), kSuffixClash);
        EXPECT_FALSE(exists(dir + "target.toml"));
    }
    // A worksheet the program stored, in either format, is stored anew.
    for (const char* text : {"# Worksheet of the stand-in host (format described in the README).\nformat = \"x\"\n",
                             "standin-worksheet 1\ntimebase 1 100\n"}) {
        const std::string earlier = files_.write("earlier.toml", text);
        const ProgramRun resaved = RunProgram(run("--seconds 0.1 --save " + Quoted(earlier)));
        EXPECT_EQ(resaved.exitCode, 0) << text << resaved.output;
        EXPECT_NE(files_.read(earlier), text);
        DeleteFileA((dir + "earlier.board.toml").c_str());
    }
    const ProgramRun notesAsked = RunProgram(run("--seconds 0.1 --save " + Quoted(notes) + " --overwrite"));
    EXPECT_EQ(notesAsked.exitCode, 0) << notesAsked.output;
    EXPECT_EQ(files_.read(notes).find("call the bench"), std::string::npos) << "--overwrite replaced nothing";

    const ProgramRun asked = RunProgram(run("--seconds 0.1 --save " + Quoted(dir + "target.toml") + " --overwrite"));
    EXPECT_EQ(asked.exitCode, 0) << asked.output;
    EXPECT_NE(files_.read(unrelated).find("[[board]]"), std::string::npos) << "--overwrite replaced nothing";
    // The stored worksheet runs again on its boards, and saving it again
    // over itself keeps the boards beside it as written.
    const std::string stored = files_.read(unrelated);
    const ProgramRun again =
        RunProgram("--worksheet " + Quoted(dir + "target.toml") + " --seconds 0.1 --save " + Quoted(dir + "target.toml"));
    EXPECT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(files_.read(unrelated), stored);
}

// --picture replaces a bitmap, as pictures are made again and again, and
// refuses any other file before a dialog opens, naming it.
TEST_F(UserFilesTest, APictureReplacesOnlyABitmap)
{
    const std::string notes = files_.write("notes.bmp", "not a picture\n");
    const ProgramRun refused = RunProgram(run("--picture TORQ7_ABOUT " + Quoted(board_)));
    EXPECT_EQ(refused.exitCode, 2) << refused.output;
    EXPECT_NE(refused.output.find("standin-host: --picture: " + board_ + " is not a bitmap"), std::string::npos)
        << refused.output;
    EXPECT_EQ(files_.read(board_), kProfile);
    const ProgramRun named = RunProgram(run("--picture TORQ7_ABOUT " + Quoted(notes)));
    EXPECT_EQ(named.exitCode, 2) << named.output;
    EXPECT_EQ(files_.read(notes), "not a picture\n");

    const std::string earlier = files_.write("about.bmp", "BM an earlier picture");
    const ProgramRun again = RunProgram(run("--picture TORQ7_ABOUT " + Quoted(earlier)));
    EXPECT_EQ(again.output.find("is not a bitmap"), std::string::npos) << again.output;
    EXPECT_NE(files_.read(earlier), "BM an earlier picture") << again.output;
}

// A run whose CSV files would replace a recording its profile replays, or
// the worksheet --save stores, is refused before it runs, naming both; the
// recording stays as it was and no worksheet is stored.
TEST_F(UserFilesTest, CsvFilesReplaceNoRecordingTheRunReadsNorTheStoredWorksheet)
{
    const std::string dir = files_.path();
    CreateDirectoryA((dir + "rec").c_str(), nullptr);
    const std::string recording = files_.write("rec\\AD-ch0.csv", "time_s,value\n0,1\n0.5,2\n");
    const std::string replaying = files_.write(
        "replaying.toml", "[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\n"
                          "file = \"rec/AD-ch0.csv\"\n");
    const std::string analog = files_.write(
        "analog.toml", "format = \"standin-worksheet\"\nversion = 2\n[[module]]\nclass = \"TORQ7AD\"\nname = \"AD\"\n"
                       "inputs = 0\noutputs = 1\nboard = 0\n");
    struct Case {
        std::string arguments;
        std::string message;
        std::string stored;   // a file the refused run must not leave
    };
    const Case kCases[] = {
        {"--board " + Quoted(replaying) + " --worksheet " + Quoted(analog) + " --seconds 0.2 --csv " +
             Quoted(dir + "rec"),
         "--csv refused: the run would write " + dir + "rec/AD-ch0.csv over " + recording + ", the recording that " +
             replaying + " replays on board 0 channel 0",
         ""},
        {run("--worksheet " + Quoted(sheet_) + " --seconds 0.2 --csv " + Quoted(dir + "out") + " --save " +
             Quoted(dir + "out\\X-codes-ch0.csv")),
         "--save refused: " + dir + "out\\X-codes-ch0.csv is " + dir +
             "out/X-codes-ch0.csv, a file of the --csv output",
         dir + "out\\X-codes-ch0.csv"},
        {run("--worksheet " + Quoted(sheet_) + " --seconds 0.2 --csv " + Quoted(dir + "out") + " --save " +
             Quoted(dir + "out\\channels.tsv")),
         "--save refused: " + dir + "out\\channels.tsv is " + dir + "out/channels.tsv", dir + "out\\channels.tsv"},
    };
    for (const Case& c : kCases) {
        const ProgramRun refused = RunProgram(c.arguments);
        EXPECT_EQ(refused.exitCode, 2) << c.arguments << "\n" << refused.output;
        EXPECT_NE(refused.output.find(c.message), std::string::npos) << c.message << "\n" << refused.output;
        EXPECT_EQ(refused.output.find("measurement:"), std::string::npos) << "refused after the run began";
        EXPECT_EQ(files_.read(recording), "time_s,value\n0,1\n0.5,2\n");
        EXPECT_TRUE(c.stored.empty() || !exists(c.stored)) << c.stored;
    }
}

// Every file of a run has a name of its own, whatever suffix each kind
// adds: the later module takes its number.
TEST_F(UserFilesTest, CsvFilesOfEveryKindHaveNamesOfTheirOwn)
{
    const std::string csv = files_.path() + "run";
    const ProgramRun result =
        RunProgram(run("--worksheet " + Quoted(sheet_) + " --seconds 0.5 --csv " + Quoted(csv)));
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(files_.read(csv + "\\channels.tsv"), "X-codes-ch0.csv\tdigital\tX-codes\n"
                                                   "X_2-codes-ch0.csv\tcodes\tX\n"
                                                   "X_2-codes-ch1.csv\tcodes\tX\n");
    const std::string digital = files_.read(csv + "\\X-codes-ch0.csv");
    const std::string codes = files_.read(csv + "\\X_2-codes-ch0.csv");
    EXPECT_EQ(digital.substr(0, digital.find('\n')), u8"time_s,ﾁｬﾝﾈﾙ 0");
    EXPECT_EQ(std::count(digital.begin(), digital.end(), '\n'), 501) << "500 samples and the header";
    EXPECT_EQ(codes.substr(0, codes.find('\n')), u8"index,ﾁｬﾝﾈﾙ 0");
    EXPECT_EQ(std::count(codes.begin(), codes.end(), '\n'), 501) << "500 codes and the header";
}

// A run refused because a file cannot be written (here, a folder stands
// where the list of files goes, written last) leaves the earlier run's files
// byte for byte, stores no worksheet and leaves no empty file behind.
TEST_F(UserFilesTest, ARunRefusedBeforeItStartsLeavesEveryFileAsItWas)
{
    const std::string csv = files_.path() + "run";
    ASSERT_EQ(RunProgram(run("--worksheet " + Quoted(sheet_) + " --seconds 0.5 --csv " + Quoted(csv))).exitCode, 0);
    const std::vector<std::string> kept = {"X-codes-ch0.csv", "X_2-codes-ch0.csv", "X_2-codes-ch1.csv"};
    std::vector<std::string> before;
    for (const std::string& name : kept)
        before.push_back(files_.read(csv + "\\" + name));
    DeleteFileA((csv + "\\channels.tsv").c_str());
    CreateDirectoryA((csv + "\\channels.tsv").c_str(), nullptr);
    // A module of another name adds a file that was not there.
    std::string renamed = kSuffixClash;
    renamed.replace(renamed.find("name = \"X\""), 10, "name = \"Y\"");
    renamed.replace(renamed.find("to = \"X\""), 8, "to = \"Y\"");
    const std::string other = files_.write("other.toml", renamed);

    for (const std::string& sheet : {sheet_, other}) {
        const ProgramRun refused = RunProgram(run("--worksheet " + Quoted(sheet) + " --seconds 0.5 --csv " +
                                                  Quoted(csv) + " --save " + Quoted(files_.path() + "stored.toml")));
        EXPECT_EQ(refused.exitCode, 5) << refused.output;
        EXPECT_EQ(refused.output.find("measurement:"), std::string::npos) << refused.output;
        for (std::size_t i = 0; i < kept.size(); ++i)
            EXPECT_EQ(files_.read(csv + "\\" + kept[i]), before[i]) << kept[i] << " changed by a refused run";
        EXPECT_FALSE(exists(files_.path() + "stored.toml"));
        EXPECT_FALSE(exists(files_.path() + "stored.board.toml"));
        EXPECT_FALSE(exists(csv + "\\Y-codes-ch0.csv")) << "an empty file left by a refused run";
        EXPECT_NE(refused.output.find("the CSV files could not be written: " + csv + "/channels.tsv: Is a directory"),
                  std::string::npos)
            << refused.output;
    }
}

// Blocks routed into an input that the module's class never serves are
// dropped and counted, with one warning for that input; memory balances.
TEST_F(UserFilesTest, BlocksNoModuleTakesAreDroppedWithOneWarning)
{
    const std::string sheet = files_.write("nobody.toml", kIntoAnInputNobodyTakes);
    const ProgramRun result = RunProgram(run("--worksheet " + Quoted(sheet) + " --seconds 30"));
    EXPECT_EQ(result.exitCode, 6) << result.output;
    EXPECT_NE(result.output.find("44 blocks were sent into inputs no module takes, and dropped"), std::string::npos)
        << result.output;
    const std::string warning = "warning: module 'X' (TORQ7AD) input 0: 44 blocks dropped, no module takes them";
    EXPECT_NE(result.output.find(warning), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("input 0:"), result.output.rfind("input 0:")) << "one warning per input";
    EXPECT_NE(result.output.find("host memory in use after shut-down: 0 blocks; host checks failed: 0"),
              std::string::npos)
        << result.output;
}

// A folder named from the current one whose first character is double-byte
// with a '\' as its second byte ("表" is 0x95 0x5C) is made whole, and no
// folder of its first byte alone.
TEST(FolderNames, AreSplitByWholeCharactersFromTheFirst)
{
    TempFolder files;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(files.path().c_str()));
    const bool made = standin::MakeFolders("表\\出力");
    SetCurrentDirectoryA(previous);
    ASSERT_TRUE(made);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((files.path() + "*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(names, std::vector<std::string>{"表"});
    const DWORD inner = GetFileAttributesA((files.path() + "表\\出力").c_str());
    EXPECT_TRUE(inner != INVALID_FILE_ATTRIBUTES && (inner & FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace
}  // namespace torq7test
