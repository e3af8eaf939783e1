// The channel bar of the settings dialogs without a window: counts, the
// selection, the states of its tabs and arrows, and the names it keeps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "torq7m/ui/ChannelBarModel.h"
#include "torq7m/ui/ControlMessages.h"

namespace {

constexpr std::uint32_t kMax = 8;

class ChannelBarModelTest : public ::testing::Test {
protected:
    ChannelBarModel open(std::uint32_t hostCount, std::uint32_t channelMax = kMax, bool locked = false)
    {
        for (std::uint32_t i = 0; i < kMax; ++i)
            std::snprintf(names_[i], sizeof names_[i], "name %u", static_cast<unsigned>(i));
        return OpenChannelBar(hostCount, channelMax, locked, names_);
    }

    static std::vector<unsigned> Tabs(const ChannelBarModel& bar)
    {
        std::vector<unsigned> states;
        for (std::uint32_t i = 0; i < bar.channelMax; ++i)
            states.push_back(TabState(bar, i));
        return states;
    }

    ChannelName names_[kMax];
};

constexpr unsigned S = TAB_SELECTED;
constexpr unsigned P = TAB_PRESENT;
constexpr unsigned A = TAB_ABSENT;

TEST_F(ChannelBarModelTest, OpensWithTheHostCountKeptToOneUpToTheMaximum)
{
    struct Case {
        std::uint32_t hostCount;
        std::uint32_t channelMax;
        std::uint32_t count;
    };
    constexpr Case kCases[] = {{0, 8, 1}, {1, 8, 1}, {5, 8, 5}, {8, 8, 8}, {9, 8, 8}, {0xFFFFFFFF, 2, 2}, {3, 2, 2}};
    for (const Case& c : kCases) {
        const ChannelBarModel bar = open(c.hostCount, c.channelMax);
        EXPECT_EQ(bar.count, c.count) << c.hostCount << " of " << c.channelMax;
        EXPECT_EQ(bar.selected, 0u);
    }
}

TEST_F(ChannelBarModelTest, ArrowsFollowTheCountAndAreDisabledWhenLocked)
{
    struct Case {
        std::uint32_t count;
        std::uint32_t channelMax;
        bool locked;
        unsigned less;
        unsigned more;
    };
    constexpr Case kCases[] = {
        {1, 8, false, ARROW_LESS_DISABLED, ARROW_MORE_ENABLED}, {2, 8, false, ARROW_LESS_ENABLED, ARROW_MORE_ENABLED},
        {8, 8, false, ARROW_LESS_ENABLED, ARROW_MORE_DISABLED}, {1, 2, false, ARROW_LESS_DISABLED, ARROW_MORE_ENABLED},
        {2, 2, false, ARROW_LESS_ENABLED, ARROW_MORE_DISABLED}, {4, 8, true, ARROW_LESS_DISABLED, ARROW_MORE_DISABLED},
    };
    for (const Case& c : kCases) {
        ChannelBarModel bar = open(c.count, c.channelMax, c.locked);
        EXPECT_EQ(LessArrowState(bar), c.less) << c.count << " of " << c.channelMax;
        EXPECT_EQ(MoreArrowState(bar), c.more) << c.count << " of " << c.channelMax;
        EXPECT_EQ(CanChangeCount(bar, false), c.less == ARROW_LESS_ENABLED);
        EXPECT_EQ(CanChangeCount(bar, true), c.more == ARROW_MORE_ENABLED);
        // a closed way changes nothing
        const std::uint32_t before = bar.count;
        if (c.less == ARROW_LESS_DISABLED)
            ChangeCount(bar, false);
        if (c.more == ARROW_MORE_DISABLED)
            ChangeCount(bar, true);
        EXPECT_EQ(bar.count, before);
    }
}

TEST_F(ChannelBarModelTest, AddingAndRemovingMoveTheCountAndTheTabs)
{
    ChannelBarModel bar = open(2);
    EXPECT_EQ(Tabs(bar), (std::vector<unsigned>{S, P, A, A, A, A, A, A}));
    ChangeCount(bar, true);
    EXPECT_EQ(Tabs(bar), (std::vector<unsigned>{S, P, P, A, A, A, A, A}));
    for (int i = 0; i < 10; ++i)
        ChangeCount(bar, true);
    EXPECT_EQ(bar.count, kMax);
    for (int i = 0; i < 10; ++i)
        ChangeCount(bar, false);
    EXPECT_EQ(bar.count, 1u);
    EXPECT_EQ(Tabs(bar), (std::vector<unsigned>{S, A, A, A, A, A, A, A}));
}

TEST_F(ChannelBarModelTest, RemovingTheSelectedChannelSelectsTheNewLastOne)
{
    ChannelBarModel bar = open(5);
    ASSERT_TRUE(ChannelExists(bar, 4));
    SelectChannel(bar, 4);
    EXPECT_EQ(Tabs(bar), (std::vector<unsigned>{P, P, P, P, S, A, A, A}));
    ChangeCount(bar, false);
    EXPECT_EQ(bar.selected, 3u);
    EXPECT_EQ(Tabs(bar), (std::vector<unsigned>{P, P, P, S, A, A, A, A}));
    SelectChannel(bar, 1);
    ChangeCount(bar, false);
    EXPECT_EQ(bar.selected, 1u) << "a selection below the count stays";
}

TEST_F(ChannelBarModelTest, OnlyExistingChannelsCanBeSelected)
{
    ChannelBarModel bar = open(3);
    EXPECT_FALSE(ChannelExists(bar, 3));
    SelectChannel(bar, 3);
    SelectChannel(bar, 0xFFFFFFFF);
    EXPECT_EQ(bar.selected, 0u);
    SelectChannel(bar, 2);
    EXPECT_EQ(bar.selected, 2u);
}

TEST_F(ChannelBarModelTest, NamesOfRemovedChannelsComeBackWhenAddedAgain)
{
    ChannelBarModel bar = open(5);
    ChangeCount(bar, false);
    ChangeCount(bar, false);
    ChangeCount(bar, true);
    ChangeCount(bar, true);
    EXPECT_EQ(bar.count, 5u);
    EXPECT_STREQ(names_[3], "name 3");
    EXPECT_STREQ(names_[4], "name 4");
}

TEST_F(ChannelBarModelTest, StoredNamesAreCutAndCopiedOnlyToExistingChannels)
{
    ChannelBarModel bar = open(3);
    SelectChannel(bar, 1);
    StoreSelectedName(bar, "表表表表表表表表表表");   // 20 bytes: one character too many
    EXPECT_STREQ(names_[1], "表表表表表表表表表");
    CopySelectedNameToOthers(bar);
    EXPECT_STREQ(names_[0], "表表表表表表表表表");
    EXPECT_STREQ(names_[2], "表表表表表表表表表");
    for (unsigned i = 3; i < kMax; ++i)
        EXPECT_EQ(std::string(names_[i]), "name " + std::to_string(i)) << "channel " << i << " is not in use";
}

}  // namespace
