// The vendor popup in the host's main menu and the host menu entry that
// shows the setup note.
#include <string>
#include <vector>

#include "TestHost.h"
#include "torq7m/res/resource.h"

namespace torq7test {
namespace {

constexpr int kVendorPosition = 3;
// The message box's text control, as the system names it.
constexpr int kMessageBoxText = 0xFFFF;

std::string MenuText(HMENU menu, UINT position)
{
    char text[64] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

std::vector<std::string> MenuBar(HMENU menu)
{
    std::vector<std::string> captions;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        captions.push_back(MenuText(menu, static_cast<UINT>(i)));
    return captions;
}

std::string WindowText(HWND window)
{
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class VendorMenuTest : public HostTest {};

TEST_F(VendorMenuTest, PopupIsTheFourthItemOfTheHostMenu)
{
    std::vector<std::string> expected = MenuBar(host().mainMenu());
    ASSERT_GE(expected.size(), 4u) << "the host's menu bar needs items after position 3";
    expected.insert(expected.begin() + kVendorPosition, "HALDEN(&H)");
    ASSERT_TRUE(startLibrary(true));
    EXPECT_EQ(MenuBar(host().mainMenu()), expected);

    HMENU popup = GetSubMenu(host().mainMenu(), kVendorPosition);
    ASSERT_NE(popup, nullptr);
    struct Item {
        UINT id;
        const char* text;
    };
    constexpr Item kItems[] = {
        {IDM_Q7AD, "Torq-Q7 &AD"}, {IDM_Q7DA, "Torq-Q7 &DA"}, {IDM_Q7DI, "Torq-Q7 D-&In"}, {IDM_Q7DO, "Torq-Q7 D-&Out"},
    };
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(std::size(kItems)));
    for (UINT position = 0; position < std::size(kItems); ++position) {
        EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(position)), kItems[position].id);
        EXPECT_EQ(MenuText(popup, position), kItems[position].text);
    }
    // Each item is the menu command of the class that places that module.
    for (const Item& item : kItems) {
        bool found = false;
        for (const standin::RegisteredClass& cls : host().classes())
            found |= cls.info.dwMenuCommand == item.id;
        EXPECT_TRUE(found) << item.text;
    }
}

TEST_F(VendorMenuTest, WithoutTheDriverNoPopupNorEntryButTheControlClasses)
{
    const std::vector<std::string> before = MenuBar(host().mainMenu());
    ASSERT_TRUE(startLibrary(false));
    EXPECT_EQ(MenuBar(host().mainMenu()), before);
    EXPECT_TRUE(host().menuEntries().empty());
    WNDCLASSA info{};
    EXPECT_TRUE(GetClassInfoA(host().library(), "DUD:CONTROLKANAL", &info));
    EXPECT_TRUE(GetClassInfoA(host().library(), "DUD:CONTROLLESSMORE", &info));
}

TEST_F(VendorMenuTest, MenuEntryShowsTheSetupNote)
{
    ASSERT_TRUE(startLibrary(true));
    const std::vector<standin::MenuEntry> entries = host().menuEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].command, static_cast<std::uint32_t>(IDM_SETUP_NOTE));

    std::string caption;
    std::string text;
    bool cancelButton = true;
    host().whenDialogOpens([&](HWND box) {
        caption = WindowText(box);
        text = WindowText(GetDlgItem(box, kMessageBoxText));
        cancelButton = GetDlgItem(box, IDCANCEL) != nullptr;
        PressButton(box, IDOK);
    });
    EXPECT_TRUE(host().chooseMenuCommand(IDM_SETUP_NOTE));
    EXPECT_EQ(caption, "Setup");
    EXPECT_EQ(text, "Do here some setup functions!");
    EXPECT_FALSE(cancelButton) << "the note offers only OK";
    EXPECT_EQ(host().dialogsSeen(), 1u);

    // The handler hands the host the message box's answer.
    host().whenDialogOpens([](HWND box) { PressButton(box, IDOK); });
    EXPECT_EQ(entries[0].handler(), IDOK);
}

}  // namespace
}  // namespace torq7test
