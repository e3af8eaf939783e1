// Worksheets stored as TOML: every settings block comes back byte for byte,
// whatever it holds; settings are written and read by name; the earlier
// hexadecimal files are still read; and mistakes are refused with the file
// and line before anything is placed.
#include <cstring>

#include "RehearsalFiles.h"
#include "TestHost.h"
#include "sim/text/HexText.h"
#include "torq7m/modules/AdModuleData.h"
#include "torq7m/modules/DaModuleData.h"
#include "torq7m/modules/DiModuleData.h"
#include "torq7m/modules/DoModuleData.h"

namespace torq7test {
namespace {

constexpr std::uint16_t kBoard = 5;

struct Snapshot {
    std::string className;
    std::string name;
    unsigned inputs;
    unsigned outputs;
    std::vector<std::uint8_t> data;

    bool operator==(const Snapshot& other) const
    {
        return className == other.className && name == other.name && inputs == other.inputs &&
               outputs == other.outputs && data == other.data;
    }
};

std::vector<Snapshot> SnapshotOf(const std::vector<standin::HostModule*>& modules)
{
    std::vector<Snapshot> snapshot;
    for (const standin::HostModule* module : modules) {
        const auto* bytes = static_cast<const std::uint8_t*>(module->data());
        snapshot.push_back({module->className(), module->name(), module->inputs(), module->outputs(),
                            std::vector<std::uint8_t>(bytes, bytes + module->dataSize())});
    }
    return snapshot;
}

class WorksheetTomlTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoard);
    }

    // A fresh host with the board, and the file loaded there.
    std::vector<standin::HostModule*> reload(const std::string& path)
    {
        freshHost();
        startWithBoard(kBoard);
        std::vector<standin::HostModule*> placed;
        std::string error;
        EXPECT_TRUE(host().loadWorksheet(path, &placed, &error)) << error;
        return placed;
    }

    TempFolder files_;
};

TEST_F(WorksheetTomlTest, EverySettingsBlockComesBackByteForByte)
{
    standin::HostModule* ad = placeWithFirstBoard("TORQ7AD", {0, 3, "ＡＤ入力"});
    standin::HostModule* din = placeWithFirstBoard("TORQ7DI", {0, 2, "DIN"});
    standin::HostModule* dout = placeWithFirstBoard("TORQ7DO", {1, 0, "DOUT"});
    standin::HostModule* da = placeWithFirstBoard("TORQ7DA", {2, 0, "DA"});
    ASSERT_TRUE(ad && din && dout && da);
    host().connect(ad, 2, dout, 0);
    host().connect(din, 1, da, 1);
    // What no name covers or no name can express: start-time fields, gaps,
    // bytes after a name's end, a name that is not code page 932, indexes
    // out of range, a range index whose limits were changed.
    AdModuleData& adData = *ad->dataAs<AdModuleData>();
    std::strcpy(adData.szChannelName[0], "温度");
    std::memcpy(adData.szChannelName[1], "ab\0junk", 7);
    std::memcpy(adData.szChannelName[2], "\x81\xff\x82", 3);
    std::memset(adData.szChannelName[3], 'x', sizeof adData.szChannelName[3]);
    adData.gap194[1] = 0x5A;
    adData.nInputRange = 3;
    adData.fRangeLow = -4.5f;
    adData.nBufferSize = 11;
    adData.nStartMethod = 1;
    adData.dwTotalSamples = 800;
    adData.pSampleBuffer = 0x12345678;
    adData.Mode = {0, 2, 8192, 0x14, 2};
    DiModuleData& diData = *din->dataAs<DiModuleData>();
    std::memcpy(diData.reserved194, "\x01\x02\x03\x04\x05\x06", 6);
    dout->dataAs<DoModuleData>()->pOutputBuffer = 0xCAFE;
    da->dataAs<DaModuleData>()->nOutputRange = 0xFFFFFFFF;
    const std::vector<Snapshot> before = SnapshotOf(host().modules());

    const std::string path = files_.remember("sheet.toml");
    ASSERT_TRUE(host().saveWorksheet(path));
    const std::string text = files_.read(path);
    EXPECT_NE(text.find(u8"input_range = \"±5V\""), std::string::npos) << text;
    EXPECT_NE(text.find(u8"start_method = \"外部トリガ\""), std::string::npos) << text;
    EXPECT_NE(text.find(u8"channel_names = [\"温度\", \"ab\""), std::string::npos) << text;
    EXPECT_NE(text.find(u8"from = \"ＡＤ入力\""), std::string::npos) << text;
    EXPECT_EQ(text.find("buffer_words"), std::string::npos) << "index 11 has no size: left to the raw bytes";

    const std::vector<standin::HostModule*> placed = reload(path);
    EXPECT_EQ(SnapshotOf(placed), before);
    ASSERT_EQ(placed.size(), 4u);
    const std::string again = files_.remember("again.toml");
    ASSERT_TRUE(host().saveWorksheet(again));
    EXPECT_EQ(files_.read(again), text) << "storing a restored worksheet gives the same file";
}

TEST_F(WorksheetTomlTest, AHandWrittenWorksheetSetsEveryFieldByName)
{
    const std::string path = files_.write("hand.toml", u8R"toml(format = "standin-worksheet"
version = 2
[timebase]
ms_per_sample = 0.5
block_size = 40
[[module]]
class = "TORQ7AD"
name = "圧力"
inputs = 0
outputs = 2
board = 5
channel_names = ["上流", "下流"]
input_range = "±5V"
buffer_mode = "デバイスメモリ"
buffer_words = 65536
start_method = "外部トリガ"
[[module]]
class = "TORQ7DA"
name = "DA"
inputs = 1
outputs = 0
board = 5
output_range = "±10V(-10.000〜9.995)"   # typed with U+301C, as many input methods give it
)toml");
    const std::vector<standin::HostModule*> placed = reload(path);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(host().millisecondsPerSample(), 0.5);
    EXPECT_EQ(host().blockSize(), 40u);
    EXPECT_EQ(placed[0]->name(), "圧力");
    const AdModuleData& ad = *placed[0]->dataAs<AdModuleData>();
    EXPECT_STREQ(ad.szChannelName[0], "上流");
    EXPECT_STREQ(ad.szChannelName[1], "下流");
    EXPECT_STREQ(ad.szChannelName[2], "ﾁｬﾝﾈﾙ 2") << "names not given keep the defaults";
    EXPECT_EQ(ad.wBoardNumber, kBoard);
    EXPECT_EQ(ad.nInputRange, 3);
    EXPECT_EQ(ad.wRangeSpan, 10);
    EXPECT_EQ(ad.fRangeHigh, 5.0f);
    EXPECT_EQ(ad.fRangeLow, -5.0f);
    EXPECT_EQ(ad.nBufferMode, 1);
    EXPECT_EQ(ad.nBufferSize, 3);
    EXPECT_EQ(ad.nStartMethod, 1);
    EXPECT_EQ(ad.pSampleBuffer, 0u);
    EXPECT_EQ(placed[1]->dataAs<DaModuleData>()->nOutputRange, 4u);
    for (const standin::ModuleResult& result : host().moduleResults())
        EXPECT_EQ(result.result, 1u) << "MODMSG_LOADED found the board";
}

TEST_F(WorksheetTomlTest, EarlierHexadecimalWorksheetsAreStillRead)
{
    DaModuleData da{};
    std::strcpy(da.szChannelName[0], "out");
    da.wBoardNumber = kBoard;
    da.nOutputRange = 2;
    DiModuleData di{};
    di.wBoardNumber = kBoard;
    const std::string path = files_.write(
        "old.worksheet", "standin-worksheet 1\ntimebase 2 50\nmodule TORQ7DI 0 1\nname " + standin::ToHex("DIN", 3) +
                             "\ndata " + standin::ToHex(&di, sizeof di) + "\nmodule TORQ7DA 1 0\nname " +
                             standin::ToHex("DA", 2) + "\ndata " + standin::ToHex(&da, sizeof da) +
                             "\nconnect 0 0 1 0\n");
    const std::vector<standin::HostModule*> placed = reload(path);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(std::memcmp(placed[1]->data(), &da, sizeof da), 0);
    EXPECT_EQ(placed[0]->name(), "DIN");
    EXPECT_EQ(host().blockSize(), 50u);
}

TEST_F(WorksheetTomlTest, MistakesAreRefusedWithFileLineAndNothingIsPlaced)
{
    struct Case {
        const char* modules;   // after the header's three lines
        const char* expected;  // after "sheet.toml:"
    };
    const Case kCases[] = {
        {"[[module]]\nclass = \"TORQ7DI\"\ninputs = 0\noutputs = 1\nboard = 5\ncolour = 1\n", "9: unknown key 'colour'"},
        {"[[module]]\nclass = \"TORQ7DI\"\ninputs = \"0\"\noutputs = 1\nboard = 5\n",
         "6: 'inputs' must be an integer, not a text"},
        {"[[module]]\nclass = \"TORQ7DI\"\ninputs = 0\noutputs = 9\nboard = 5\n", "7: 'outputs' is 9, outside 0..8"},
        {"[[module]]\nclass = \"TORQ7DI\"\ninputs = 0\noutputs = 1\n", "4: the key 'board' is missing"},
        {"[[module]]\nclass = \"TORQ7XX\"\n", "5: 'class' is 'TORQ7XX', not one of"},
        {"[[module]]\nclass = \"TORQ7AD\"\ninputs = 0\noutputs = 1\nboard = 5\ninput_range = \"0-7V\"\n",
         "9: 'input_range' is '0-7V', not one of"},
        {"[[module]]\nclass = \"TORQ7AD\"\ninputs = 0\noutputs = 1\nboard = 5\nbuffer_words = 10000\n",
         "9: 'buffer_words' is 10000, not one of the buffer sizes"},
        {"[[module]]\nclass = \"TORQ7DI\"\ninputs = 0\noutputs = 1\nboard = 5\n"
         "channel_names = [\"abcdefghijklmnopqrstuvwxyz\"]\n",
         "9: channel name is 26 bytes in code page 932, at most 23 fit"},
        {"[[module]]\nclass = \"TORQ7DI\"\ninputs = 0\noutputs = 1\nboard = 5\nchannel_names = [\"a\", \"\\u00e9\\U0001F600\"]\n",
         "9: channel name has characters that code page 932 cannot hold"},
        {"[[module]]\nclass = \"TORQ7DA\"\ninputs = 1\noutputs = 0\nboard = 5\nraw = [{ offset = 54, bytes = \"000000\" }]\n",
         "9: the raw bytes run past the end"},
        {"[[module]]\nclass = \"TORQ7DI\"\nname = \"A\"\ninputs = 0\noutputs = 1\nboard = 5\n"
         "[[connection]]\nfrom = \"B\"\noutput = 0\nto = 0\ninput = 0\n",
         "11: 'from': no module is named B"},
        {"[[module]]\nclass = \"TORQ7DI\"\nname = \"A\"\ninputs = 0\noutputs = 1\nboard = 5\n"
         "[[connection]]\nfrom = \"A\"\noutput = 1\nto = 0\ninput = 0\n",
         "12: module 'A' has only 1 output"},
        {"[[module]]\nclass = \"TORQ7DI\"\ninputs = 0\noutputs = 1\nboard = 5\n[[module]]\nclass = \"TORQ7DI\"\n"
         "inputs = 0\noutputs = 1\nboard = \n",
         "13: "},
        // An unknown key's message lists every key a module of its class may have.
        {"[[module]]\nclass = \"TORQ7AD\"\ninputs = 0\noutputs = 1\nboard = 5\ncolour = 1\n",
         "9: unknown key 'colour' (known here: 'class', 'name', 'name_hex', 'description', 'description_hex', "
         "'inputs', 'outputs', 'board', 'channel_names', 'raw', 'input_range', 'buffer_mode', 'buffer_words', "
         "'start_method')"},
        // Of two mistakes the one found first is told, wherever it stands in
        // the file: the class before the other keys, the settings fields and
        // the module's name before the raw bytes, a connection's ends in order.
        {"[[module]]\ncolour = 1\nclass = \"TORQ7XX\"\n", "6: 'class' is 'TORQ7XX', not one of"},
        {"[[module]]\nclass = \"TORQ7AD\"\ninputs = 0\noutputs = 1\nboard = 5\nraw = [{ offset = 999, bytes = \"00\" }]\n"
         "buffer_words = 10000\n",
         "10: 'buffer_words' is 10000, not one of the buffer sizes"},
        {"[[module]]\nclass = \"TORQ7DI\"\nname = \"A\"\ninputs = 0\noutputs = 1\nboard = 5\n[[module]]\nclass = \"TORQ7DI\"\n"
         "raw = [{ offset = 0, bytes = \"zz\" }]\nname = \"A\"\ninputs = 0\noutputs = 1\nboard = 5\n",
         "13: a module named 'A' is already in the worksheet"},
        {"[[module]]\nclass = \"TORQ7DI\"\nname = \"A\"\ninputs = 0\noutputs = 1\nboard = 5\n"
         "[[connection]]\noutput = 99\nfrom = \"B\"\nto = 0\ninput = 0\n",
         "12: 'from': no module is named B"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.modules);
        const std::string path =
            files_.write("sheet.toml", std::string("format = \"standin-worksheet\"\nversion = 2\n\n") + c.modules);
        std::vector<standin::HostModule*> placed;
        std::string error;
        EXPECT_FALSE(host().loadWorksheet(path, &placed, &error));
        EXPECT_EQ(error.rfind(path + ":" + c.expected, 0), 0u) << error;
        EXPECT_TRUE(placed.empty());
        EXPECT_TRUE(host().modules().empty()) << "nothing of a refused worksheet is placed";
    }
    const std::string wrongVersion = files_.write("sheet.toml", "format = \"standin-worksheet\"\nversion = 3\n");
    std::string error;
    EXPECT_FALSE(host().loadWorksheet(wrongVersion, nullptr, &error));
    EXPECT_EQ(error, wrongVersion + ":2: 'version' is 3, outside 2..2");
    // "０" as a Japanese input method types it (U+FF10, in UTF-8 bytes).
    const std::string fullWidth =
        files_.write("sheet.toml", "format = \"standin-worksheet\"\nversion = 2\n[timebase]\nblock_size = \xEF\xBC\x90\n");
    EXPECT_FALSE(host().loadWorksheet(fullWidth, nullptr, &error));
    EXPECT_EQ(error.rfind(fullWidth + ":4: ", 0), 0u) << error;
    EXPECT_NE(error.find("full-width digits"), std::string::npos) << error;
    EXPECT_FALSE(host().loadWorksheet(files_.path() + "none.toml", nullptr, &error));
    EXPECT_EQ(error, files_.path() + "none.toml: the file cannot be opened: No such file or directory");
}

}  // namespace
}  // namespace torq7test
