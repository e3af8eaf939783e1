// Two modules of one kind on one board, as a hand-edited or damaged stored
// worksheet brings them: both are restored, only one may measure, and the
// board is offered again only when the last of them is deleted.
#include <string>
#include <vector>

#include "SessionScript.h"

namespace torq7test {
namespace {

constexpr char kBoardMeasured[] =
    "ソケット 3 のボードは同じ種類の別のモジュールが測定に使っています\nこのモジュールは測定しません";

class BoardSharingTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        startWithBoard(kSessionBoard);
    }

    // Two modules of the class restored with the same board number.
    std::vector<standin::HostModule*> restoreTwo(const SessionClass& cls)
    {
        const standin::StoredModule stored = StoredModuleOf(cls, DefaultStoredData(cls, kSessionBoard));
        std::vector<standin::HostModule*> placed;
        EXPECT_TRUE(host().restoreModules({stored, stored}, &placed));
        EXPECT_EQ(placed.size(), 2u);
        EXPECT_TRUE(host().warnings().empty()) << "a restored module was refused";
        return placed;
    }

    std::uint32_t driverCalls(SimEntry entry) { return driver().SimTorq7_CountCalls(entry, kSessionBoard); }
};

// What reaches the board from two modules of a kind: the calls of one.
TEST_F(BoardSharingTest, SecondModuleOfAKindIsRefusedAtStartAndLeavesTheBoardToTheFirst)
{
    struct Case {
        const SessionClass& cls;
        SimEntry entry;               // the driver call that the board sees per sample or set
        std::uint32_t callsOfOne;     // of it, for one module over the measurement
    };
    constexpr unsigned kRounds = 4;
    constexpr std::uint32_t kSamplesOfOne = kRounds * 2 * kSessionBlockSize;   // two inputs
    const Case kCases[] = {
        {kSessionClasses[0], SIM_STARTSAMPLING, 1},
        {kSessionClasses[2], SIM_OUTPORT, kSamplesOfOne},
        {kSessionClasses[3], SIM_SETDATA, kSamplesOfOne},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.cls.className);
        SetUp();
        const std::vector<standin::HostModule*> placed = restoreTwo(c.cls);
        ASSERT_EQ(placed.size(), 2u);
        driver().SimTorq7_ClearLog();
        EXPECT_FALSE(host().start(kSessionMsPerSample, kSessionBlockSize));
        const auto warnings = host().warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].caption, "Torq-Q7 ERROR");
        EXPECT_EQ(warnings[0].text, kBoardMeasured);
        EXPECT_EQ(host().stopRequests(), 0u);
        measure(kRounds);
        EXPECT_EQ(driverCalls(c.entry), c.callsOfOne);
        EXPECT_EQ(driverCalls(SIM_SETMODE), c.entry == SIM_STARTSAMPLING ? 1u : 0u);
        // The refused module's inputs are handed back all the same.
        for (unsigned input = 0; input < placed[1]->inputs(); ++input)
            EXPECT_EQ(host().waitingInputBlocks(placed[1], input), 0u) << "input " << input;
        host().stop();

        // After the stop the same order holds again.
        host().clearRecords();
        EXPECT_FALSE(host().start(kSessionMsPerSample, kSessionBlockSize));
        EXPECT_EQ(host().warnings().size(), 1u);
        host().stop();
    }
}

TEST_F(BoardSharingTest, TwoDigitalInputModulesOnOneBoardBothMeasure)
{
    const std::vector<standin::HostModule*> placed = restoreTwo(kSessionClasses[1]);
    ASSERT_EQ(placed.size(), 2u);
    ASSERT_TRUE(host().start(kSessionMsPerSample, kSessionBlockSize));
    measure(3);
    host().stop();
    EXPECT_TRUE(host().warnings().empty());
    for (standin::HostModule* module : placed)
        EXPECT_EQ(host().releasedBlocks(module, 0).size(), 3u);
}

TEST_F(BoardSharingTest, BoardIsOfferedAgainOnlyWhenTheLastModuleOfTheKindHoldingItIsDeleted)
{
    const std::vector<standin::HostModule*> placed = restoreTwo(kSessionClasses[0]);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_FALSE(host().start(kSessionMsPerSample, kSessionBlockSize));
    host().stop();

    host().deleteModule(placed[0]);
    host().clearRecords();
    EXPECT_EQ(host().placeModule("TORQ7AD"), nullptr) << "the board was offered while a module holds it";
    ASSERT_EQ(host().warnings().size(), 1u);
    EXPECT_EQ(host().warnings()[0].text, "使えるデバイスがありません");

    // The module that was refused measures once it is alone on the board.
    host().clearRecords();
    driver().SimTorq7_ClearLog();
    EXPECT_TRUE(host().start(kSessionMsPerSample, kSessionBlockSize));
    EXPECT_TRUE(host().warnings().empty());
    EXPECT_EQ(driverCalls(SIM_STARTSAMPLING), 1u);
    host().stop();

    host().deleteModule(placed[1]);
    standin::HostModule* again = placeWithFirstBoard("TORQ7AD");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->dataAs<AdModuleData>()->wBoardNumber, kSessionBoard);
}

}  // namespace
}  // namespace torq7test
