// The channel bar controls of the settings dialogs, driven with the mouse
// messages the system sends them: what their parent hears, which state they
// show, their size in a dialog and what they paint.
#include <string>
#include <vector>

#include "TestHost.h"
#include "torq7m/res/resource.h"
#include "torq7m/ui/ControlMessages.h"

namespace torq7test {
namespace {

constexpr char kChannelButtonClass[] = "DUD:CONTROLKANAL";
constexpr char kLessMoreButtonClass[] = "DUD:CONTROLLESSMORE";
constexpr char kParentClass[] = "ChannelBarTestParent";
constexpr int kChannelButtonId = IDC_CHANNEL_FIRST + 3;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Received& other) const
    {
        return message == other.message && wParam == other.wParam && lParam == other.lParam;
    }
};

std::ostream& operator<<(std::ostream& out, const Received& received)
{
    return out << "{" << received.message << ", " << received.wParam << ", " << received.lParam << "}";
}

// What a parent hears from its controls: the notifications and commands,
// nothing of the window manager's own traffic.
bool IsFromControl(UINT message)
{
    return message == WM_COMMAND || (message >= CTLN_PRESS && message <= CTLN_RIGHTDOUBLECLICK);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* received = reinterpret_cast<std::vector<Received>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (received && IsFromControl(message)) {
        received->push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterParentClass()
{
    WNDCLASSA parent{};
    parent.lpfnWndProc = ParentProc;
    parent.hInstance = GetModuleHandleA(nullptr);
    parent.lpszClassName = kParentClass;
    RegisterClassA(&parent);
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// A click as the system delivers it: a second press soon after a first one
// arrives as a double click only to a class that asked for double clicks.
void Click(HWND control, bool second = false)
{
    const bool doubleClicks = (GetClassLongPtrA(control, GCL_STYLE) & CS_DBLCLKS) != 0;
    SendMessageA(control, second && doubleClicks ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(control, WM_LBUTTONUP, 0, At(5, 5));
}

void DoubleClick(HWND control)
{
    Click(control);
    Click(control, true);
}

void RightDoubleClick(HWND control)
{
    const bool doubleClicks = (GetClassLongPtrA(control, GCL_STYLE) & CS_DBLCLKS) != 0;
    SendMessageA(control, WM_RBUTTONDOWN, MK_RBUTTON, At(5, 5));
    SendMessageA(control, WM_RBUTTONUP, 0, At(5, 5));
    SendMessageA(control, doubleClicks ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN, MK_RBUTTON, At(5, 5));
    SendMessageA(control, WM_RBUTTONUP, 0, At(5, 5));
}

unsigned State(HWND control)
{
    return GetWindowWord(control, 0);
}

class ChannelBarTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        RegisterParentClass();
        ASSERT_TRUE(startLibrary(true));
        parent_ = CreateWindowExA(0, kParentClass, "channel bar", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        SetWindowLongPtrA(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received_));
    }

    void TearDown() override
    {
        DestroyWindow(parent_);
        HostTest::TearDown();
    }

    // A control of the library's class at (x, y), in `state`.
    HWND create(const char* className, int id, unsigned state, int x = 10, int y = 10)
    {
        HWND control = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, x, y, 5, 5, parent_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), host().library(), nullptr);
        EXPECT_NE(control, nullptr) << className;
        if (control)
            SendMessageA(control, CTLM_SETSTATE, state, 0);
        received_.clear();
        return control;
    }

    HWND channelButton(unsigned state) { return create(kChannelButtonClass, kChannelButtonId, state); }
    // The template gives the remove arrow the id of the remove command and
    // the add arrow that of the add command.
    HWND arrow(unsigned state) { return create(kLessMoreButtonClass, state >= 3 ? IDC_MORE : IDC_LESS, state); }

    HWND parent_ = nullptr;
    std::vector<Received> received_;
};

TEST_F(ChannelBarTest, ClassesAreRegisteredWithTheLibraryUntilShutDown)
{
    struct Expected {
        const char* name;
        UINT style;
    };
    constexpr Expected kClasses[] = {{kChannelButtonClass, CS_DBLCLKS}, {kLessMoreButtonClass, 0}};
    for (const Expected& expected : kClasses) {
        SCOPED_TRACE(expected.name);
        WNDCLASSA info{};
        ASSERT_TRUE(GetClassInfoA(host().library(), expected.name, &info));
        EXPECT_EQ(info.style, expected.style);
        EXPECT_EQ(info.cbWndExtra, 2);
        EXPECT_EQ(info.cbClsExtra, 0);
        EXPECT_EQ(info.hbrBackground, GetStockObject(DKGRAY_BRUSH));
        EXPECT_EQ(info.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        EXPECT_EQ(info.hIcon, nullptr);
    }
    DestroyWindow(parent_);
    parent_ = nullptr;
    EXPECT_EQ(host().finish(), 1u);
    for (const Expected& expected : kClasses) {
        WNDCLASSA info{};
        EXPECT_FALSE(GetClassInfoA(host().library(), expected.name, &info)) << expected.name << " after shut-down";
    }
}

TEST_F(ChannelBarTest, ClassesAreRegisteredWithoutTheDriver)
{
    freshHost();
    ASSERT_TRUE(startLibrary(false));
    WNDCLASSA info{};
    EXPECT_TRUE(GetClassInfoA(host().library(), kChannelButtonClass, &info));
    EXPECT_TRUE(GetClassInfoA(host().library(), kLessMoreButtonClass, &info));
}

TEST_F(ChannelBarTest, ChannelButtonReportsDoubleClicksOnlyOutsideAMeasurement)
{
    constexpr LPARAM kState = 2;
    for (const bool running : {false, true}) {
        SCOPED_TRACE(running ? "during a measurement" : "no measurement");
        if (running)
            host().start();
        HWND button = channelButton(kState);
        const WPARAM from = reinterpret_cast<WPARAM>(button);
        DoubleClick(button);
        std::vector<Received> expected = {{CTLN_PRESS, from, kState}, {CTLN_RELEASE, from, kState}};
        if (!running)
            expected.push_back({CTLN_DOUBLECLICK, from, kState});
        expected.push_back({CTLN_RELEASE, from, kState});
        EXPECT_EQ(received_, expected);

        received_.clear();
        RightDoubleClick(button);
        if (running)
            EXPECT_TRUE(received_.empty());
        else
            EXPECT_EQ(received_, (std::vector<Received>{{CTLN_RIGHTDOUBLECLICK, from, kState}}));
        DestroyWindow(button);
        host().stop();
    }
}

TEST_F(ChannelBarTest, ChannelButtonNotificationsCarryItsState)
{
    for (const unsigned state : {0u, 1u, 2u, 3u}) {
        HWND button = channelButton(state);
        Click(button);
        const WPARAM from = reinterpret_cast<WPARAM>(button);
        const LPARAM carried = static_cast<LPARAM>(state);
        EXPECT_EQ(received_, (std::vector<Received>{{CTLN_PRESS, from, carried}, {CTLN_RELEASE, from, carried}}))
            << "state " << state;
        EXPECT_EQ(State(button), state) << "a click changes no channel tab";
        DestroyWindow(button);
    }
}

TEST_F(ChannelBarTest, SetStateKeepsTheLowSixteenBits)
{
    for (const char* className : {kChannelButtonClass, kLessMoreButtonClass}) {
        HWND control = create(className, 1, 0);
        EXPECT_EQ(SendMessageA(control, CTLM_SETSTATE, 65539, 0), 0);
        EXPECT_EQ(State(control), 3u) << className;
        DestroyWindow(control);
    }
}

TEST_F(ChannelBarTest, DeselectTurnsOnlyTheSelectedTabToPresent)
{
    struct Case {
        unsigned before;
        unsigned after;
    };
    constexpr Case kCases[] = {{0, 0}, {1, 2}, {2, 2}, {3, 3}};
    for (const Case& test : kCases) {
        HWND button = channelButton(test.before);
        EXPECT_EQ(SendMessageA(button, CTLM_DESELECT, 0, 0), 0);
        EXPECT_EQ(State(button), test.after) << "from state " << test.before;
        DestroyWindow(button);
    }
    HWND arrowControl = arrow(1);
    SendMessageA(arrowControl, CTLM_DESELECT, 0, 0);
    EXPECT_EQ(State(arrowControl), 1u) << "an arrow knows no selection";
    EXPECT_TRUE(received_.empty());
}

TEST_F(ChannelBarTest, TwoQuickClicksOnTheAddArrowAddTwice)
{
    HWND add = arrow(4);
    DoubleClick(add);
    const Received command = {WM_COMMAND, IDC_MORE, 0};
    EXPECT_EQ(received_, (std::vector<Received>{command, command}));
    EXPECT_EQ(State(add), 4u);
}

TEST_F(ChannelBarTest, ArrowShowsItsPressAndCountsAReleaseAnywhere)
{
    struct Case {
        unsigned state;
        unsigned held;
        unsigned released;
        WPARAM command;
    };
    constexpr Case kCases[] = {
        {1, 2, 1, IDC_LESS}, {2, 2, 1, IDC_LESS}, {4, 5, 4, IDC_MORE}, {5, 5, 4, IDC_MORE}, {7, 5, 4, IDC_MORE},
    };
    HWND elsewhere = create(kChannelButtonClass, kChannelButtonId, 2, 200, 100);
    for (const Case& test : kCases) {
        SCOPED_TRACE(test.state);
        HWND control = arrow(test.state);
        SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(3, 4));
        EXPECT_EQ(State(control), test.held);
        EXPECT_EQ(GetCapture(), control);
        EXPECT_TRUE(received_.empty()) << "the press alone changes no count";

        // Released over the other control: the captured arrow still hears
        // it, at a place outside its own client area.
        SendMessageA(control, WM_LBUTTONUP, 0, At(190, 90));
        EXPECT_EQ(State(control), test.released);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(received_, (std::vector<Received>{{WM_COMMAND, test.command, 0}}));
        DestroyWindow(control);
    }
    DestroyWindow(elsewhere);
}

TEST_F(ChannelBarTest, DisabledArrowsAndStrayReleasesDoNothing)
{
    for (const unsigned state : {0u, 3u}) {
        HWND control = arrow(state);
        Click(control);
        EXPECT_EQ(State(control), state);
        EXPECT_EQ(GetCapture(), nullptr);
        DestroyWindow(control);
    }
    for (const unsigned state : {1u, 2u, 4u, 5u}) {
        HWND control = arrow(state);
        SendMessageA(control, WM_LBUTTONUP, 0, At(5, 5));
        EXPECT_EQ(State(control), state) << "release without a press";
        DestroyWindow(control);
    }
    // The press went to another arrow: this one holds no capture.
    HWND remove = arrow(1);
    HWND add = arrow(4);
    SendMessageA(remove, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(add, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(State(add), 4u);
    EXPECT_TRUE(received_.empty());
    SendMessageA(remove, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(received_, (std::vector<Received>{{WM_COMMAND, IDC_LESS, 0}}));
}

TEST_F(ChannelBarTest, ArrowDisabledWhileHeldReleasesTheMouseSilently)
{
    HWND remove = arrow(1);
    SendMessageA(remove, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(remove, CTLM_SETSTATE, 0, 0);
    SendMessageA(remove, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(GetCapture(), nullptr) << "the mouse stays captured by a disabled arrow";
    EXPECT_EQ(State(remove), 0u);
    EXPECT_TRUE(received_.empty());
}

// An in-memory dialog template with one channel tab and one arrow, as the
// settings dialogs place them, in dialog units.
struct TemplatePlace {
    const char* className;
    short x, y, cx, cy;
    WORD id;
};
constexpr TemplatePlace kTemplateControls[] = {
    {kChannelButtonClass, 34, 49, 11, 15, IDC_CHANNEL_FIRST},
    {kLessMoreButtonClass, 11, 48, 12, 16, IDC_LESS},
};

std::vector<WORD> DialogTemplate()
{
    std::vector<WORD> words;
    const auto add32 = [&words](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    const auto addText = [&words](const char* text) {
        while (*text)
            words.push_back(static_cast<unsigned char>(*text++));
        words.push_back(0);
    };
    const auto align = [&words] {
        if (words.size() % 2)
            words.push_back(0);
    };
    add32(DS_SETFONT | WS_POPUP | WS_CAPTION);
    add32(0);
    words.push_back(static_cast<WORD>(std::size(kTemplateControls)));
    for (short value : {0, 0, 323, 143})
        words.push_back(static_cast<WORD>(value));
    words.push_back(0);   // no menu
    words.push_back(0);   // the dialog class
    addText("channel bar");
    words.push_back(10);
    addText("MS Gothic");
    for (const TemplatePlace& control : kTemplateControls) {
        align();
        add32(WS_CHILD | WS_VISIBLE);
        add32(0);
        for (short value : {control.x, control.y, control.cx, control.cy})
            words.push_back(static_cast<WORD>(value));
        words.push_back(control.id);
        addText(control.className);
        addText("");
        words.push_back(0);   // no creation data
    }
    return words;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TEST_F(ChannelBarTest, TemplateSizesAreOverriddenAndPlacesKept)
{
    const std::vector<WORD> words = DialogTemplate();
    HWND dialog = CreateDialogIndirectParamA(host().library(), reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
                                             parent_, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    struct Size {
        int width;
        int height;
    };
    constexpr Size kSizes[] = {{22, 30}, {24, 32}};
    for (std::size_t i = 0; i < std::size(kTemplateControls); ++i) {
        const TemplatePlace& place = kTemplateControls[i];
        SCOPED_TRACE(place.className);
        HWND control = GetDlgItem(dialog, place.id);
        ASSERT_NE(control, nullptr);
        RECT client{};
        GetClientRect(control, &client);
        EXPECT_EQ(client.right, kSizes[i].width);
        EXPECT_EQ(client.bottom, kSizes[i].height);
        RECT expected{place.x, place.y, 0, 0};
        MapDialogRect(dialog, &expected);
        RECT actual{};
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
    }
    DestroyWindow(dialog);
}


// The host's bitmap handles for one control, as its import answered them.
HBITMAP HostBitmap(const standin::StandinHost& host, const char* variable, unsigned state)
{
    for (const standin::ImportRequest& request : host.imports()) {
        if (request.name == variable)
            return HandleFromHost32<HBITMAP>(FromHost32<const HostAddr32>(request.answer)[state]);
    }
    return nullptr;
}

// The pixels of `width` x `height` at the top left of a device context.
std::vector<COLORREF> Pixels(HDC dc, int width, int height)
{
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    }
    return pixels;
}

std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int width, int height)
{
    HDC memory = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    std::vector<COLORREF> pixels = Pixels(memory, width, height);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return pixels;
}

TEST_F(ChannelBarTest, ControlsPaintTheHostBitmapOfTheirState)
{
    struct Case {
        const char* className;
        const char* variable;
        unsigned states;
        int width;
        int height;
    };
    constexpr Case kCases[] = {
        {kChannelButtonClass, "hBitChannel", 4, 22, 30},
        {kLessMoreButtonClass, "hBitLessMore", 6, 24, 32},
    };
    for (const Case& test : kCases) {
        HWND control = create(test.className, 1, 0);
        std::vector<std::vector<COLORREF>> shown;
        for (unsigned state = 0; state < test.states; ++state) {
            SCOPED_TRACE(std::string(test.className) + " state " + std::to_string(state));
            SendMessageA(control, CTLM_SETSTATE, state, 0);
            UpdateWindow(control);
            HDC dc = GetDC(control);
            shown.push_back(Pixels(dc, test.width, test.height));
            ReleaseDC(control, dc);
            HBITMAP bitmap = HostBitmap(host(), test.variable, state);
            ASSERT_NE(bitmap, nullptr);
            EXPECT_EQ(shown.back(), BitmapPixels(bitmap, test.width, test.height));
            for (unsigned earlier = 0; earlier < state; ++earlier)
                EXPECT_NE(shown[earlier], shown.back()) << "looks like state " << earlier;
        }
        DestroyWindow(control);
    }
}

// The host's arrays end with the states in use; a state an owner should
// never set paints nothing rather than a handle read from beyond them.
TEST_F(ChannelBarTest, StatesWithoutAHostBitmapPaintNothing)
{
    for (const char* className : {kChannelButtonClass, kLessMoreButtonClass}) {
        HWND control = create(className, 1, 2);
        UpdateWindow(control);
        HDC dc = GetDC(control);
        const std::vector<COLORREF> before = Pixels(dc, 20, 28);
        for (const unsigned state : {6u, 0xFFFFu}) {
            SendMessageA(control, CTLM_SETSTATE, state, 0);
            UpdateWindow(control);
            EXPECT_EQ(State(control), state);
            EXPECT_EQ(Pixels(dc, 20, 28), before) << className << " state " << state;
        }
        ReleaseDC(control, dc);
        DestroyWindow(control);
    }
}

}  // namespace
}  // namespace torq7test
