// The about box as a user meets it: opened by a settings dialog's
// information button, showing the module version, and closed only by OK.
#include <string>

#include "SettingsDialogDriver.h"

namespace torq7test {
namespace {

// Keys and the close box reach a modal dialog through its message loop,
// which lets the dialog manager turn Escape and Enter into commands; this
// runs that loop until the queue is empty.
void DeliverAsTheDialogLoop(HWND dialog)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void PressKey(HWND dialog, WPARAM key)
{
    HWND focus = GetFocus();
    PostMessageA(focus ? focus : dialog, WM_KEYDOWN, key, 1);
    PostMessageA(focus ? focus : dialog, WM_KEYUP, key, 0xC0000001);
    DeliverAsTheDialogLoop(dialog);
}

bool StillOpen(HWND about)
{
    return IsWindow(about) && IsWindowVisible(about);
}

class AboutBoxTest : public SettingsDialogTest {
protected:
    // Opens the about box from a digital input module's settings dialog,
    // runs `action` on it (which must close it) and cancels the settings.
    void withAboutBox(const std::function<void(HWND about)>& action)
    {
        standin::HostModule* module = place(kDialogKinds[1]);
        bool opened = false;
        openSettings(module, [&](HWND dialog) {
            host().whenDialogOpens([&](HWND about) {
                opened = true;
                action(about);
                if (StillOpen(about))
                    PressButton(about, IDOK);
            });
            PressButton(dialog, IDC_INFO);
            PressButton(dialog, IDCANCEL);
        });
        EXPECT_TRUE(opened) << "the about box did not open";
    }
};

TEST_F(AboutBoxTest, ShowsTheModuleVersionCentredAndTheMakersNotice)
{
    withAboutBox([](HWND about) {
        EXPECT_EQ(Text(about), "このﾓｼﾞｭｰﾙについて");
        HWND version = GetDlgItem(about, IDC_ABOUT_VERSION);
        EXPECT_EQ(Text(version), "Torq-Q7 Module Version 1.00");
        EXPECT_EQ(GetWindowLongA(version, GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
        HWND notice = GetNextWindow(version, GW_HWNDNEXT);
        ASSERT_NE(notice, nullptr);
        EXPECT_EQ(Text(notice), "Copyright (C) 株式会社ハルデン") << Text(notice);
        PressButton(about, IDOK);
        EXPECT_FALSE(StillOpen(about));
    });
}

TEST_F(AboutBoxTest, EscapeCancelAndTheCloseBoxLeaveItOpen)
{
    withAboutBox([](HWND about) {
        PressKey(about, VK_ESCAPE);
        EXPECT_TRUE(StillOpen(about)) << "Escape";
        SendMessageA(about, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(StillOpen(about)) << "Cancel";
        PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        DeliverAsTheDialogLoop(about);
        EXPECT_TRUE(StillOpen(about)) << "close box";
        // A notification from the OK button is not the button's press.
        SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS), 0);
        EXPECT_TRUE(StillOpen(about)) << "OK button notification";
        PressKey(about, VK_RETURN);
        EXPECT_FALSE(StillOpen(about)) << "Enter";
    });
}

}  // namespace
}  // namespace torq7test
