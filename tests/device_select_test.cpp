// The board selection dialog that every new module opens: which boards it
// offers, what it shows of them, and how the user chooses or cancels.
#include <functional>
#include <string>
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/AdModuleData.h"
#include "torq7m/modules/DiModuleData.h"
#include "torq7m/modules/DoModuleData.h"
#include "torq7m/res/resource.h"

namespace torq7test {
namespace {

struct Board {
    std::uint32_t slot;
    std::uint32_t number;
    std::uint32_t portAddress;
    std::uint32_t portLength;
    std::uint32_t switchValue;
};

// Board numbers differ from the slots, so that a slot index returned in
// place of a board number (or the other way round) shows.
constexpr Board kBoards[] = {
    {1, 11, 0xE800, 32, 3},
    {4, 14, 0xD000, 16, 5},
    {9, 19, 0xC400, 64, 6},
};

const std::vector<std::string> kAllLabels = {"Torq-Q7 #0", "Torq-Q7 #1", "Torq-Q7 #2"};

HWND List(HWND dialog)
{
    return GetDlgItem(dialog, IDC_DEVSEL_LIST);
}

std::vector<std::string> Labels(HWND dialog)
{
    std::vector<std::string> labels;
    const auto count = SendMessageA(List(dialog), LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[64] = {};
        SendMessageA(List(dialog), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        labels.push_back(text);
    }
    return labels;
}

std::string Field(HWND dialog, int id)
{
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Highlights a list position as a click would: the selection, then the
// notification the list sends to the dialog.
void Highlight(HWND dialog, int position)
{
    SendMessageA(List(dialog), LB_SETCURSEL, position, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DEVSEL_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(List(dialog)));
}

// A key as the dialog's loop receives it: posted to the focused control.
void PostKey(HWND dialog, WPARAM key)
{
    HWND focus = GetFocus();
    PostMessageA(focus && IsChild(dialog, focus) ? focus : List(dialog), WM_KEYDOWN, key, 0);
}

void DoubleClick(HWND dialog, int position)
{
    RECT item{};
    SendMessageA(List(dialog), LB_GETITEMRECT, position, reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageA(List(dialog), WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(List(dialog), WM_LBUTTONUP, 0, point);
    PostMessageA(List(dialog), WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageA(List(dialog), WM_LBUTTONUP, 0, point);
}

class DeviceSelectTest : public HostTest {
protected:
    void startWithBoards()
    {
        ASSERT_TRUE(loadLibrary());
        for (const Board& board : kBoards) {
            const SimBoardConfig config{1, board.number, 1, board.portAddress, board.portLength, board.switchValue};
            driver().SimTorq7_SetBoard(board.slot, &config);
        }
        ASSERT_EQ(host().setup(), 1u);
    }

    // Places a module whose selection dialog is answered by `action`; the
    // labels it offered are kept in `labels`.
    standin::HostModule* place(const std::string& className, std::function<void(HWND)> action,
                               std::vector<std::string>* labels = nullptr)
    {
        host().whenDialogOpens([action, labels](HWND dialog) {
            if (labels)
                *labels = Labels(dialog);
            action(dialog);
        });
        return host().placeModule(className);
    }

    // The labels a new module of the class is offered (the dialog is cancelled).
    std::vector<std::string> offeredTo(const std::string& className)
    {
        std::vector<std::string> labels;
        EXPECT_EQ(place(className, [](HWND dialog) { PressButton(dialog, IDCANCEL); }, &labels), nullptr);
        return labels;
    }
};

TEST_F(DeviceSelectTest, OffersTheBoardsNotClaimedForTheKindAndReturnsTheSlot)
{
    startWithBoards();
    std::vector<std::string> labels;
    const auto choosePosition = [](int position) {
        return [position](HWND dialog) {
            Highlight(dialog, position);
            PressButton(dialog, IDOK);
        };
    };
    standin::HostModule* first = place("TORQ7AD", choosePosition(1), &labels);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(labels, kAllLabels);
    EXPECT_EQ(first->dataAs<AdModuleData>()->wBoardNumber, 14);

    standin::HostModule* second = place("TORQ7AD", choosePosition(1), &labels);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(labels, (std::vector<std::string>{"Torq-Q7 #0", "Torq-Q7 #1"}));
    EXPECT_EQ(second->dataAs<AdModuleData>()->wBoardNumber, 19) << "the list position was taken for the slot";

    // Claims count per kind: the digital output sees every board.
    EXPECT_EQ(offeredTo("TORQ7DO"), kAllLabels);
    EXPECT_EQ(offeredTo("TORQ7AD"), (std::vector<std::string>{"Torq-Q7 #0"}));
}

TEST_F(DeviceSelectTest, ShowsTheDetailsOfTheHighlightedBoard)
{
    startWithBoards();
    struct Details {
        std::string address, length, number, switchValue;
    };
    const auto detailsOf = [](HWND dialog) {
        return Details{Field(dialog, IDC_DEVSEL_PORT_ADDRESS), Field(dialog, IDC_DEVSEL_PORT_LENGTH),
                       Field(dialog, IDC_DEVSEL_SLOT), Field(dialog, IDC_DEVSEL_SWITCH_VALUE)};
    };
    int selectedAtOpen = -2;
    Details atOpen, afterReselect, third;
    EXPECT_EQ(place("TORQ7DI",
                    [&](HWND dialog) {
                        selectedAtOpen = static_cast<int>(SendMessageA(List(dialog), LB_GETCURSEL, 0, 0));
                        atOpen = detailsOf(dialog);
                        // Highlighting the board on display again leaves the fields alone.
                        SetDlgItemTextA(dialog, IDC_DEVSEL_PORT_ADDRESS, "kept");
                        Highlight(dialog, 0);
                        afterReselect = detailsOf(dialog);
                        Highlight(dialog, 2);
                        third = detailsOf(dialog);
                        PressButton(dialog, IDCANCEL);
                    }),
              nullptr);
    EXPECT_EQ(selectedAtOpen, 0);
    EXPECT_EQ(atOpen.address, "e800 H");
    EXPECT_EQ(atOpen.length, "32");
    EXPECT_EQ(atOpen.number, "11");
    EXPECT_EQ(atOpen.switchValue, "3");
    EXPECT_EQ(afterReselect.address, "kept");
    EXPECT_EQ(third.address, "c400 H");
    EXPECT_EQ(third.length, "64");
    EXPECT_EQ(third.number, "19");
    EXPECT_EQ(third.switchValue, "6");
}

TEST_F(DeviceSelectTest, KeysMouseAndCloseBoxChooseOrCancel)
{
    struct Case {
        const char* name;
        std::function<void(HWND)> action;
        int board;   // 0: cancelled
    };
    const Case kCases[] = {
        {"OK", [](HWND dialog) { PressButton(dialog, IDOK); }, 11},
        {"Enter",
         [](HWND dialog) {
             Highlight(dialog, 1);
             PostKey(dialog, VK_RETURN);
         },
         14},
        {"double click", [](HWND dialog) { DoubleClick(dialog, 2); }, 19},
        {"double click notice",
         [](HWND dialog) {
             Highlight(dialog, 1);
             SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DEVSEL_LIST, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(List(dialog)));
         },
         14},
        {"Escape", [](HWND dialog) { PostKey(dialog, VK_ESCAPE); }, 0},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }, 0},
        {"WM_CLOSE", [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }, 0},
        {"Cancel", [](HWND dialog) { PressButton(dialog, IDCANCEL); }, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        freshHost();
        startWithBoards();
        standin::HostModule* module = place("TORQ7DI", c.action);
        if (c.board == 0) {
            EXPECT_EQ(module, nullptr);
            EXPECT_EQ(offeredTo("TORQ7DI"), kAllLabels) << "a cancelled selection claimed a board";
        } else {
            ASSERT_NE(module, nullptr);
            EXPECT_EQ(module->dataAs<DiModuleData>()->wBoardNumber, c.board);
            EXPECT_EQ(offeredTo("TORQ7DI").size(), 2u);
        }
    }
}

// DialogBoxParam also ends without the user's answer: 0 when the owner is
// gone before or while the dialog is up, and whatever its loop makes of a
// WM_QUIT. None of these is a choice, and the first board stays free.
TEST_F(DeviceSelectTest, DialogEndedWithoutAnAnswerClaimsNothing)
{
    struct Case {
        const char* name;
        std::function<void(HWND)> action;
    };
    const Case kCases[] = {
        {"owner destroyed while open", [](HWND dialog) { DestroyWindow(GetWindow(dialog, GW_OWNER)); }},
        {"WM_QUIT in its loop", [](HWND) { PostQuitMessage(0); }},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        freshHost();
        startWithBoards();
        EXPECT_EQ(place("TORQ7AD", c.action), nullptr);
        // the quit the dialog's loop passed on is the test's, not the host's
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        EXPECT_EQ(offeredTo("TORQ7AD"), kAllLabels) << "a board was claimed without a choice";
    }

    // Owner gone before the dialog: a module on the second board, whose
    // window the host has lost, is sent its create again.
    freshHost();
    startWithBoards();
    standin::HostModule* module = place("TORQ7AD", [](HWND dialog) {
        Highlight(dialog, 1);
        PressButton(dialog, IDOK);
    });
    ASSERT_NE(module, nullptr);
    DestroyWindow(module->window());
    const std::size_t dialogs = host().dialogsSeen();
    EXPECT_EQ(host().sendMessage(module, MODMSG_CREATE), 0u);
    EXPECT_EQ(host().dialogsSeen(), dialogs);
    EXPECT_EQ(module->dataAs<AdModuleData>()->wBoardNumber, 14) << "the module's board was rewritten";
    EXPECT_EQ(offeredTo("TORQ7AD"), (std::vector<std::string>{"Torq-Q7 #0", "Torq-Q7 #1"}));
}

TEST_F(DeviceSelectTest, OkWithNothingHighlightedKeepsTheDialogOpen)
{
    startWithBoards();
    int idles = 0;
    bool pressedOk = false;
    host().setDialogIdleHook([&](HWND dialog) {
        ++idles;
        if (!pressedOk) {
            pressedOk = true;
            SendMessageA(List(dialog), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            PressButton(dialog, IDOK);
        } else {
            PressButton(dialog, IDCANCEL);
        }
    });
    EXPECT_EQ(host().placeModule("TORQ7DO"), nullptr);
    host().setDialogIdleHook(nullptr);
    EXPECT_TRUE(pressedOk);
    EXPECT_GE(idles, 2) << "OK ended the dialog without a board";
    EXPECT_EQ(offeredTo("TORQ7DO"), kAllLabels);
}

TEST_F(DeviceSelectTest, WithNoFreeBoardOnlyWarnsAndDeleteOffersTheBoardAgain)
{
    startWithBoards();
    std::vector<standin::HostModule*> outputs;
    for (std::size_t i = 0; i < std::size(kBoards); ++i)
        outputs.push_back(placeWithFirstBoard("TORQ7DO"));
    for (standin::HostModule* module : outputs)
        ASSERT_NE(module, nullptr);

    host().clearRecords();
    const std::size_t dialogs = host().dialogsSeen();
    EXPECT_EQ(host().placeModule("TORQ7DO"), nullptr);
    EXPECT_EQ(host().dialogsSeen(), dialogs) << "the dialog was shown with nothing to offer";
    const std::vector<standin::Warning> warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].caption, "エラー");
    EXPECT_EQ(warnings[0].text, "使えるデバイスがありません");
    EXPECT_NE(placeWithFirstBoard("TORQ7DI"), nullptr) << "the claims of another kind blocked the board";

    host().deleteModule(outputs[1]);
    std::string shownNumber;
    standin::HostModule* again = place("TORQ7DO", [&](HWND dialog) {
        shownNumber = Field(dialog, IDC_DEVSEL_SLOT);
        PressButton(dialog, IDOK);
    });
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(shownNumber, "14");
    EXPECT_EQ(again->dataAs<DoModuleData>()->wBoardNumber, 14);
}

TEST_F(DeviceSelectTest, WithoutAnyBoardPlacingAModuleFails)
{
    ASSERT_TRUE(startLibrary());
    EXPECT_EQ(host().classes().size(), 4u);
    for (const char* className : {"TORQ7AD", "TORQ7DI", "TORQ7DO", "TORQ7DA"}) {
        SCOPED_TRACE(className);
        host().clearRecords();
        EXPECT_EQ(host().placeModule(className), nullptr);
        EXPECT_EQ(host().warnings().size(), 1u);
    }
    EXPECT_EQ(host().dialogsSeen(), 0u);
}

}  // namespace
}  // namespace torq7test
