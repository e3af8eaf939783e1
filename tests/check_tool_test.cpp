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

#include "CheckToolRun.h"
#include "torq7m/board/DriverTypes.h"

namespace {

using namespace torq7test;

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

TEST_F(CheckToolTest, HelpListsTheExitCodes)
{
    const CheckRun run = RunCheck("--help", "");
    SCOPED_TRACE(run.text);
    EXPECT_EQ(run.exitCode, 0u);
    const char* const codes[] = {"  0  使えます (ready)", "  2  torq7.dll", "  3  torq7.dll", "  4  ボード",
                                 "  5  自己診断",         "  6  --test"};
    for (const char* code : codes)
        EXPECT_NE(run.text.find(code), std::string::npos) << code;
    const char* const words[] = {"(no driver)", "(incomplete driver)", "(no board)", "(no such board)",
                                 "--host DIR",  "--test BOARD",        "--outputs"};
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
