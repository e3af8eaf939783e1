// Board profiles run through the stand-in host with the real library: every
// signal kind on the analog inputs, replayed recordings, the digital input
// port's sources, the driver buffer and scheduled faults; and the profile
// mistakes that are refused before anything is applied.
#include <cmath>
#include <set>
#include <vector>

#include "RehearsalFiles.h"
#include "TestHost.h"
#include "sim/host/run/RunCsv.h"
#include "sim/profile/BoardProfile.h"

namespace torq7test {
namespace {

constexpr std::uint32_t kRound = 10;   // ms per round: one block of 10 samples at 1 ms

float Volts(int code, double low = 0.0, double high = 10.0)
{
    return static_cast<float>(low + (high - low) * code / 4096.0);
}

// A worksheet with one module of `className` on `board`.
std::string OneModuleWorksheet(const char* className, unsigned inputs, unsigned outputs, std::uint32_t board,
                               const std::string& settings, std::uint32_t blockSize)
{
    return "format = \"standin-worksheet\"\nversion = 2\n[timebase]\nms_per_sample = 1\nblock_size = " +
           std::to_string(blockSize) + "\n[[module]]\nclass = \"" + className + "\"\nname = \"M\"\ninputs = " +
           std::to_string(inputs) + "\noutputs = " + std::to_string(outputs) + "\nboard = " + std::to_string(board) +
           "\n" + settings;
}

// A CSV recording of codes in the 0..10 V range, one row per `stepMs`.
std::string Recording(const char* header, const std::vector<int>& codes, double stepMs)
{
    std::string text = std::string(header) + "\n";
    char row[96];
    for (std::size_t i = 0; i < codes.size(); ++i) {
        std::snprintf(row, sizeof row, "%.6f,%.6f\n", i * stepMs / 1000.0, Volts(codes[i]));
        text += row;
    }
    return text;
}

class BoardProfileTest : public HostTest {
protected:
    // Reads and applies the profile, then starts the library; the profile's
    // timed faults are armed by start().
    void useProfile(const std::string& text)
    {
        std::string error;
        ASSERT_TRUE(standin::ReadBoardProfile(files_.write("board.toml", text), &profile_, &error)) << error;
        ASSERT_TRUE(loadLibrary());
        standin::ApplyBoardProfile(profile_, driver());
        ASSERT_EQ(host().setup(), 1u);
    }

    standin::HostModule* useWorksheet(const std::string& text)
    {
        std::vector<standin::HostModule*> placed;
        std::string error;
        EXPECT_TRUE(host().loadWorksheet(files_.write("sheet.toml", text), &placed, &error)) << error;
        return placed.empty() ? nullptr : placed[0];
    }

    void start()
    {
        standin::ArmTimedFaults(profile_, driver(), host().now());
        host().start();
    }

    // A whole measurement of `rounds` rounds, `ms` apart.
    void measure(unsigned rounds, std::uint32_t ms)
    {
        start();
        host().runRounds(rounds, ms);
        host().stop();
    }

    // Samples of one channel in time order, from the released blocks.
    std::vector<float> samples(const standin::HostModule* module, unsigned channel)
    {
        std::vector<float> values;
        for (const standin::ReleasedBlock& block : host().releasedBlocks(module, channel))
            values.insert(values.end(), block.samples.begin(), block.samples.end());
        return values;
    }

    // Lets the driver's posted notices reach the library's event window.
    void deliverNotices()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    TempFolder files_;
    standin::BoardProfile profile_;
};

TEST_F(BoardProfileTest, EverySignalKindAndReplayReachTheModuleUntilTheScheduledFaultStopsIt)
{
    files_.write("rec.csv", Recording("time_s,value", {100, 200, 4000, 0, 4095}, 1.0));
    files_.write("rec2.csv", "t_ms,a,b\n0,9,2.44140625\n2,9,4.8828125\n4,9,2.44140625\n");
    useProfile(u8R"(
[[board]]
slot = 4
number = 3
[[board.analog_input]]
channel = 0
range = "0～10V"
signal = "constant"
offset = 2.5
[[board.analog_input]]
channel = 1
range = "0..10V"
signal = "sine"
offset = 5.0
amplitude = 2.5
period_ms = 8
[[board.analog_input]]
channel = 2
range = "0..10V"
signal = "square"
offset = 5.0
amplitude = 2.5
period_ms = 8
phase_deg = 90
[[board.analog_input]]
channel = 3
range = "0..10V"
signal = "ramp"
offset = 5.0
amplitude = 2.5
period_ms = 8
[[board.analog_input]]
channel = 4
range = "0..10V"
signal = "triangle"
offset = 5.0
amplitude = 2.5
period_ms = 8
[[board.analog_input]]
channel = 5
range = "0..10V"
signal = "noise"
offset = 5.0
amplitude = 2.5
seed = 7
[[board.analog_input]]
channel = 6
range = "0..10V"
signal = "replay"
file = "rec.csv"
column = "value"
[[board.analog_input]]
channel = 7
range = "0..10V"
signal = "replay"
file = "rec2.csv"
time_column = "t_ms"
time_unit = "ms"
column = "b"
interpolate = "linear"
at_end = "hold"
[[board.fault]]
entry = "Torq7GetData"
from_ms = 45
error = 77
)");
    standin::HostModule* ad = useWorksheet(OneModuleWorksheet("TORQ7AD", 0, 8, 3, u8"input_range = \"0～10V\"\n", 10));
    ASSERT_NE(ad, nullptr);
    start();
    host().runRounds(10, kRound);
    EXPECT_FALSE(host().running()) << "the failed read stopped the measurement";

    // Codes of the first 40 samples (four blocks, read before the fault).
    const std::vector<int> periodic[] = {
        {1024},
        {2048, 2772, 3072, 2772, 2048, 1324, 1024, 1324},   // sine
        {3072, 3072, 1024, 1024, 1024, 1024, 3072, 3072},   // square, a quarter period ahead
        {1024, 1280, 1536, 1792, 2048, 2304, 2560, 2816},   // ramp
        {1024, 1536, 2048, 2560, 3072, 2560, 2048, 1536},   // triangle
    };
    for (unsigned channel = 0; channel < std::size(periodic); ++channel) {
        SCOPED_TRACE(testing::Message() << "channel " << channel);
        const std::vector<float> values = samples(ad, channel);
        ASSERT_GE(values.size(), 40u);
        for (std::size_t j = 0; j < 40; ++j)
            ASSERT_FLOAT_EQ(values[j], Volts(periodic[channel][j % periodic[channel].size()])) << "sample " << j;
    }
    const std::vector<float> noise = samples(ad, 5);
    std::set<float> distinct(noise.begin(), noise.begin() + 40);
    EXPECT_GT(distinct.size(), 30u);
    for (float value : noise) {
        EXPECT_GE(value, 2.5f);
        EXPECT_LE(value, 7.5f);
    }
    const int looped[] = {100, 200, 4000, 0, 4095};
    const int interpolated[] = {1000, 1500, 2000, 1500, 1000, 1000, 1000};
    const std::vector<float> replayed = samples(ad, 6);
    const std::vector<float> linear = samples(ad, 7);
    for (std::size_t j = 0; j < 40; ++j) {
        EXPECT_FLOAT_EQ(replayed[j], Volts(looped[j % 5])) << "sample " << j;
        EXPECT_FLOAT_EQ(linear[j], Volts(interpolated[std::min<std::size_t>(j, 6)])) << "sample " << j;
    }

    // The fault: the read at 50 ms fails, the library stops the run and warns once.
    const std::vector<standin::Warning> warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].caption, "Torq-Q7");
    EXPECT_EQ(warnings[0].text, "サンプリングデータ取得を失敗しました\nエラーコード： 77");
    EXPECT_EQ(host().stopRequests(), 1u);
    EXPECT_EQ(host().releasedBlocks(ad, 0).size(), 4u) << "only the sets read before the fault reach the host";
}

TEST_F(BoardProfileTest, ReplayHoldsOrInterpolatesAndLoopsOrHoldsAtTheEnd)
{
    struct Case {
        const char* recording;
        const char* keys;
        std::vector<int> codes;   // samples at 0 to 11 ms
    };
    // Codes 0, 2048 and 1024 at 0, 2 and 4 ms: a loop lasts 6 ms.
    const char* kSteps = "time_s,value\n0,0\n0.002,5\n0.004,2.5\n";
    const Case kCases[] = {
        {kSteps, "", {0, 0, 2048, 2048, 1024, 1024, 0, 0, 2048, 2048, 1024, 1024}},
        {kSteps, "at_end = \"hold\"", {0, 0, 2048, 2048, 1024, 1024, 1024, 1024, 1024, 1024, 1024, 1024}},
        {kSteps, "interpolate = \"linear\"\nat_end = \"hold\"",
         {0, 1024, 2048, 1536, 1024, 1024, 1024, 1024, 1024, 1024, 1024, 1024}},
        {kSteps, "interpolate = \"linear\"", {0, 1024, 2048, 1536, 1024, 512, 0, 1024, 2048, 1536, 1024, 512}},
        {"time_s,value\n10,5\n10.003,7.5\n", "",
         {2048, 2048, 2048, 3072, 3072, 3072, 2048, 2048, 2048, 3072, 3072, 3072}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.recording << c.keys);
        freshHost();
        files_.write("rec.csv", c.recording);
        useProfile(std::string("[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nrange = \"0..10V\"\n"
                               "signal = \"replay\"\nfile = \"rec.csv\"\ncolumn = \"value\"\n") +
                   c.keys + "\n");
        standin::HostModule* ad = useWorksheet(OneModuleWorksheet("TORQ7AD", 0, 1, 0, u8"input_range = \"0～10V\"\n", 6));
        ASSERT_NE(ad, nullptr);
        measure(2, 6);
        const std::vector<float> values = samples(ad, 0);
        ASSERT_EQ(values.size(), c.codes.size());
        for (std::size_t j = 0; j < values.size(); ++j)
            EXPECT_FLOAT_EQ(values[j], Volts(c.codes[j])) << "sample " << j;
    }
}

TEST_F(BoardProfileTest, DigitalInputPortSourcesGiveTheirBytesReadByRead)
{
    struct Case {
        const char* port;
        std::vector<float> bit0;   // first 12 samples of channel 0
    };
    files_.write("port.csv", "time_s,port\n0,1\n0.001,0\n0.002,1\n");
    const float H = 5.0f;
    const Case kCases[] = {
        {"source = \"constant\"\nvalue = 0xFF", {H, H, H, H, H, H, H, H, H, H, H, H}},
        {"source = \"counter\"", {0, H, 0, H, 0, H, 0, H, 0, H, 0, H}},
        {"source = \"counter\"\nstart = 3\nstep = 2", {H, H, H, H, H, H, H, H, H, H, H, H}},
        {"source = \"pattern\"\nvalues = [1, 0, 0]", {H, 0, 0, H, 0, 0, H, 0, 0, H, 0, 0}},
        {"source = \"pattern\"\nvalues = [1, 1, 0]\nat_end = \"hold\"", {H, H, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"source = \"replay\"\nfile = \"port.csv\"\ncolumn = \"port\"", {H, 0, H, H, 0, H, H, 0, H, H, 0, H}},
        {"source = \"replay\"\nfile = \"port.csv\"\ncolumn = \"port\"\nat_end = \"hold\"",
         {H, 0, H, H, H, H, H, H, H, H, H, H}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.port);
        freshHost();
        useProfile(std::string("[[board]]\nslot = 0\n[board.digital_input]\n") + c.port + "\n");
        standin::HostModule* din = useWorksheet(OneModuleWorksheet("TORQ7DI", 0, 1, 0, "", 6));
        ASSERT_NE(din, nullptr);
        measure(2, 6);
        const std::vector<float> values = samples(din, 0);
        ASSERT_GE(values.size(), c.bit0.size());
        EXPECT_EQ(std::vector<float>(values.begin(), values.begin() + c.bit0.size()), c.bit0);
    }
}

TEST_F(BoardProfileTest, FaultsFailTheirCallsWithTheirCodeFromTheirCallOrTime)
{
    struct Case {
        const char* fault;
        std::size_t warnings;   // failed port reads, one warning each
        std::uint32_t reads;    // until the stop: blocks of 5 reads, one per 5 ms round
    };
    const Case kCases[] = {
        {"at_call = 3", 1, 5},
        {"at_call = 2\ncount = 2", 2, 5},
        {"from_ms = 0\ncount = 3", 3, 5},
        {"from_ms = 0\ncount = 0", 5, 5},
        {"from_ms = 7", 1, 10},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.fault);
        freshHost();
        useProfile(std::string("[[board]]\nslot = 1\nnumber = 9\n[[board.fault]]\nentry = \"Torq7InPort\"\nerror = 55\n") +
                   c.fault + "\n");
        ASSERT_NE(useWorksheet(OneModuleWorksheet("TORQ7DI", 0, 1, 9, "", 5)), nullptr);
        start();
        host().runRounds(4, 5);
        const std::vector<standin::Warning> warnings = host().warnings();
        ASSERT_EQ(warnings.size(), c.warnings);
        EXPECT_EQ(warnings[0].caption, "サンプリングエラー");
        EXPECT_EQ(warnings[0].text, "LogSlot = 9\nChannel = 0\nErrCode = 55");
        EXPECT_FALSE(host().running());
        EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_INPORT, 9), c.reads) << "the block was completed after a failed read";
    }
}

TEST_F(BoardProfileTest, ALibraryThatFallsBehindASmallDriverBufferGetsTheOverflowNotice)
{
    struct Case {
        const char* buffer;
        std::size_t warnings;
    };
    const Case kCases[] = {{"", 0}, {"buffer_words = 100\n", 1}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.buffer);
        freshHost();
        useProfile(std::string("[[board]]\nslot = 0\n") + c.buffer);
        ASSERT_NE(useWorksheet(OneModuleWorksheet("TORQ7AD", 0, 8, 0, "", 10)), nullptr);
        start();
        host().advanceClock(50);   // five sets of 80 words while the library does not read
        host().runRound();
        deliverNotices();
        host().runRound();
        const std::vector<standin::Warning> warnings = host().warnings();
        ASSERT_EQ(warnings.size(), c.warnings);
        if (c.warnings > 0) {
            EXPECT_EQ(warnings[0].text, "バッファオーバーフロー");
            EXPECT_FALSE(host().running());
        }
        host().stop();
    }
}

// A board's clock ahead, behind or drifting moves the moments its sets are
// complete, and with them the library's reads.
TEST_F(BoardProfileTest, TheBoardsClockMovesWhenItsSetsAreComplete)
{
    struct Case {
        const char* clock;
        std::uint32_t firstRead;    // ms after the start, sets of 10 ms
        std::uint32_t setsIn10s;
    };
    const Case kCases[] = {
        {"", 10, 1000},
        {"clock_lead_ms = 3\n", 7, 1000},
        {"clock_lead_ms = -3\n", 13, 999},
        {"clock_ppm = 1000\n", 10, 1001},
        {"clock_ppm = -1000\n", 11, 999},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.clock);
        freshHost();
        useProfile(std::string("[[board]]\nslot = 0\n") + c.clock);
        ASSERT_NE(useWorksheet(OneModuleWorksheet("TORQ7AD", 0, 1, 0, "", 10)), nullptr);
        start();
        host().runRounds(c.firstRead - 1, 1);
        EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_GETDATA, 0), 0u);
        host().runRounds(1, 1);
        EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_GETDATA, 0), 1u);
        host().runRounds(10000 - c.firstRead, 1);
        EXPECT_EQ(driver().SimTorq7_CountCalls(SIM_GETDATA, 0), c.setsIn10s);
        EXPECT_TRUE(host().warnings().empty());
        host().stop();
    }
}

// A run recorded as the stand-in host writes it (headed by the channel's
// name), replayed at the same interval without naming a column, gives the
// very same samples, sample for sample.
TEST_F(BoardProfileTest, ARecordedRunReplaysToTheSameCodes)
{
    const std::string worksheet = OneModuleWorksheet("TORQ7AD", 0, 2, 0, u8"input_range = \"±10V\"\n", 50);
    useProfile(u8R"(
[[board]]
slot = 0
[[board.analog_input]]
channel = 0
range = "±10V"
signal = "noise"
offset = 0
amplitude = 9.9
seed = 11
[[board.analog_input]]
channel = 1
range = "-10..10V"
signal = "triangle"
offset = -1
amplitude = 8
period_ms = 37
)");
    standin::HostModule* ad = useWorksheet(worksheet);
    ASSERT_NE(ad, nullptr);
    measure(6, 50);
    const std::vector<float> recorded[] = {samples(ad, 0), samples(ad, 1)};
    ASSERT_EQ(recorded[0].size(), 300u);
    ASSERT_TRUE(standin::WriteRunCsv(host(), files_.path() + "run"));

    freshHost();
    useProfile(u8R"(
[[board]]
slot = 0
[[board.analog_input]]
channel = 0
range = "±10V"
signal = "replay"
file = "run/M-ch0.csv"
[[board.analog_input]]
channel = 1
range = "±10V"
signal = "replay"
file = "run/M-ch1.csv"
interpolate = "linear"
)");
    ad = useWorksheet(worksheet);
    ASSERT_NE(ad, nullptr);
    measure(6, 50);
    EXPECT_EQ(samples(ad, 0), recorded[0]);
    EXPECT_EQ(samples(ad, 1), recorded[1]);
    for (const char* file : {"run\\M-ch0.csv", "run\\M-ch1.csv", "run\\channels.tsv"})
        DeleteFileA((files_.path() + file).c_str());
    RemoveDirectoryA((files_.path() + "run").c_str());
}

TEST_F(BoardProfileTest, MistakesAreRefusedWithFileLineAndWhatIsWrong)
{
    struct Case {
        const char* profile;
        const char* expected;   // after "board.toml:"
    };
    files_.write("rec.csv", "time_s,value\n0,1\n0.001,2\n");
    files_.write("bad.csv", "time_s,value\n0,1\n0.001,x\n");
    const Case kCases[] = {
        {"[[board]]\nslot = 0\nslott = 1\n", "3: unknown key 'slott'"},
        {"[[board]]\nslot = \"zero\"\n", "2: 'slot' must be an integer, not a text"},
        {"[[board]]\nslot = 16\n", "2: 'slot' is 16, outside 0..15"},
        {"[[board]]\nslot = 0\nclock_ppm = 5000\n", "3: 'clock_ppm' is 5000, outside -1000..1000"},
        {"[[board]]\nnumber = 2\n", "1: the key 'slot' is missing"},
        {"[[board]]\nslot = 0\nnumber =\n", "3: "},
        {"[[board]]\nslot = 0\n[[board]]\nslot = 0\n", "3: slot 0 is described twice"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 1\nsignal = \"saw\"\n", "5: 'signal' is 'saw', not one of"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 1\nsignal = \"sine\"\nseed = 4\n",
         "6: unknown key 'seed'"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 8\nsignal = \"sine\"\n", "4: 'channel' is 8, outside 0..7"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nrange = \"0..7V\"\nsignal = \"sine\"\n",
         "5: 'range' is '0..7V', not one of"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"sine\"\nperiod_ms = \"1s\"\n",
         "6: 'period_ms' must be a number, not a text"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\nfile = \"rec.csv\"\n"
         "column = \"volts\"\n",
         "7: no column 'volts' in"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\nfile = \"rec.csv\"\n"
         "column = \"value\"\ntime_column = \"t\"\n",
         "8: no time column 't' in"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\nfile = \"none.csv\"\n"
         "column = \"value\"\n",
         "6: replay file: "},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\nfile = \"bad.csv\"\n"
         "column = \"value\"\n",
         "6: replay file: "},
        {"[[board]]\nslot = 0\n[board.digital_input]\nsource = \"pattern\"\nvalues = [1, 300]\n",
         "5: every entry of 'values' must be an integer 0..255"},
        {"[[board]]\nslot = 0\n[[board.fault]]\nentry = \"Torq7GetData\"\nerror = 1\n", "3: a fault needs either"},
        {"[[board]]\nslot = 0\n[[board.fault]]\nentry = \"Torq7Read\"\nat_call = 1\nerror = 1\n",
         "4: 'entry' is 'Torq7Read', not one of"},
        {"boards = 1\n", "1: unknown key 'boards'"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.profile);
        standin::BoardProfile profile;
        profile.boards.resize(1);
        std::string error;
        const std::string path = files_.write("board.toml", c.profile);
        EXPECT_FALSE(standin::ReadBoardProfile(path, &profile, &error));
        EXPECT_EQ(error.rfind(path + ":" + c.expected, 0), 0u) << error;
        EXPECT_TRUE(profile.boards.empty()) << "nothing of a refused profile is kept";
    }
    std::string error;
    standin::BoardProfile profile;
    EXPECT_FALSE(standin::ReadBoardProfile(files_.path() + "missing.toml", &profile, &error));
    EXPECT_EQ(error, files_.path() + "missing.toml: the file cannot be opened: No such file or directory");
    const std::string bad = files_.write("board.toml", "[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\n"
                                                      "signal = \"replay\"\nfile = \"bad.csv\"\ncolumn = \"value\"\n");
    EXPECT_FALSE(standin::ReadBoardProfile(bad, &profile, &error));
    EXPECT_NE(error.find("bad.csv:3: 'x' in column 'value' is not a number"), std::string::npos) << error;
}

// With several mistakes the first one read is told: the keys that choose a
// table's kind, then the check of its keys against that kind, then its other
// values, a recording's file last; a board's own values before its tables,
// and its slot against the other boards' after them.
TEST_F(BoardProfileTest, OfSeveralMistakesTheFirstReadIsToldWithTheKeysItsKindTakes)
{
    struct Case {
        const char* profile;
        const char* expected;   // the whole message after "board.toml:"
    };
    const Case kCases[] = {
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 8\nsignal = \"sine\"\nseed = 4\n",
         "4: 'channel' is 8, outside 0..7"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"sine\"\noffset = \"x\"\nseed = 4\n",
         "7: unknown key 'seed' (known here: 'channel', 'range', 'signal', 'offset', 'amplitude', 'period_ms', "
         "'phase_deg')"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\noffset = 1\n",
         "6: unknown key 'offset' (known here: 'channel', 'range', 'signal', 'file', 'column', 'time_column', "
         "'time_unit', 'interpolate', 'at_end')"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"replay\"\ntime_unit = \"h\"\n",
         "6: 'time_unit' is 'h', not one of 's', 'ms'"},
        {"[[board]]\nslot = 0\n[[board.analog_input]]\nchannel = 0\nsignal = \"noise\"\n"
         "[[board.analog_input]]\nchannel = 0\nsignal = \"noise\"\nseed = -1\n",
         "6: analog input channel 0 is described twice"},
        {"[[board]]\nslot = 0\n[board.digital_input]\nsource = \"counter\"\nvalue = 3\n",
         "5: unknown key 'value' (known here: 'source', 'start', 'step')"},
        {"[[board]]\nslot = 0\n[board.digital_input]\nsource = \"replay\"\nvalues = [1]\n",
         "5: unknown key 'values' (known here: 'source', 'file', 'column', 'at_end')"},
        {"[[board]]\nslot = 0\n[board.digital_input]\nsource = \"pattern\"\nvalues = [1, 300]\nat_end = \"stop\"\n",
         "6: 'at_end' is 'stop', not one of 'loop', 'hold'"},
        {"[[board]]\nslot = 0\n[board.digital_input]\nsource = \"replay\"\nat_end = \"stop\"\n",
         "5: 'at_end' is 'stop', not one of 'loop', 'hold'"},
        {"[[board]]\nslot = 0\n[[board]]\nslot = 0\n[[board.fault]]\nentry = \"Torq7GetData\"\nerror = 1\n",
         "5: a fault needs either 'at_call' or 'from_ms'"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.profile);
        standin::BoardProfile profile;
        std::string error;
        const std::string path = files_.write("board.toml", c.profile);
        EXPECT_FALSE(standin::ReadBoardProfile(path, &profile, &error));
        EXPECT_EQ(error, path + ":" + c.expected);
    }
}

}  // namespace
}  // namespace torq7test
