// standin-host.exe --interactive driven from outside by window messages, as a person drives it: the title marks
// changes not saved, closing asks, the selection dialog opens over the window, and a worksheet prepared there runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "ProgramRun.h"
#include "RehearsalFiles.h"
#include "torq7m/res/resource.h"

namespace torq7test {
namespace {

constexpr DWORD kPatienceMs = 30000;
constexpr int kMessageBoxText = 0xFFFF;   // the static control of a message box's text

// One board in slot 0: the session adds board #1 in slot 1.
constexpr char kOneBoard[] = u8R"([[board]]
slot = 0
[[board.analog_input]]
channel = 0
range = "0～10V"
signal = "sine"
offset = 5
amplitude = 1
period_ms = 100
)";

// One analog input module on board 0, input range 0～10V, as the program
// stored it: a session may save over it.
constexpr char kOneModule[] = u8R"(# Worksheet of the stand-in host (format described in the README).
format = "standin-worksheet"
version = 2
[[module]]
class = "TORQ7AD"
name = "AD"
inputs = 0
outputs = 1
board = 0
input_range = "0～10V"
)";

std::string TextOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

struct WindowSearch {
    DWORD process;
    const std::string& className;
    const std::string& title;
    HWND except;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM context)
{
    WindowSearch& s = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (owner == s.process && window != s.except && IsWindowVisible(window) && s.className == name &&
        TextOf(window).compare(0, s.title.size(), s.title) == 0)
        s.found = window;
    return s.found == nullptr;
}

// A visible top-level window of the process, of the class and with a title that begins with `title`, other than
// `except`.
HWND TopWindow(DWORD process, const std::string& className, const std::string& title, HWND except = nullptr)
{
    WindowSearch search{process, className, title, except, nullptr};
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls until `ready` holds (the program runs on its own); false when it never does.
template <typename Ready>
bool WaitUntil(Ready ready)
{
    for (DWORD waited = 0; waited < kPatienceMs; waited += 10) {
        if (ready())
            return true;
        Sleep(10);
    }
    return ready();
}

bool Inside(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

// One run of the interactive program and its window.
class Session {
public:
    explicit Session(const std::string& arguments) : program_("standin-host.exe", "--interactive " + arguments)
    {
        WaitUntil([this] { return (main_ = TopWindow(program_.processId(), "StandinHostMain", "Standin Host")); });
    }

    HWND main() const { return main_; }
    bool titleBecomes(const std::string& title) const
    {
        return WaitUntil([&] { return TextOf(main_) == title; });
    }
    // The next dialog or message box of the program, other than `open`.
    HWND dialog(HWND open = nullptr) const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = TopWindow(program_.processId(), "#32770", "", open)); });
        return found;
    }
    // Presses the dialog's button and returns once the program has done what the answer asks: a message sent
    // after the dialog went is handled only when the program is back in its window's message loop.
    void answer(HWND dialog, int button) const
    {
        PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        WaitUntil([dialog] { return !IsWindow(dialog); });
        SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, nullptr);
    }
    // Places an analog input module from the vendor menu on the board at `position` of the selection
    // dialog; yields where the dialog opened.
    RECT placeAnalogInput(int position) const
    {
        RECT place{};
        PostMessageA(main_, WM_COMMAND, IDM_Q7AD, 0);
        HWND select = dialog();
        if (!select)
            return place;
        GetWindowRect(select, &place);
        SendDlgItemMessageA(select, IDC_DEVSEL_LIST, LB_SETCURSEL, position, 0);
        answer(select, IDOK);
        return place;
    }
    void click(const char* button) const
    {
        PostMessageA(FindWindowExA(main_, nullptr, "Button", button), BM_CLICK, 0, 0);
    }
    void save() const { click("Save"); }
    void selectModule(int index) const
    {
        SendMessageA(FindWindowExA(main_, nullptr, "ListBox", nullptr), LB_SETCURSEL, index, 0);
    }
    void close() const { PostMessageA(main_, WM_CLOSE, 0, 0); }
    ProgramRun finish() { return program_.finish(); }

private:
    RunningProgram program_;
    HWND main_ = nullptr;
};

class InteractiveWindowTest : public ::testing::Test {
protected:
    bool exists(const std::string& name) const
    {
        return GetFileAttributesA((files_.path() + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::string sessionArguments(const std::string& save)
    {
        return "--board " + Quoted(files_.write("one-board.toml", kOneBoard)) + " --save " +
               Quoted(files_.path() + save);
    }

    TempFolder files_;
};

// The title carries the file and a mark while there are changes; the selection dialog opens over the
// window; the worksheet saved with board #1 runs with the boards stored beside it, and not without board #1.
TEST_F(InteractiveWindowTest, AWorksheetPreparedOnBoardOneRunsWithTheBoardsStoredBesideIt)
{
    Session session(sessionArguments("sheet.toml"));
    ASSERT_TRUE(session.main()) << "the window did not open";
    EXPECT_TRUE(session.titleBecomes("Standin Host - sheet.toml")) << TextOf(session.main());
    RECT window{};
    GetWindowRect(session.main(), &window);
    const RECT dialog = session.placeAnalogInput(1);
    EXPECT_TRUE(Inside(window, dialog)) << "dialog at " << dialog.left << "," << dialog.top << ", window at "
                                        << window.left << "," << window.top;
    EXPECT_TRUE(session.titleBecomes("Standin Host - sheet.toml *")) << TextOf(session.main());
    EXPECT_FALSE(exists("sheet.toml"));
    session.save();
    EXPECT_TRUE(session.titleBecomes("Standin Host - sheet.toml")) << TextOf(session.main());
    session.close();   // nothing left to save: no question
    const ProgramRun closed = session.finish();
    ASSERT_EQ(closed.exitCode, 0) << closed.output;
    EXPECT_NE(files_.read(files_.path() + "sheet.toml").find("board = 1\n"), std::string::npos);

    const std::string sheet = Quoted(files_.path() + "sheet.toml");
    const ProgramRun run = RunProgram("--worksheet " + sheet + " --seconds 1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("board profile: " + files_.path() + "sheet.board.toml, stored beside the worksheet"),
              std::string::npos)
        << run.output;

    // Opened again without --board, the session offers the boards stored beside the worksheet as they are: a
    // change saved leaves that file byte for byte.
    const std::string boards = files_.read(files_.path() + "sheet.board.toml");
    Session again("--worksheet " + sheet + " --save " + sheet);
    ASSERT_TRUE(again.main());
    again.selectModule(0);
    again.click("Settings...");
    HWND settings = again.dialog();
    ASSERT_TRUE(settings);
    SendDlgItemMessageA(settings, IDC_RANGE, CB_SHOWDROPDOWN, TRUE, 0);
    SendDlgItemMessageA(settings, IDC_RANGE, CB_SETCURSEL, 2, 0);
    SendDlgItemMessageA(settings, IDC_RANGE, CB_SHOWDROPDOWN, FALSE, 0);
    again.answer(settings, IDOK);
    ASSERT_TRUE(again.titleBecomes("Standin Host - sheet.toml *"));
    again.save();
    EXPECT_TRUE(again.titleBecomes("Standin Host - sheet.toml"));
    again.close();
    EXPECT_EQ(again.finish().exitCode, 0);
    EXPECT_NE(files_.read(files_.path() + "sheet.toml").find(u8"input_range = \"±2.5V\""), std::string::npos);
    EXPECT_EQ(files_.read(files_.path() + "sheet.board.toml"), boards);

    files_.write("sheet.board.toml", kOneBoard);
    const ProgramRun refused = RunProgram("--worksheet " + sheet + " --seconds 1");
    EXPECT_EQ(refused.exitCode, 2) << refused.output;
    EXPECT_NE(refused.output.find("uses board 1, which the profile " + files_.path() +
                                  "sheet.board.toml does not have (its boards: 0)"),
              std::string::npos)
        << refused.output;

    // A session would add board #1 to that hand-written profile: it does not start, and the file stays.
    const ProgramRun replacing = RunningProgram("standin-host.exe", "--interactive --worksheet " + sheet + " --save " +
                                                                        sheet).finish();
    EXPECT_EQ(replacing.exitCode, 2) << replacing.output;
    EXPECT_NE(replacing.output.find("--save refused: " + files_.path() + "sheet.board.toml"), std::string::npos)
        << replacing.output;
    EXPECT_EQ(files_.read(files_.path() + "sheet.board.toml"), kOneBoard);
}

// Closing with changes asks; Yes stores, No leaves the file unwritten, Cancel keeps the window open.
TEST_F(InteractiveWindowTest, ClosingWithChangesAsksAndDoesWhatTheAnswerSays)
{
    struct Case {
        const char* file;
        int answer;
        bool stored;
    };
    constexpr Case kCases[] = {{"yes.toml", IDYES, true}, {"no.toml", IDNO, false}, {"cancel.toml", IDCANCEL, false}};
    for (const Case& c : kCases) {
        Session session(sessionArguments(c.file));
        ASSERT_TRUE(session.main()) << c.file;
        session.placeAnalogInput(0);
        ASSERT_TRUE(session.titleBecomes(std::string("Standin Host - ") + c.file + " *")) << c.file;
        session.close();
        HWND question = session.dialog();
        ASSERT_TRUE(question) << c.file << ": closing with changes asked nothing";
        EXPECT_EQ(TextOf(GetDlgItem(question, kMessageBoxText)),
                  std::string("Save the changes to ") + c.file + " before closing?");
        session.answer(question, c.answer);
        if (c.answer == IDCANCEL) {
            EXPECT_TRUE(IsWindow(session.main()) && IsWindowVisible(session.main())) << "Cancel closed the window";
            EXPECT_EQ(TextOf(session.main()), std::string("Standin Host - ") + c.file + " *");
            session.close();
            session.answer(session.dialog(), IDNO);
        }
        const ProgramRun run = session.finish();
        EXPECT_EQ(run.exitCode, 0) << c.file << "\n" << run.output;
        EXPECT_EQ(exists(c.file), c.stored) << c.file;
    }
}

// A save that fails names the file and the system's reason, and the changes stay marked.
TEST_F(InteractiveWindowTest, AFailedSaveShowsWhyAndKeepsTheMark)
{
    files_.write("plain.txt", "not a folder");
    Session session(sessionArguments("plain.txt\\sheet.toml"));
    ASSERT_TRUE(session.main());
    session.placeAnalogInput(0);
    ASSERT_TRUE(session.titleBecomes("Standin Host - sheet.toml *"));
    session.save();
    HWND failure = session.dialog();
    ASSERT_TRUE(failure) << "a failed save said nothing";
    const std::string path = files_.path() + "plain.txt\\sheet.toml";
    EXPECT_EQ(TextOf(GetDlgItem(failure, kMessageBoxText)),
              "The worksheet could not be stored:\n" + path + ": Not a directory");
    session.answer(failure, IDOK);
    EXPECT_EQ(TextOf(session.main()), "Standin Host - sheet.toml *");
    session.close();
    session.answer(session.dialog(), IDNO);
    EXPECT_EQ(session.finish().exitCode, 0);
}

BOOL CALLBACK MatchVisibleEdit(HWND child, LPARAM context)
{
    char name[16] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Edit") == 0 && IsWindowVisible(child))
        *reinterpret_cast<HWND*>(context) = child;
    return *reinterpret_cast<HWND*>(context) == nullptr;
}

// The mark follows what the module's settings dialog did: Cancel and OK without a change leave none, another range
// does; deleting a module marks too.
TEST_F(InteractiveWindowTest, SettingsThatChangedTheModuleAndDeletingMarkTheTitle)
{
    const std::string sheet = Quoted(files_.write("sheet.toml", kOneModule));
    Session session("--board " + Quoted(files_.write("one-board.toml", kOneBoard)) + " --worksheet " + sheet +
                        " --save " + sheet);
    ASSERT_TRUE(session.main());
    ASSERT_TRUE(session.titleBecomes("Standin Host - sheet.toml"));
    struct Case {
        int otherRange;   // -1: the range stays
        int button;
        bool marked;
    };
    constexpr Case kCases[] = {{2, IDCANCEL, false}, {-1, IDOK, false}, {2, IDOK, true}};
    for (const Case& c : kCases) {
        session.selectModule(0);
        session.click("Settings...");
        HWND settings = session.dialog();
        ASSERT_TRUE(settings) << "no settings dialog";
        if (c.otherRange >= 0) {
            SendDlgItemMessageA(settings, IDC_RANGE, CB_SHOWDROPDOWN, TRUE, 0);
            SendDlgItemMessageA(settings, IDC_RANGE, CB_SETCURSEL, c.otherRange, 0);
            SendDlgItemMessageA(settings, IDC_RANGE, CB_SHOWDROPDOWN, FALSE, 0);
        }
        session.answer(settings, c.button);
        EXPECT_EQ(TextOf(session.main()), c.marked ? "Standin Host - sheet.toml *" : "Standin Host - sheet.toml")
            << "range " << c.otherRange << ", button " << c.button;
    }
    session.save();
    ASSERT_TRUE(session.titleBecomes("Standin Host - sheet.toml"));
    session.selectModule(0);
    session.click("Delete");
    EXPECT_TRUE(session.titleBecomes("Standin Host - sheet.toml *"));
    session.close();
    session.answer(session.dialog(), IDNO);
    EXPECT_EQ(session.finish().exitCode, 0);
    EXPECT_NE(files_.read(files_.path() + "sheet.toml").find(u8"input_range = \"±2.5V\""), std::string::npos)
        << files_.read(files_.path() + "sheet.toml");
}

// While a module's settings dialog is open the window takes no input, and a Delete that reaches it anyway is
// refused with a message: the module stays, its dialog still answers, and the host's memory balances.
TEST_F(InteractiveWindowTest, DeleteWhileASettingsDialogIsOpenIsRefused)
{
    const std::string sheet = Quoted(files_.write("sheet.toml", kOneModule));
    Session session("--board " + Quoted(files_.write("one-board.toml", kOneBoard)) + " --worksheet " + sheet +
                    " --save " + sheet);
    ASSERT_TRUE(session.main());
    session.selectModule(0);
    session.click("Settings...");
    HWND settings = session.dialog();
    ASSERT_TRUE(settings) << "no settings dialog";
    EXPECT_FALSE(IsWindowEnabled(session.main())) << "the window takes input under the settings dialog";
    session.click("Delete");
    HWND refusal = session.dialog(settings);
    ASSERT_TRUE(refusal) << "Delete under an open settings dialog said nothing";
    EXPECT_EQ(TextOf(GetDlgItem(refusal, kMessageBoxText)),
              "A settings dialog is open: close it before deleting a module.");
    session.answer(refusal, IDOK);
    EXPECT_TRUE(IsWindow(settings)) << "the settings dialog went with the refusal";
    session.answer(settings, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(session.main()));
    EXPECT_EQ(SendMessageA(FindWindowExA(session.main(), nullptr, "ListBox", nullptr), LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(TextOf(session.main()), "Standin Host - sheet.toml") << "nothing changed";
    session.close();
    const ProgramRun run = session.finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("host memory in use after shut-down: 0 blocks; host checks failed: 0"),
              std::string::npos)
        << run.output;
}

// The file name box of a save dialog: its one visible edit control.
HWND FileNameBox(HWND dialog)
{
    HWND found = nullptr;
    EnumChildWindows(dialog, MatchVisibleEdit, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Without --save, closing with changes asks for a file name after Yes; the worksheet and its boards go there. A
// name beside whose worksheet lies a board file the session did not write, or of a file that is not a worksheet
// the program stored, is refused with a message, the file stays, and the next Yes asks again.
TEST_F(InteractiveWindowTest, WithoutAFileYesAsksForOne)
{
    files_.write("taken.board.toml", kOneBoard);
    files_.write("notes.toml", "# the bench's notes\n");
    Session session("--board " + Quoted(files_.write("one-board.toml", kOneBoard)));
    ASSERT_TRUE(session.main());
    EXPECT_TRUE(session.titleBecomes("Standin Host - Untitled"));
    session.placeAnalogInput(1);
    ASSERT_TRUE(session.titleBecomes("Standin Host - Untitled *"));
    const std::pair<std::string, std::string> kRefusals[] = {
        {"taken.toml", files_.path() + "taken.board.toml, where the worksheet's boards go, holds a file this run did "
                                       "not write"},
        {"notes.toml", files_.path() + "notes.toml is not a worksheet this program stored"},
    };
    for (const char* file : {"taken.toml", "notes.toml", "named.toml"}) {
        session.close();
        HWND question = session.dialog();
        ASSERT_TRUE(question) << file;
        EXPECT_EQ(TextOf(GetDlgItem(question, kMessageBoxText)),
                  "The worksheet has not been saved. Save it before closing? (Yes asks for a file name)");
        session.answer(question, IDYES);
        HWND saveAs = session.dialog();
        ASSERT_TRUE(saveAs) << "Yes asked for no file name";
        EXPECT_EQ(TextOf(saveAs), "Save the worksheet as");
        HWND name = FileNameBox(saveAs);
        ASSERT_TRUE(name);
        SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((files_.path() + file).c_str()));
        session.answer(saveAs, IDOK);
        const auto refused = std::find_if(std::begin(kRefusals), std::end(kRefusals),
                                          [file](const auto& refusal) { return refusal.first == file; });
        if (refused == std::end(kRefusals))
            break;
        if (exists(file)) {
            HWND replace = session.dialog();
            ASSERT_TRUE(replace) << "no question before replacing " << file;
            session.answer(replace, IDYES);
        }
        HWND refusal = session.dialog();
        ASSERT_TRUE(refusal) << "a save over a file of the user's said nothing: " << file;
        EXPECT_EQ(TextOf(GetDlgItem(refusal, kMessageBoxText)),
                  "The worksheet was not stored: " + refused->second + ".\nStore it under another name.");
        session.answer(refusal, IDOK);
        EXPECT_EQ(TextOf(session.main()), "Standin Host - Untitled *");
    }
    const ProgramRun run = session.finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_FALSE(exists("taken.toml"));
    EXPECT_EQ(files_.read(files_.path() + "taken.board.toml"), kOneBoard);
    EXPECT_EQ(files_.read(files_.path() + "notes.toml"), "# the bench's notes\n");
    EXPECT_FALSE(exists("notes.board.toml"));
    EXPECT_TRUE(exists("named.toml"));
    EXPECT_TRUE(exists("named.board.toml"));
}

}  // namespace
}  // namespace torq7test
