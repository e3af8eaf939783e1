// What Torq7Check.exe tells a person when something is wrong: each failure
// line with its own exit code, and right below it a line of what to do.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CheckToolRun.h"

namespace {

using namespace torq7test;

constexpr unsigned kProgramBits = sizeof(void*) * 8;
constexpr unsigned kOtherBits = kProgramBits == 64 ? 32 : 64;

// A copy of the simulated driver that claims the other processor in its
// header: a DLL of the wrong 32/64-bit kind, as Windows sees one.
bool WriteDriverOfTheOtherKind(const std::string& path)
{
    if (!CopyFileA((DriverFolder() + "\\torq7.dll").c_str(), path.c_str(), FALSE))
        return false;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::uint32_t header = 0;
    DWORD done = 0;
    const std::uint16_t machine = kProgramBits == 64 ? 0x014C : 0x8664;
    const bool written = SetFilePointer(file, 0x3C, nullptr, FILE_BEGIN) == 0x3C &&
                         ReadFile(file, &header, sizeof header, &done, nullptr) && done == sizeof header &&
                         SetFilePointer(file, static_cast<LONG>(header + 4), nullptr, FILE_BEGIN) == header + 4 &&
                         WriteFile(file, &machine, sizeof machine, &done, nullptr) && done == sizeof machine;
    CloseHandle(file);
    return written;
}

struct Advised {
    std::string line;
    std::string advice;   // English words of the line below it
};

TEST_F(CheckToolTest, EachBrokenInstallationHasItsOwnMessageExitCodeAndWhatToDo)
{
    const std::string textFolder = folder_.path() + "text";
    const std::string otherKindFolder = folder_.path() + "other-kind";
    ASSERT_TRUE(CreateDirectoryA(textFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(otherKindFolder.c_str(), nullptr));
    const std::string textDriver = folder_.write("text\\torq7.dll", "torq7.dll, copied from a web page\r\n");
    const std::string otherKindDriver = otherKindFolder + "\\torq7.dll";
    ASSERT_TRUE(WriteDriverOfTheOtherKind(otherKindDriver));

    struct Case {
        const char* what;
        std::string host;
        std::string profileText;
        DWORD exitCode;
        std::vector<Advised> lines;
    };
    const std::string restart = "restart the host once torq7.dll is fixed";
    const Advised noDriver = {"起動時 (start-up): メニューもモジュールも登録しません (no menu, no module classes): "
                              "torq7.dll が見つかりません (no driver)",
                              restart};
    const Advised notLoaded = {"起動時 (start-up): メニューもモジュールも登録しません (no menu, no module classes): "
                               "torq7.dll を読み込めません (driver not loaded)",
                               restart};
    const Advised incomplete = {"起動時 (start-up): メニューもモジュールも登録しません (no menu, no module classes): "
                                "エントリポイントが欠けています (incomplete driver)",
                                "reinstall the board's current driver"};
    const Advised noBoard = {"ボード (board): 見つかりません (no board in slots 0-15)",
                             "check that the board is seated and shown in Device Manager"};
    const std::string loadFailure = " を読み込めません (cannot be loaded), Windows のエラー (error) 193: DLL ではないか、"
                                    "32/64 ビットの種類が違います (not a DLL, or the wrong 32/64-bit kind); ";
    const std::string rightKind = "install the board driver's " + std::to_string(kProgramBits) + "-bit torq7.dll";
    const Case cases[] = {
        {"no torq7.dll anywhere", folder_.path(), "", 2,
         {{"torq7.dll: 見つかりません (not found)", "install the board's driver, or copy torq7.dll"}, noDriver,
          {ResultLine(2, "torq7.dll が見つからないか読み込めません (no driver)"), ""}}},
        {"a text file named torq7.dll", textFolder, "", 2,
         {{"torq7.dll: " + textDriver + loadFailure +
               "このファイルは Windows のプログラムでも DLL でもありません (this file is not a DLL at all)",
           rightKind},
          notLoaded}},
        {"a torq7.dll of the other 32/64-bit kind", otherKindFolder, "", 2,
         {{"torq7.dll: " + otherKindDriver + loadFailure + "このファイルは " + std::to_string(kOtherBits) +
               " ビットの DLL です (this file is a " + std::to_string(kOtherBits) + "-bit DLL)",
           rightKind},
          notLoaded}},
        {"without Torq7GetVersion", ProgramFolder() + "drivers-missing\\Torq7GetVersion", "", 3,
         {{"エントリポイント (entry point) Torq7GetVersion: ありません (missing)", ""},
          {"エントリポイント (entry point) Torq7GetData: あり (present)", ""}, incomplete,
          {ResultLine(3, "torq7.dll にエントリポイントが欠けています (incomplete driver)"), ""}}},
        {"without Torq7GetData", ProgramFolder() + "drivers-missing\\Torq7GetData", "", 3,
         {{"エントリポイント (entry point) Torq7GetVersion: あり (present)", ""},
          {"エントリポイント (entry point) Torq7GetData: ありません (missing)", ""}, incomplete}},
        {"no board in any slot", DriverFolder(), "", 4,
         {noBoard, {ResultLine(4, "ボードが見つかりません (no board): ドライバはどのボードにも応答しません"), ""}}},
        {"a board whose resource query fails", DriverFolder(),
         "[[board]]\nslot = 2\nnumber = 2\n[[board.fault]]\nentry = \"Torq7GetResource\"\nat_call = 1\ncount = 0\n"
         "error = 77\n",
         4,
         {{"ボード (board) スロット 2: ボード番号 (board number) 2 は開けましたが Torq7GetResource が失敗しました "
           "(resource query failed), エラーコード (error code) 77; 閉じました (closed)",
           "check the board's resources, its I/O ports, in Device Manager"},
          noBoard}},
    };
    for (const Case& c : cases) {
        const CheckRun run = RunCheck(Host(c.host), c.profileText.empty() ? "" : profile(c.profileText));
        SCOPED_TRACE(std::string(c.what) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, c.exitCode);
        for (const Advised& line : c.lines) {
            if (line.advice.empty()) {
                EXPECT_TRUE(run.hasLine(line.line)) << line.line;
            } else {
                ExpectAdvised(run, line.line, line.advice);
            }
        }
        // A torq7.dll that is there is never called missing.
        if (c.host == textFolder || c.host == otherKindFolder) {
            EXPECT_FALSE(run.hasLine(noDriver.line));
        }
        // Without boards the library still installs its menu and classes.
        EXPECT_EQ(run.text.find("を登録します") == std::string::npos, c.exitCode == 2 || c.exitCode == 3);
    }
}

// A board number that discovery did not find is a mistyped number or a
// switch set otherwise, not a driver that answers for no board: its own
// message and exit code, and nothing of it is opened or tried.
TEST_F(CheckToolTest, ABoardNumberNotAmongThoseFoundIsToldApartFromNoBoard)
{
    struct Case {
        const char* what;
        const char* profileText;
        DWORD exitCode;
        Advised line;
    };
    const Case cases[] = {
        {"boards 0 and 7 found", kTwoBoards, 6,
         {"--test 5: ボード番号 (board number) 5 のボードはありません (no such board); 見つかったボード番号 "
          "(boards found): 0, 7",
          "give --test a board number listed above"}},
        {"no board at all", "", 4,
         {"ボード (board): 見つかりません (no board in slots 0-15)", "check that the board is seated"}},
    };
    for (const Case& c : cases) {
        const CheckRun run = RunCheck(Host(DriverFolder()) + " --test 5", *c.profileText ? profile(c.profileText) : "");
        SCOPED_TRACE(std::string(c.what) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, c.exitCode);
        ExpectAdvised(run, c.line.line, c.line.advice);
        EXPECT_EQ(run.text.find("自己診断 (self-test)"), std::string::npos);
        EXPECT_TRUE(run.hasLine("ボード (boards): すべて閉じました (all closed)"));
    }
    const std::string noSuchBoard =
        ResultLine(6, "--test のボード番号のボードはありません (no such board): 他のボードは見つかりました");
    EXPECT_TRUE(RunCheck(Host(DriverFolder()) + " --test 1", profile(kTwoBoards)).hasLine(noSuchBoard));
}

// A driver call that fails during the self-test is named with the driver's
// error code and what to do; the run goes on, closes the boards and says it
// failed. A fault given with a time fires that long into the program's run,
// as it does that long into a measurement of the stand-in host.
TEST_F(CheckToolTest, SelfTestNamesTheFailingEntryPointItsErrorCodeAndWhatToDo)
{
    struct Case {
        const char* fault;
        DWORD exitCode;
        std::vector<std::string> lines;   // each a failure line
    };
    const Case cases[] = {
        {"entry = \"Torq7InPort\"\nat_call = 6\nerror = 77\n", 5,
         {"Torq7InPort: 失敗しました (failed) 6 回目 (read 6 of 10), エラーコード (error code) 77"}},
        {"entry = \"Torq7GetData\"\nat_call = 1\nerror = 78\n", 5,
         {"Torq7GetData: 失敗しました (failed), エラーコード (error code) 78"}},
        {"entry = \"Torq7SetMode\"\nat_call = 1\nerror = 79\n", 5,
         {"Torq7SetMode: 失敗しました (failed), エラーコード (error code) 79"}},
        {"entry = \"Torq7GetData\"\nfrom_ms = 0\nerror = 80\n", 5,
         {"Torq7GetData: 失敗しました (failed), エラーコード (error code) 80"}},
        {"entry = \"Torq7InPort\"\nfrom_ms = 0\ncount = 0\nerror = 81\n", 5,
         {"Torq7InPort: 失敗しました (failed) 1 回目 (read 1 of 10), エラーコード (error code) 81"}},
        // The self-test's set takes 100 ms; its status is asked for all along.
        {"entry = \"Torq7GetSamplingStatus\"\nfrom_ms = 20\ncount = 0\nerror = 82\n", 5,
         {"Torq7GetSamplingStatus: 失敗しました (failed), エラーコード (error code) 82"}},
        // An hour into the run: long after the self-test.
        {"entry = \"Torq7GetData\"\nfrom_ms = 3600000\nerror = 83\n", 0, {}},
    };
    for (const Case& c : cases) {
        const std::string text = std::string(kTwoBoards) + "[[board.fault]]\n" + c.fault;
        // The fault belongs to the last board of the profile: slot 3, board 7.
        const CheckRun run = RunCheck(Host(DriverFolder()) + " --test 7", profile(text));
        SCOPED_TRACE(std::string(c.fault) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, c.exitCode);
        for (const std::string& line : c.lines)
            ExpectAdvised(run, line, "check the board and its cable and run again");
        if (c.exitCode == 5) {
            ExpectAdvised(run, "自己診断 (self-test): 失敗 (failed)", "run --test again");
            EXPECT_TRUE(run.hasLine(ResultLine(5, "自己診断でドライバがエラーを返しました (self-test failed)")));
        } else {
            EXPECT_TRUE(run.hasLine("自己診断 (self-test): 正常 (passed)"));
        }
        EXPECT_TRUE(run.hasLine("ボード (boards): すべて閉じました (all closed)"));
    }
}

TEST_F(CheckToolTest, CommandLineMistakesAreRefusedWithTheirReasonAndWhatToDo)
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
        // A repeated option would leave the reader guessing which one counts.
        {"--test 0 --test 1", "--test 1: --test 0 と重ねて指定されています (repeated option: given before as --test 0)"},
        {"--test 0 --outputs --channels 2 --outputs",
         "--outputs: --outputs と重ねて指定されています (repeated option: given before as --outputs)"},
        {"--test 0 --range 0..5V --range 0..10V",
         "--range 0..10V: --range 0..5V と重ねて指定されています (repeated option: given before as --range 0..5V)"},
        {"--help -h", "-h: --help と重ねて指定されています (repeated option: given before as --help)"},
    };
    for (const Case& c : cases) {
        const CheckRun run = RunCheck(c.arguments, "");
        SCOPED_TRACE(std::string(c.arguments) + "\n" + run.text);
        EXPECT_EQ(run.exitCode, 1u);
        ExpectAdvised(run, c.line, "--help lists the options");
        EXPECT_EQ(run.text.find("torq7.dll の検索順"), std::string::npos) << "nothing is checked";
    }
}

}  // namespace
