// Faults that the worksheet fuzzer found, each pinned down by the case that
// shows it most plainly. (Every failing fuzz case is also kept in
// tests/fuzz-corpus and replayed by WorksheetFuzz.CorpusCases.)
#include <cmath>
#include <limits>
#include <vector>

#include "SessionScript.h"

namespace torq7test {
namespace {

class DamagedWorksheetTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        startWithBoard(kSessionBoard);
    }
};

// Found by the fuzzer: an analog input block whose stored range ends are not
// numbers delivered samples that were not numbers, without a word. Now the
// start warns and the samples are converted with the first range, 0 to 5 V;
// the stored block keeps its bytes.
TEST_F(DamagedWorksheetTest, AnalogInputRangeThatIsNoNumberWarnsAndConvertsWithTheFirstRange)
{
    const SessionClass& cls = kSessionClasses[0];
    const float kBroken[][2] = {
        {std::numeric_limits<float>::quiet_NaN(), 0.0f},
        {5.0f, -std::numeric_limits<float>::infinity()},
    };
    for (const auto& range : kBroken) {
        std::vector<std::uint8_t> data = DefaultStoredData(cls, kSessionBoard);
        AdModuleData ad;
        std::memcpy(&ad, data.data(), sizeof ad);
        ad.fRangeHigh = range[0];
        ad.fRangeLow = range[1];
        data = BytesOf(ad);
        std::vector<standin::HostModule*> placed;
        ASSERT_TRUE(host().restoreModules({StoredModuleOf(cls, data)}, &placed));
        const SimSignal signal{SIM_SIGNAL_CONSTANT, 2048.0, 0.0, 0.0, 0};   // the middle of the range
        driver().SimTorq7_SetSignal(kSessionBoard, 0, &signal);
        driver().SimTorq7_SetSignal(kSessionBoard, 1, &signal);

        ASSERT_TRUE(host().start(kSessionMsPerSample, kSessionBlockSize));
        ASSERT_EQ(host().warnings().size(), 1u);
        EXPECT_EQ(host().warnings()[0].caption, "Torq-Q7 ERROR");
        EXPECT_EQ(host().warnings()[0].text, "入力レンジの設定が壊れています\n0～5V で変換します");
        EXPECT_EQ(host().stopRequests(), 0u);
        measure(5);
        host().stop();

        const std::vector<standin::ReleasedBlock> blocks = host().releasedBlocks(placed[0], 0);
        ASSERT_FALSE(blocks.empty());
        for (const standin::ReleasedBlock& block : blocks)
            EXPECT_EQ(block.samples, std::vector<float>(kSessionBlockSize, 2.5f));
        AdModuleData after;
        std::memcpy(&after, placed[0]->data(), sizeof after);
        EXPECT_EQ(std::memcmp(&after.fRangeHigh, &ad.fRangeHigh, 2 * sizeof(float)), 0) << "the stored range was rewritten";
        host().deleteModule(placed[0]);
        host().clearRecords();
    }
}

}  // namespace
}  // namespace torq7test
