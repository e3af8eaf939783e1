// standin-host.exe accounts for every sample of a rehearsal: on the virtual
// clock it calls the modules as a host that calls over and over would, so a
// board whose crystal runs fast or slow, ahead of the PC's clock or behind
// it, loses nothing; the summary says per input channel what the board
// made, what reached the host and what was lost; a run that lost samples,
// or in which the library stopped the measurement or warned, exits 6 and
// says why in its last lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "RehearsalFiles.h"

namespace torq7test {
namespace {

constexpr int kExitNotClean = 6;

// The demo's board profile with `lines` added to its first board, and
// `tables` (faults) after them.
std::string DemoBoardWith(const std::string& lines, const std::string& tables = {})
{
    TempFolder scratch;
    std::string profile = scratch.read(ProgramFolder() + "profiles\\demo-board.toml");
    const std::size_t second = profile.find("\n[[board]]", profile.find("[[board]]") + 1);
    if (second != std::string::npos)
        profile.insert(second, "\n" + tables);
    const std::string anchor = "switch = 0\n";
    const std::size_t at = profile.find(anchor);
    if (at != std::string::npos)
        profile.insert(at + anchor.size(), lines);
    return profile;
}

// One analog input channel that carries a square wave, sampled at 1 ms in
// blocks of 1000, with a driver buffer of a few sets.
constexpr char kOneInputSheet[] = u8R"(format = "standin-worksheet"
version = 2
[timebase]
ms_per_sample = 1
block_size = 1000
[[module]]
class = "TORQ7AD"
name = "AD"
inputs = 0
outputs = 1
board = 0
input_range = "0～10V"
buffer_mode = "ドライバメモリ"
buffer_words = 8192
)";

constexpr char kDigitalInputSheet[] = u8R"(format = "standin-worksheet"
version = 2
[[module]]
class = "TORQ7DI"
name = "DIN"
inputs = 0
outputs = 1
board = 0
)";

std::string SquareBoardWith(const std::string& lines)
{
    return "[[board]]\nslot = 0\n" + lines +
           u8"[[board.analog_input]]\nchannel = 0\nrange = \"0～10V\"\nsignal = \"square\"\noffset = 5\n"
           "amplitude = 4.9\nperiod_ms = 1000\n";
}

// The lines of the summary that account for the input channels' samples.
std::vector<std::string> AccountLines(const ProgramRun& run)
{
    std::vector<std::string> accounts;
    for (const std::string& line : run.lines()) {
        if (line.find(" made, ") != std::string::npos)
            accounts.push_back(line);
    }
    return accounts;
}

// The times (s) of a CSV channel's rows at which the value crosses `level`.
std::vector<double> Crossings(const std::string& csv, double level)
{
    std::vector<double> times;
    std::istringstream rows(csv);
    std::string row;
    std::getline(rows, row);
    bool first = true;
    bool above = false;
    while (std::getline(rows, row)) {
        const std::size_t comma = row.find(',');
        if (comma == std::string::npos)
            continue;
        const double time = std::atof(row.substr(0, comma).c_str());
        const bool now = std::atof(row.c_str() + comma + 1) > level;
        if (!first && now != above)
            times.push_back(time);
        first = false;
        above = now;
    }
    return times;
}

// Every crossing of a 1 s square wave lies on the 0.5 s grid, at most one
// sample interval after it, and there is one for every half period.
void ExpectEdgesOnTheGrid(const std::string& csv, double seconds, double interval)
{
    const std::vector<double> edges = Crossings(csv, 5.0);
    // A board behind the PC's clock has its last second still to deliver.
    EXPECT_GE(edges.size(), static_cast<std::size_t>(2 * seconds) - 4);
    for (std::size_t k = 0; k < edges.size(); ++k) {
        const double grid = 0.5 * static_cast<double>(k + 1);
        ASSERT_GE(edges[k], grid - 1e-9) << "edge " << k << " of " << edges.size();
        ASSERT_LT(edges[k], grid + interval + 1e-9) << "edge " << k << " of " << edges.size();
    }
}

class RehearsalAccountingTest : public ::testing::Test {
protected:
    TempFolder files_;
};

// Boards ahead of the PC's clock or behind it and drifting either way: the
// analog inputs lose nothing, so the square wave's edges stay on their grid
// in the CSV, and the run exits 0.
TEST_F(RehearsalAccountingTest, BoardsAheadOrBehindLoseNoSampleAndKeepTheirEdgesOnTheGrid)
{
    struct Case {
        const char* clock;
        int seconds;
    };
    const Case kCases[] = {
        {"clock_ppm = 1000\nclock_lead_ms = 15\nbuffer_words = 800\n", 300},
        {"clock_ppm = -1000\nclock_lead_ms = -1000\nbuffer_words = 800\n", 120},
        {"clock_ppm = 1000\nclock_lead_ms = 1000\n", 120},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.clock);
        const std::string board = files_.write("board.toml", DemoBoardWith(c.clock));
        const std::string folder = files_.path() + "run";
        const ProgramRun run = RunProgram("--board " + Quoted(board) + " --seconds " + std::to_string(c.seconds) +
                                          " --csv " + Quoted(folder));
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const std::vector<std::string> accounts = AccountLines(run);
        ASSERT_EQ(accounts.size(), 6u) << run.output;
        for (const std::string& account : accounts)
            EXPECT_NE(account.find(" lost 0,"), std::string::npos) << account;
        EXPECT_NE(run.output.find("board 0: 0 buffer overflow notices"), std::string::npos) << run.output;
        ExpectEdgesOnTheGrid(files_.read(folder + "\\AD-ch2.csv"), c.seconds, 0.001);
        RemoveFolder(folder);
    }
}

// A simulated day of a board 1000 ppm off and a second ahead or behind.
TEST_F(RehearsalAccountingTest, ADayOfABoardFarOffThePcClockLosesNothing)
{
    const std::string sheet = files_.write("sheet.toml", kOneInputSheet);
    for (const char* clock : {"clock_ppm = 1000\nclock_lead_ms = 1000\n", "clock_ppm = -1000\nclock_lead_ms = -1000\n"}) {
        SCOPED_TRACE(clock);
        const std::string board = files_.write("board.toml", SquareBoardWith(clock));
        const ProgramRun run =
            RunProgram("--board " + Quoted(board) + " --worksheet " + Quoted(sheet) + " --seconds 86400");
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const std::vector<std::string> accounts = AccountLines(run);
        ASSERT_EQ(accounts.size(), 1u) << run.output;
        EXPECT_NE(accounts[0].find(" lost 0,"), std::string::npos) << accounts[0];
    }
}

// A time base whose block lasts less than a ms: every set the board
// completes within a ms is read and reaches the host.
TEST_F(RehearsalAccountingTest, BlocksShorterThanAMillisecondLoseNothing)
{
    const std::string folder = files_.path() + "run";
    const ProgramRun run = RunProgram("--ms 0.03 --block 10 --seconds 2 --csv " + Quoted(folder));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const std::string& account : AccountLines(run))
        EXPECT_NE(account.find(" lost 0,"), std::string::npos) << account;
    ExpectEdgesOnTheGrid(files_.read(folder + "\\AD-ch2.csv"), 2, 0.00003);
}

// A run longer than 2^32 ms: its one block, due after the 32-bit tick count
// has wrapped, reaches the host; the run is that whole block, and says so.
TEST_F(RehearsalAccountingTest, ARunLongerThanTheTickCountWrapDeliversItsBlock)
{
    const std::string sheet = files_.write("sheet.toml", kDigitalInputSheet);
    const ProgramRun run =
        RunProgram("--worksheet " + Quoted(sheet) + " --ms 100000 --block 65535 --seconds 1000000");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("6553500000 ms on the virtual clock (--seconds 1e+06 rounded up to whole blocks)"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(u8"DIN   ch0 (ﾁｬﾝﾈﾙ 0)           1 blocks,       65535 samples"), std::string::npos)
        << run.output;
}

// A run that lost samples, or in which the library stopped the measurement
// or warned, exits 6, and its last lines say why; a clean run says nothing.
TEST_F(RehearsalAccountingTest, ARunThatIsNotCleanExits6AndSaysWhyLast)
{
    const std::string readFails = files_.write(
        "fails.toml",
        DemoBoardWith("", "[[board.fault]]\nentry = \"Torq7GetData\"\nfrom_ms = 1500\ncount = 1\nerror = 9\n"));
    const std::string small = files_.write("small.toml", DemoBoardWith("buffer_words = 300\n"));
    struct Case {
        std::string arguments;
        int exitCode;
        std::vector<std::string> lastLines;
    };
    const Case kCases[] = {
        {"--board " + Quoted(readFails), kExitNotClean,
         {"the run was not clean:", "  the library asked to stop the measurement once",
          u8"  the library warned once, first: [Torq-Q7] サンプリングデータ取得を失敗しました/エラーコード： 9  "
          "(the samples could not be read; error code)"}},
        {"--board " + Quoted(small), kExitNotClean,
         {"the run was not clean:", "  100 samples lost (AD ch0: 25, AD ch1: 25, AD ch2: 25, AD ch3: 25)",
          "  the library asked to stop the measurement once",
          u8"  the library warned once, first: [Torq-Q7] バッファオーバーフロー  "
          "(buffer overflow: samples were lost, they came faster than they were read)"}},
        {"--seconds 1", 0, {"host memory in use after shut-down: 0 blocks; host checks failed: 0"}},
    };
    for (const Case& c : kCases) {
        const ProgramRun run = RunProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.output;
        const std::vector<std::string> lines = run.lines();
        ASSERT_GE(lines.size(), c.lastLines.size()) << run.output;
        const std::vector<std::string> last(lines.end() - static_cast<std::ptrdiff_t>(c.lastLines.size()), lines.end());
        EXPECT_EQ(last, c.lastLines) << c.arguments << "\n" << run.output;
    }
    // The driver's notice reaches the library's window, in driver memory
    // as an overflow, in device memory as an overrun.
    std::string deviceSheet = kOneInputSheet;
    deviceSheet.replace(deviceSheet.find(u8"ドライバメモリ"), std::string(u8"ドライバメモリ").size(), u8"デバイスメモリ");
    const std::string device = Quoted(files_.write("device.toml", deviceSheet));
    const std::string smallSquare = Quoted(files_.write("square.toml", SquareBoardWith("buffer_words = 300\n")));
    struct Notice {
        std::string arguments;
        std::string count;
        std::string warning;
    };
    const Notice kNotices[] = {
        {"--board " + Quoted(small), "board 0: 1 buffer overflow notices", u8"[Torq-Q7] バッファオーバーフロー"},
        {"--board " + smallSquare + " --worksheet " + device, "board 0: 1 buffer overrun notices",
         u8"[Torq-Q7] バッファオーバーラン"},
    };
    for (const Notice& notice : kNotices) {
        const ProgramRun run = RunProgram(notice.arguments);
        EXPECT_EQ(run.exitCode, kExitNotClean) << run.output;
        EXPECT_NE(run.output.find(notice.count + " from the driver to the library's window"), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("warning " + notice.warning), std::string::npos) << run.output;
    }
}

// The same fast board gives the same bytes every run.
TEST_F(RehearsalAccountingTest, AFastBoardWritesTheSameBytesEveryRun)
{
    const std::string board =
        files_.write("board.toml", DemoBoardWith("clock_ppm = 1000\nclock_lead_ms = 15\nbuffer_words = 800\n"));
    const char* names[] = {"AD-ch0.csv", "AD-ch2.csv", "DIN-ch0.csv", "DOUT-ch0.csv", "DA-codes-ch1.csv"};
    std::vector<std::string> runs[2];
    for (auto& files : runs) {
        const std::string folder = files_.path() + "run";
        const ProgramRun run = RunProgram("--board " + Quoted(board) + " --seconds 20 --csv " + Quoted(folder));
        ASSERT_EQ(run.exitCode, 0) << run.output;
        for (const char* name : names)
            files.push_back(files_.read(folder + "\\" + name));
        RemoveFolder(folder);
    }
    for (std::size_t i = 0; i < runs[0].size(); ++i) {
        EXPECT_FALSE(runs[0][i].empty()) << names[i];
        EXPECT_EQ(runs[0][i], runs[1][i]) << names[i] << " differs between two runs";
    }
}

}  // namespace
}  // namespace torq7test
