// Torq7Check.exe as a person at the bench runs it: the real program under
// Wine, the simulated driver laid out by a board profile (TORQ7SIM_PROFILE),
// checked by the lines it prints and its exit code.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "RehearsalFiles.h"
#include "torq7m/board/DriverTypes.h"

namespace {

using torq7test::ProgramFolder;
using torq7test::ProgramRun;
using torq7test::RunningProgram;
using torq7test::TempFolder;

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
CheckRun RunCheck(const std::string& arguments, const std::string& profile)
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

std::string DriverFolder()
{
    return ProgramFolder() + "driver";
}

std::string Host(const std::string& folder)
{
    return "--host \"" + folder + "\"";
}

std::string ResultLine(int code, const char* meaning)
{
    return std::string("結果 (result): ") + meaning + ", 終了コード (exit code) " + std::to_string(code);
}

// Two boards: slot 0 with a constant and a sine on its first inputs and the
// input port counting 1, 2, 3; slot 3 answering as board 7.
const char kTwoBoards[] = R"(
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

TEST_F(CheckToolTest, ReportsTheDriverAndBothBoardsAndExitsZero)
{
    const CheckRun run = RunCheck(Host(DriverFolder()), profile(kTwoBoards));
    SCOPED_TRACE(run.text);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.hasLine("  1. ホストのフォルダ (host folder) " + DriverFolder() + ": torq7.dll あり (found)"));
    EXPECT_TRUE(run.hasLine("torq7.dll: " + DriverFolder() + "\\torq7.dll を読み込みました (loaded)"));
    for (const char* entry : kDriverEntryNames)
        EXPECT_TRUE(run.hasLine(std::string("エントリポイント (entry point) ") + entry + ": あり (present)")) << entry;
    EXPECT_TRUE(run.hasLine("torq7.dll の版数 (version): 0x0100"));
    EXPECT_TRUE(run.hasLine(
        "起動時 (start-up): メニュー \"HALDEN\" と 4 つのモジュールを登録します (menu and module classes installed)"));
    const char* const boardLines[] = {
        "ボード (board) スロット 0: ボード番号 (board number) 0, ポート (port) 0xE800, 長さ (length) 32, "
        "スイッチ (switch) 0",
        "ボード (board) スロット 3: ボード番号 (board number) 7, ポート (port) 0xD000, 長さ (length) 16, "
        "スイッチ (switch) 3",
        "ボード (board) スロット 0: 使えるモジュール (modules): Torq-Q7 AD, Torq-Q7 DA, Torq-Q7 DIN, Torq-Q7 DOUT",
        "ボード (board) スロット 3: 使えるモジュール (modules): Torq-Q7 AD, Torq-Q7 DA, Torq-Q7 DIN, Torq-Q7 DOUT",
        "ボード (board): 2 枚 (boards found)",
        "ボード (boards): すべて閉じました (all closed)",
    };
    ExpectLines(run, boardLines);
    EXPECT_EQ(run.text.find("自己診断"), std::string::npos) << "no self-test unless asked";
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(),
              ResultLine(0, "使えます (ready): ライブラリはこの torq7.dll で動き、ボードが 1 枚以上あります"));
}

// A folder named in Japanese is searched whole: "表" ends in a '\\' byte in
// code page 932, which is not a separator to strip.
TEST_F(CheckToolTest, AHostFolderEndingInADoubleByteCharacterIsSearchedWhole)
{
    const std::string host = folder_.path() + "計測表";
    const std::string driver = host + "\\torq7.dll";
    ASSERT_TRUE(CreateDirectoryA(host.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((DriverFolder() + "\\torq7.dll").c_str(), driver.c_str(), FALSE));
    const std::string boards = profile(kTwoBoards);
    for (const std::string& spelling : {host, host + "\\"}) {
        const CheckRun run = RunCheck("--host \"" + spelling + "\"", boards);
        SCOPED_TRACE(spelling + "\n" + run.text);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.hasLine("  1. ホストのフォルダ (host folder) " + host + ": torq7.dll あり (found)"));
        EXPECT_TRUE(run.hasLine("torq7.dll: " + driver + " を読み込みました (loaded)"));
    }
    // Found on PATH too, when the host folder has none.
    char oldPath[32768];
    const DWORD oldLength = GetEnvironmentVariableA("PATH", oldPath, sizeof oldPath);
    ASSERT_LT(oldLength, sizeof oldPath);
    SetEnvironmentVariableA("PATH", (host + ";" + std::string(oldPath, oldLength)).c_str());
    const CheckRun onPath = RunCheck(Host(folder_.path()), boards);
    SetEnvironmentVariableA("PATH", oldPath);
    EXPECT_EQ(onPath.exitCode, 0u) << onPath.text;
    EXPECT_TRUE(onPath.hasLine("torq7.dll: " + driver + " を読み込みました (loaded)")) << onPath.text;

    // A character that code page 932 cannot hold would reach the program as
    // '?': the command line is refused for it, not the folder called missing.
    const ProgramRun unfit = RunningProgram("Torq7Check.exe", L"--host \"\U00020BB7\u91CE\"").finish();
    EXPECT_EQ(unfit.exitCode, 1) << unfit.output;
    EXPECT_NE(unfit.output.find("コマンドラインに、コードページ 932 で表せない文字があります"), std::string::npos)
        << unfit.output;

    // The simulated driver reads a profile named in Japanese too.
    const std::string japaneseProfile = folder_.write("ボード表.toml", kTwoBoards);
    const CheckRun named = RunCheck(Host(host), japaneseProfile);
    EXPECT_EQ(named.exitCode, 0u) << named.text;
    EXPECT_TRUE(named.hasLine("ボード (board): 2 枚 (boards found)")) << named.text;
}

// Each broken installation has its own lines and its own exit code.
TEST_F(CheckToolTest, EachBrokenInstallationHasItsOwnMessageAndExitCode)
{
    struct Case {
        const char* what;
        std::string host;
        std::string profileText;
        DWORD exitCode;
        std::vector<std::string> lines;
    };
    const std::string noDriver = "起動時 (start-up): メニューもモジュールも登録しません (no menu, no module classes): "
                                 "torq7.dll が見つかりません (no driver)";
    const std::string incomplete = "起動時 (start-up): メニューもモジュールも登録しません (no menu, no module classes): "
                                   "エントリポイントが欠けています (incomplete driver)";
    const std::string noBoard = "ボード (board): 見つかりません (no board in slots 0-15)";
    const Case cases[] = {
        {"no torq7.dll anywhere", folder_.path(), "", 2,
         {"torq7.dll: 見つかりません (not found)", noDriver,
          ResultLine(2, "torq7.dll が見つからないか読み込めません (no driver)")}},
        {"without Torq7GetVersion", ProgramFolder() + "drivers-missing\\Torq7GetVersion", "", 3,
         {"エントリポイント (entry point) Torq7GetVersion: ありません (missing)",
          "エントリポイント (entry point) Torq7GetData: あり (present)", incomplete,
          ResultLine(3, "torq7.dll にエントリポイントが欠けています (incomplete driver)")}},
        {"without Torq7GetData", ProgramFolder() + "drivers-missing\\Torq7GetData", "", 3,
         {"エントリポイント (entry point) Torq7GetVersion: あり (present)",
          "エントリポイント (entry point) Torq7GetData: ありません (missing)", incomplete}},
        {"no board in any slot", DriverFolder(), "", 4,
         {noBoard, ResultLine(4, "ボードが見つかりません (no board)")}},
        {"a board whose resource query fails", DriverFolder(),
         "[[board]]\nslot = 2\nnumber = 2\n[[board.fault]]\nentry = \"Torq7GetResource\"\nat_call = 1\ncount = 0\n"
         "error = 77\n",
         4,
         {"ボード (board) スロット 2: ボード番号 (board number) 2 は開けましたが Torq7GetResource が失敗しました "
          "(resource query failed), エラーコード (error code) 77; 閉じました (closed)",
          noBoard}},
    };
    for (const Case& c : cases) {
        const CheckRun run = RunCheck(Host(c.host), c.profileText.empty() ? "" : profile(c.profileText));
        SCOPED_TRACE(std::string(c.what) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, c.exitCode);
        ExpectLines(run, c.lines);
        // Without boards the library still installs its menu and classes.
        EXPECT_EQ(run.text.find("を登録します") == std::string::npos, c.exitCode == 2 || c.exitCode == 3);
    }
}

// min, mean and max of one "ch<n>: ..." line of the self-test.
struct Volts {
    double min = -1e9, mean = -1e9, max = -1e9;
};

double NumberAfter(const std::string& line, const char* label)
{
    const std::size_t at = line.find(label);
    return at == std::string::npos ? -1e9 : std::strtod(line.c_str() + at + std::strlen(label), nullptr);
}

Volts ChannelVolts(const CheckRun& run, unsigned channel)
{
    const std::string head = "アナログ入力 (analog input) ch" + std::to_string(channel) + ": ";
    for (const std::string& line : run.lines) {
        if (line.compare(0, head.size(), head) == 0)
            return {NumberAfter(line, "(min) "), NumberAfter(line, "(mean) "), NumberAfter(line, "(max) ")};
    }
    return {};
}

TEST_F(CheckToolTest, SelfTestReadsThePortAndGivesPlausibleVoltsWithoutTouchingOutputs)
{
    const CheckRun run = RunCheck(Host(DriverFolder()) + " --test 0 --channels 2 --range 0～10V", profile(kTwoBoards));
    SCOPED_TRACE(run.text);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.hasLine("デジタル入力 (input port): 0x01 0x02 0x03 0x01 0x02 0x03 0x01 0x02 0x03 0x01"));
    EXPECT_TRUE(run.hasLine("アナログ入力 (analog input): 2 チャンネル (channels), 0～10V, 100 サンプル (samples), 1 ms"));
    const Volts constant = ChannelVolts(run, 0);
    EXPECT_DOUBLE_EQ(constant.min, 2.5);
    EXPECT_DOUBLE_EQ(constant.mean, 2.5);
    EXPECT_DOUBLE_EQ(constant.max, 2.5);
    // Two whole periods of 5 V ± 2 V.
    const Volts sine = ChannelVolts(run, 1);
    EXPECT_NEAR(sine.min, 3.0, 0.05);
    EXPECT_NEAR(sine.mean, 5.0, 0.05);
    EXPECT_NEAR(sine.max, 7.0, 0.05);
    EXPECT_TRUE(run.hasLine("出力 (outputs): 書きません (not written; --outputs writes them)"));
    EXPECT_EQ(run.text.find("デジタル出力"), std::string::npos);
    EXPECT_TRUE(run.hasLine("自己診断 (self-test): 正常 (passed)"));
}

// A board number that discovery did not find is a missing board, not a
// driver failure: nothing of it is opened or tried.
TEST_F(CheckToolTest, SelfTestOfABoardThatIsNotThereIsNoBoard)
{
    const CheckRun run = RunCheck(Host(DriverFolder()) + " --test 5", profile(kTwoBoards));
    SCOPED_TRACE(run.text);
    EXPECT_EQ(run.exitCode, 4u);
    const std::string lines[] = {
        "--test 5: このボード番号のボードは見つかりません (no such board; the boards found are listed above)",
        ResultLine(4, "ボードが見つかりません (no board)"),
    };
    ExpectLines(run, lines);
    EXPECT_EQ(run.text.find("自己診断 (self-test)"), std::string::npos);
}

TEST_F(CheckToolTest, OutputsAreWrittenOnlyWhenAskedAndLeftAtZero)
{
    const std::string loopback =
        "[[board]]\nslot = 0\nnumber = 0\n[board.digital_input]\nsource = \"loopback\"\n";
    const CheckRun run = RunCheck(Host(DriverFolder()) + " --test 0 --outputs", profile(loopback));
    SCOPED_TRACE(run.text);
    EXPECT_EQ(run.exitCode, 0u);
    const char* const lines[] = {
        "デジタル出力 (output port) 0x55, 読み返し (read back) 0x55: 折り返し一致 (loopback matches)",
        "デジタル出力 (output port) 0xAA, 読み返し (read back) 0xAA: 折り返し一致 (loopback matches)",
        "アナログ出力 (analog output) ch0: コード (code) 2048 (中央 mid-range)",
        "アナログ出力 (analog output) ch1: コード (code) 2048 (中央 mid-range)",
        "出力 (outputs): すべて 0 に戻しました (all set back to 0)",
    };
    ExpectLines(run, lines);
}

// A driver call that fails during the self-test is named with the driver's
// error code; the run goes on, closes the boards and says it failed.
TEST_F(CheckToolTest, SelfTestNamesTheFailingEntryPointAndItsErrorCode)
{
    struct Case {
        const char* fault;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"entry = \"Torq7InPort\"\nat_call = 6\nerror = 77\n",
         {"デジタル入力 (input port): 0x00 0x00 0x00 0x00 0x00",
          "Torq7InPort: 失敗しました (failed) 6 回目 (read 6 of 10), エラーコード (error code) 77"}},
        {"entry = \"Torq7GetData\"\nat_call = 1\nerror = 78\n",
         {"Torq7GetData: 失敗しました (failed), エラーコード (error code) 78"}},
        {"entry = \"Torq7SetMode\"\nat_call = 1\nerror = 79\n",
         {"Torq7SetMode: 失敗しました (failed), エラーコード (error code) 79"}},
    };
    for (const Case& c : cases) {
        const std::string text = std::string(kTwoBoards) + "[[board.fault]]\n" + c.fault;
        // The fault belongs to the last board of the profile: slot 3, board 7.
        const CheckRun run = RunCheck(Host(DriverFolder()) + " --test 7", profile(text));
        SCOPED_TRACE(std::string(c.fault) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, 5u);
        ExpectLines(run, c.lines);
        EXPECT_TRUE(run.hasLine("自己診断 (self-test): 失敗 (failed)"));
        EXPECT_TRUE(run.hasLine("ボード (boards): すべて閉じました (all closed)"));
        EXPECT_TRUE(run.hasLine(ResultLine(5, "自己診断でドライバがエラーを返しました (self-test failed)")));
    }
}

TEST_F(CheckToolTest, CommandLineMistakesAreRefusedWithTheirReason)
{
    struct Case {
        const char* arguments;
        const char* line;
    };
    const Case cases[] = {
        {"--frobnicate", "--frobnicate: 知らないオプションです (unknown option)"},
        {"--test", "--test: 値がありません (value missing)"},
        {"--test x", "--test x: ボード番号は 0～65534 です (board number 0..65534)"},
        {"--test 0 --channels 9", "--channels 9: チャンネル数は 1～8 です (channels 1..8)"},
        {"--test 0 --range 0～7V",
         "--range 0～7V: ボードのレンジは 0～5V, 0～10V, ±2.5V, ±5V, ±10V です (not a range of the board)"},
        {"--outputs", "--channels, --range, --outputs: --test BOARD と一緒に使います (only with --test)"},
        {"--host C:\\no-such-folder", "--host C:\\no-such-folder: そのフォルダはありません (no such folder)"},
    };
    for (const Case& c : cases) {
        const CheckRun run = RunCheck(c.arguments, "");
        SCOPED_TRACE(std::string(c.arguments) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_TRUE(run.hasLine(c.line));
        EXPECT_EQ(run.text.find("torq7.dll の検索順"), std::string::npos) << "nothing is checked";
    }
}

TEST_F(CheckToolTest, HelpListsTheExitCodes)
{
    const CheckRun run = RunCheck("--help", "");
    SCOPED_TRACE(run.text);
    EXPECT_EQ(run.exitCode, 0u);
    const char* const codes[] = {"  0  使えます (ready)", "  2  torq7.dll", "  3  torq7.dll", "  4  ボード",
                                 "  5  自己診断"};
    for (const char* code : codes)
        EXPECT_NE(run.text.find(code), std::string::npos) << code;
    const char* const words[] = {"(no driver)", "(incomplete driver)", "(no board)", "--host DIR", "--test BOARD",
                                 "--outputs"};
    for (const char* word : words)
        EXPECT_NE(run.text.find(word), std::string::npos) << word;
}

// A range is taken as the settings dialog writes it or plainly, and the
// samples are read in it: a constant at three quarters of the range.
TEST_F(CheckToolTest, RangesAreTakenInBothSpellingsAndReadInTheirScale)
{
    struct Case {
        const char* argument;
        const char* shown;
        const char* plain;
        double volts;
    };
    const Case cases[] = {
        {"0～5V", "0～5V", "0..5V", 3.75},     {"0..10V", "0～10V", "0..10V", 7.5},
        {"±2.5V", "±2.5V", "-2.5..2.5V", 1.25}, {"-5..5V", "±5V", "-5..5V", 2.5},
        {"-10..10", "±10V", "-10..10V", 5.0},
    };
    for (const Case& c : cases) {
        std::ostringstream text;
        text << "[[board]]\nslot = 0\nnumber = 0\n[[board.analog_input]]\nchannel = 0\nrange = \"" << c.plain
             << "\"\nsignal = \"constant\"\noffset = " << std::to_string(c.volts) << "\n";
        const CheckRun run = RunCheck(Host(DriverFolder()) + " --test 0 --range " + c.argument, profile(text.str()));
        SCOPED_TRACE(std::string(c.argument) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.hasLine(std::string("アナログ入力 (analog input): 1 チャンネル (channels), ") + c.shown +
                                ", 100 サンプル (samples), 1 ms"));
        const Volts read = ChannelVolts(run, 0);
        EXPECT_DOUBLE_EQ(read.min, c.volts);
        EXPECT_DOUBLE_EQ(read.max, c.volts);
    }
}

}  // namespace
