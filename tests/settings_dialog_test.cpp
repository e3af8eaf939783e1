// The frame shared by the four settings dialogs: working copy, channel bar,
// channel names, module name and description, OK and Cancel, placement and
// the shared font.
#include <cstring>

#include "SettingsDialogDriver.h"
#include "torq7m/modules/AdModuleData.h"
#include "torq7m/modules/DiModuleData.h"
#include "torq7m/modules/DoModuleData.h"

namespace torq7test {
namespace {

char* NameOf(standin::HostModule* module, unsigned channel)
{
    return static_cast<char*>(module->data()) + channel * 24;
}

class SettingsFrameTest : public SettingsDialogTest, public ::testing::WithParamInterface<DialogKind> {};

INSTANTIATE_TEST_SUITE_P(EveryClass, SettingsFrameTest, ::testing::ValuesIn(kDialogKinds));

TEST_P(SettingsFrameTest, OkStoresTheEditsTellsTheHostTheCountAndFreesTheCopy)
{
    const DialogKind& kind = GetParam();
    standin::HostModule* module = place(kind, 1);
    host().clearRecords();
    openSettings(module, [&](HWND dialog) {
        EXPECT_EQ(Text(dialog), kind.title);
        EXPECT_EQ(FieldText(dialog, IDC_BOARD_NUMBER), std::to_string(kBoardNumber));
        EXPECT_EQ(FieldText(dialog, IDC_SELECTED_CHANNEL), "0");
        EXPECT_EQ(FieldText(dialog, IDC_CHANNEL_NAME), "ﾁｬﾝﾈﾙ 0");
        EXPECT_EQ(FieldText(dialog, IDC_MODULE_NAME), module->name());
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_MODULE_NAME));
        Type(dialog, IDC_MODULE_NAME, "Druck");
        Type(dialog, IDC_DESCRIPTION, "Kessel links");
        Type(dialog, IDC_CHANNEL_NAME, "Vorlauf");
        Click(dialog, IDC_MORE);
        ClickTab(dialog, 1);
        Type(dialog, IDC_CHANNEL_NAME, "表示ソ能");
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(module->name(), "Druck");
    EXPECT_STREQ(module->record()->szDescription, "Kessel links");
    EXPECT_STREQ(NameOf(module, 0), "Vorlauf");
    EXPECT_STREQ(NameOf(module, 1), "表示ソ能");
    EXPECT_EQ(EditedCount(kind, module), 2u);

    const std::vector<standin::SizeChange> changes = host().sizeChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].module, module->record());
    EXPECT_EQ(changes[0].inputs, kind.editsOutputs ? 0u : 2u);
    EXPECT_EQ(changes[0].outputs, kind.editsOutputs ? 2u : 0u);

    const std::vector<standin::MemoryCall> calls = memoryCallsOf(kind.sourceFile);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[0].isFree);
    EXPECT_EQ(calls[0].size, kind.dataSize);
    EXPECT_EQ(calls[0].line, kind.allocLine);
    EXPECT_TRUE(calls[1].isFree);
    EXPECT_EQ(calls[1].address, calls[0].address);
    EXPECT_EQ(calls[1].line, kind.okFreeLine);
}

TEST_P(SettingsFrameTest, CancelLeavesTheModuleAsItWas)
{
    const DialogKind& kind = GetParam();
    standin::HostModule* module = place(kind, 2);
    const ModuleSnapshot before = ModuleSnapshot::Of(module);
    host().clearRecords();
    openSettings(module, [&](HWND dialog) {
        Type(dialog, IDC_MODULE_NAME, "anders");
        Type(dialog, IDC_DESCRIPTION, "anders");
        Type(dialog, IDC_CHANNEL_NAME, "anders");
        Click(dialog, IDC_LESS);
        SendMessageA(dialog, SDM_COPYNAME_ALWAYS, 0, 0);
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_TRUE(ModuleSnapshot::Of(module) == before);
    EXPECT_TRUE(host().sizeChanges().empty());
    const std::vector<standin::MemoryCall> calls = memoryCallsOf(kind.sourceFile);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[1].isFree);
    EXPECT_EQ(calls[1].line, kind.cancelFreeLine);
}

TEST_P(SettingsFrameTest, ArrowsFollowTheCountAndAreLockedDuringAMeasurement)
{
    const DialogKind& kind = GetParam();
    struct Case {
        unsigned channels;
        bool measuring;
        unsigned less;
        unsigned more;
    };
    const Case cases[] = {
        {1, false, ARROW_LESS_DISABLED, ARROW_MORE_ENABLED},
        {kind.channelMax, false, ARROW_LESS_ENABLED, ARROW_MORE_DISABLED},
        {2, true, ARROW_LESS_DISABLED, ARROW_MORE_DISABLED},
    };
    for (const Case& c : cases) {
        standin::HostModule* module = place(kind, c.channels);
        if (c.measuring)
            host().start(1.0, 10);
        openSettings(module, [&](HWND dialog) {
            EXPECT_EQ(ControlState(dialog, IDC_LESS), c.less) << c.channels << " channels";
            EXPECT_EQ(ControlState(dialog, IDC_MORE), c.more) << c.channels << " channels";
            for (unsigned i = 0; i < kind.channelMax; ++i) {
                const unsigned expected = i >= c.channels ? TAB_ABSENT : i == 0 ? TAB_SELECTED : TAB_PRESENT;
                EXPECT_EQ(TabState(dialog, i), expected) << "channel " << i;
            }
            // a disabled arrow does nothing, even when clicked
            Click(dialog, c.less == ARROW_LESS_DISABLED ? IDC_LESS : IDC_MORE);
            EXPECT_EQ(ControlState(dialog, IDC_LESS), c.less);
            EXPECT_EQ(ControlState(dialog, IDC_MORE), c.more);
            PressButton(dialog, IDOK);
        });
        EXPECT_EQ(EditedCount(kind, module), c.channels);
        host().stop();
        host().deleteModule(module);
    }
}

TEST_P(SettingsFrameTest, ShowsOnlyTheChannelsOfTheClassAndTheSelectedChannelReadOnly)
{
    const DialogKind& kind = GetParam();
    standin::HostModule* module = place(kind);
    openSettings(module, [&](HWND dialog) {
        for (unsigned i = 0; i < 16; ++i) {
            HWND tab = GetDlgItem(dialog, IDC_CHANNEL_FIRST + static_cast<int>(i));
            ASSERT_NE(tab, nullptr) << "tab " << i;
            EXPECT_EQ(IsWindowVisible(tab) != 0, i < kind.channelMax) << "tab " << i;
        }
        HWND selected = GetDlgItem(dialog, IDC_SELECTED_CHANNEL);
        EXPECT_FALSE(IsWindowEnabled(selected));
        EXPECT_NE(GetWindowLongA(selected, GWL_STYLE) & ES_READONLY, 0);
        EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);
        PressButton(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialogTest, RemovingTheSelectedChannelSelectsTheNewLastOne)
{
    standin::HostModule* module = place(kDialogKinds[1], 5);
    std::strcpy(NameOf(module, 3), "drei");
    openSettings(module, [&](HWND dialog) {
        ClickTab(dialog, 4);
        EXPECT_EQ(TabState(dialog, 4), TAB_SELECTED);
        EXPECT_EQ(TabState(dialog, 0), TAB_PRESENT);
        EXPECT_EQ(FieldText(dialog, IDC_SELECTED_CHANNEL), "4");
        Click(dialog, IDC_LESS);
        EXPECT_EQ(TabState(dialog, 4), TAB_ABSENT);
        EXPECT_EQ(TabState(dialog, 3), TAB_SELECTED);
        EXPECT_EQ(FieldText(dialog, IDC_SELECTED_CHANNEL), "3");
        EXPECT_EQ(FieldText(dialog, IDC_CHANNEL_NAME), "drei");
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_MODULE_NAME));
        // pressing the selected channel again changes nothing
        ClickTab(dialog, 3);
        EXPECT_EQ(TabState(dialog, 3), TAB_SELECTED);
        EXPECT_EQ(FieldText(dialog, IDC_SELECTED_CHANNEL), "3");
        // nor does pressing a channel that is not there
        ClickTab(dialog, 6);
        EXPECT_EQ(FieldText(dialog, IDC_SELECTED_CHANNEL), "3");
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(module->outputs(), 4u);
}

TEST_F(SettingsDialogTest, ChannelsRemovedAndAddedAgainKeepTheirNames)
{
    standin::HostModule* module = place(kDialogKinds[2], 5);
    std::strcpy(NameOf(module, 3), "drei");
    std::strcpy(NameOf(module, 4), "vier");
    openSettings(module, [&](HWND dialog) {
        Click(dialog, IDC_LESS);
        Click(dialog, IDC_LESS);
        EXPECT_EQ(TabState(dialog, 3), TAB_ABSENT);
        Click(dialog, IDC_MORE);
        Click(dialog, IDC_MORE);
        EXPECT_EQ(TabState(dialog, 4), TAB_PRESENT);
        ClickTab(dialog, 4);
        EXPECT_EQ(FieldText(dialog, IDC_CHANNEL_NAME), "vier");
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(module->inputs(), 5u);
    EXPECT_STREQ(NameOf(module, 3), "drei");
    EXPECT_STREQ(NameOf(module, 4), "vier");
}

TEST_F(SettingsDialogTest, NamesAreCopiedOnlyAfterTheChannelNameFieldHadTheFocusOrWhenAlwaysAsked)
{
    struct Case {
        UINT message;
        bool focusChannelName;
        bool copies;
    };
    const Case cases[] = {
        {SDM_COPYNAME_IFFOCUSED, false, false},
        {SDM_COPYNAME_IFFOCUSED, true, true},
        {SDM_COPYNAME_ALWAYS, false, true},
    };
    for (const Case& c : cases) {
        standin::HostModule* module = place(kDialogKinds[0], 3);
        openSettings(module, [&](HWND dialog) {
            ClickTab(dialog, 1);
            SetDlgItemTextA(dialog, IDC_CHANNEL_NAME, "gleich");
            if (c.focusChannelName)
                SetFocus(GetDlgItem(dialog, IDC_CHANNEL_NAME));
            SendMessageA(dialog, c.message, 0, 0);
            PressButton(dialog, IDOK);
        });
        const std::string copied = c.copies ? "gleich" : "ﾁｬﾝﾈﾙ 0";
        EXPECT_EQ(NameOf(module, 0), copied) << c.message << (c.focusChannelName ? " after focus" : "");
        EXPECT_STREQ(NameOf(module, 1), "gleich");
        EXPECT_STREQ(NameOf(module, 2), c.copies ? "gleich" : "ﾁｬﾝﾈﾙ 2");
        for (unsigned i = 3; i < 8; ++i)
            EXPECT_EQ(NameOf(module, i), "ﾁｬﾝﾈﾙ " + std::to_string(i)) << "channel " << i << " is not in use";
        host().deleteModule(module);
    }
}

TEST_F(SettingsDialogTest, OpensOnScreenWhenTheHostWindowIsOffScreen)
{
    standin::HostModule* module = place(kDialogKinds[0]);
    const struct {
        int x, y, width, height;
    } places[] = {
        {-3000, -2000, 800, 600},
        {GetSystemMetrics(SM_CXSCREEN) + 500, GetSystemMetrics(SM_CYSCREEN) + 500, 800, 600},
        {-20, -20, 100, 80},
    };
    for (const auto& place : places) {
        SetWindowPos(host().mainWindow(), nullptr, place.x, place.y, place.width, place.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        openSettings(module, [&](HWND dialog) {
            RECT box{};
            GetWindowRect(dialog, &box);
            EXPECT_GE(box.left, 0) << "host window at " << place.x << "," << place.y;
            EXPECT_GE(box.top, 0) << "host window at " << place.x << "," << place.y;
            EXPECT_LE(box.right, GetSystemMetrics(SM_CXSCREEN));
            EXPECT_LE(box.bottom, GetSystemMetrics(SM_CYSCREEN));
            PressButton(dialog, IDCANCEL);
        });
    }
}

TEST_F(SettingsDialogTest, IsCentredOverTheHostWindow)
{
    standin::HostModule* module = place(kDialogKinds[3]);
    SetWindowPos(host().mainWindow(), nullptr, 100, 50, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(host().mainWindow(), &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ClientToScreen(host().mainWindow(), &centre);
    openSettings(module, [&](HWND dialog) {
        RECT box{};
        GetWindowRect(dialog, &box);
        EXPECT_EQ(box.left, centre.x - (box.right - box.left) / 2);
        EXPECT_EQ(box.top, centre.y - (box.bottom - box.top) / 2);
        PressButton(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialogTest, TheSharedFontIsMadeOnceAndGivenToAllButEditsAndLists)
{
    standin::HostModule* analog = place(kDialogKinds[0]);
    standin::HostModule* digital = place(kDialogKinds[1]);
    HFONT shared = nullptr;
    openSettings(analog, [&](HWND dialog) {
        shared = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, IDOK, WM_GETFONT, 0, 0));
        LOGFONTA font{};
        ASSERT_NE(GetObjectA(shared, sizeof font, &font), 0);
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_NE(SendDlgItemMessageA(dialog, IDC_MODULE_NAME, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(shared));
        EXPECT_NE(SendDlgItemMessageA(dialog, IDC_RANGE, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(shared));
        PressButton(dialog, IDCANCEL);
    });
    openSettings(digital, [&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDCANCEL, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(shared));
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(host().callCount("CreateStackedFontIndirect"), 1u);
    EXPECT_EQ(host().liveFonts(), 1u);
    host().shutdown();
    EXPECT_EQ(host().callCount("DeleteStackedObject"), 1u);
    EXPECT_EQ(host().liveFonts(), 0u);
}

// A damaged worksheet may bring names without their terminating zero.
TEST_F(SettingsDialogTest, NamesWithoutTheirZeroAreReadAndWrittenWithinTheirBytes)
{
    const std::string full(24, 'A');
    standin::HostModule* module = place(kDialogKinds[1], 8);
    std::memset(module->data(), 'A', 8 * 24);
    openSettings(module, [&](HWND dialog) {
        EXPECT_EQ(FieldText(dialog, IDC_CHANNEL_NAME), full);
        ClickTab(dialog, 7);   // the board number follows the last name
        EXPECT_EQ(FieldText(dialog, IDC_CHANNEL_NAME), full);
        PressButton(dialog, IDCANCEL);
    });

    module->record()->uiOutputChannels = 3;
    openSettings(module, [&](HWND dialog) {
        SendMessageA(dialog, SDM_COPYNAME_ALWAYS, 0, 0);
        PressButton(dialog, IDOK);
    });
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(std::string(NameOf(module, i)), std::string(19, 'A')) << "channel " << i;
    for (unsigned i = 3; i < 8; ++i)
        EXPECT_EQ(std::string(NameOf(module, i), 24), full) << "channel " << i << " is not in use";
    EXPECT_EQ(module->dataAs<DiModuleData>()->wBoardNumber, kBoardNumber);
}

// The start and the stop own the buffer fields of the block: OK keeps them
// as they are when it is pressed, not as they were when the dialog opened.
TEST_F(SettingsDialogTest, OkKeepsTheBufferFieldsThatAStartOrStopSetMeanwhile)
{
    struct Case {
        const char* what;
        bool runningAtOpen;
    };
    const Case cases[] = {{"stopped while open", true}, {"started while open", false}};
    for (const Case& c : cases) {
        standin::HostModule* input = place(kDialogKinds[0], 2);
        standin::HostModule* output = place(kDialogKinds[2], 2);
        if (c.runningAtOpen)
            host().start(1.0, 10);
        const auto toggle = [&](HWND dialog) {
            if (c.runningAtOpen)
                host().stop();
            else
                host().start(1.0, 10);
            Type(dialog, IDC_DESCRIPTION, "neu");
            PressButton(dialog, IDOK);
        };
        openSettings(input, toggle);
        const AdModuleData now = *input->dataAs<AdModuleData>();
        EXPECT_STREQ(input->record()->szDescription, "neu");
        EXPECT_EQ(now.pSampleBuffer != 0, !c.runningAtOpen) << c.what;
        EXPECT_EQ(now.dwTotalSamples, 20u) << c.what;
        host().stop();
        if (c.runningAtOpen)
            host().start(1.0, 10);
        openSettings(output, toggle);
        EXPECT_EQ(output->dataAs<DoModuleData>()->pOutputBuffer != 0, !c.runningAtOpen) << c.what;
        host().stop();
        EXPECT_EQ(output->dataAs<DoModuleData>()->pOutputBuffer, 0u) << c.what;
        host().deleteModule(input);
        host().deleteModule(output);
    }
}

TEST_F(SettingsDialogTest, TheInformationButtonOpensTheAboutBoxOverTheDialog)
{
    standin::HostModule* module = place(kDialogKinds[3]);
    openSettings(module, [&](HWND dialog) {
        HWND owner = nullptr;
        std::string version;
        host().whenDialogOpens([&](HWND about) {
            owner = GetWindow(about, GW_OWNER);
            version = FieldText(about, IDC_ABOUT_VERSION);
            PressButton(about, IDOK);
        });
        PressButton(dialog, IDC_INFO);
        EXPECT_EQ(owner, dialog);
        EXPECT_EQ(version, "Torq-Q7 Module Version 1.00");
        EXPECT_TRUE(IsWindow(dialog));
        PressButton(dialog, IDCANCEL);
    });
}

TEST_P(SettingsFrameTest, WithoutAWorkingCopyTheDialogEndsAtOnceAndNothingChanges)
{
    const DialogKind& kind = GetParam();
    standin::HostModule* module = place(kind, 2);
    const ModuleSnapshot before = ModuleSnapshot::Of(module);
    host().setAllocationFilter([&](std::uint32_t, const std::string& file, std::int32_t) {
        return file != kind.sourceFile;
    });
    const std::size_t seen = host().dialogsSeen();
    EXPECT_EQ(host().setupModule(module), 1u);
    EXPECT_EQ(host().dialogsSeen(), seen);
    EXPECT_TRUE(ModuleSnapshot::Of(module) == before);
    EXPECT_TRUE(host().sizeChanges().empty());
}

// The dialogs share one state: a second one waits until the first is
// closed, and a dialog ended from outside still gives its copy back.
TEST_F(SettingsDialogTest, OneDialogAtATimeAndNoCopyLeftBehind)
{
    standin::HostModule* first = place(kDialogKinds[0], 2);
    standin::HostModule* second = place(kDialogKinds[3], 1);
    const ModuleSnapshot before = ModuleSnapshot::Of(first);
    host().clearRecords();
    openSettings(first, [&](HWND dialog) {
        const std::size_t seen = host().dialogsSeen();
        EXPECT_EQ(host().setupModule(second), 1u);
        EXPECT_EQ(host().dialogsSeen(), seen);
        Type(dialog, IDC_MODULE_NAME, "weg");
        EndDialog(dialog, 5);
    });
    EXPECT_TRUE(ModuleSnapshot::Of(first) == before);
    EXPECT_EQ(memoryCallsOf("Torq7DaCtlDlg").size(), 0u);
    const std::vector<standin::MemoryCall> calls = memoryCallsOf("Torq7AdCtlDlg");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].line, 311);
}

// The setup message names the module; a host whose current module is
// another one (here of a class with a smaller block) gets no dialog, and
// neither module changes.
TEST_F(SettingsDialogTest, SetupOfAModuleThatIsNotTheHostsCurrentOneIsRefused)
{
    standin::HostModule* analogInput = place(kDialogKinds[0], 2);
    standin::HostModule* analogOutput = place(kDialogKinds[3], 1);
    const ModuleSnapshot inputBefore = ModuleSnapshot::Of(analogInput);
    const ModuleSnapshot outputBefore = ModuleSnapshot::Of(analogOutput);
    host().clearRecords();
    const std::size_t seen = host().dialogsSeen();
    // placing the analog output made it the current module
    EXPECT_EQ(host().sendMessage(analogInput, MODMSG_SETUP), 1u);
    EXPECT_EQ(host().dialogsSeen(), seen);
    const std::vector<standin::Warning> warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].caption, "エラー");
    EXPECT_EQ(warnings[0].text, "設定するモジュールがホストの選んでいるモジュールと違います\n設定を開きません");
    EXPECT_TRUE(host().memoryCalls().empty());
    EXPECT_TRUE(ModuleSnapshot::Of(analogInput) == inputBefore);
    EXPECT_TRUE(ModuleSnapshot::Of(analogOutput) == outputBefore);

    // Made current, the module's own dialog opens on its own block.
    openSettings(analogInput, [](HWND dialog) {
        EXPECT_EQ(FieldText(dialog, IDC_SELECTED_CHANNEL), "0");
        EXPECT_EQ(TabState(dialog, 1), TAB_PRESENT);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(memoryCallsOf("Torq7AdCtlDlg").size(), 2u);
    EXPECT_TRUE(ModuleSnapshot::Of(analogOutput) == outputBefore);
}

// Names are cut to their room in the block (channel 19 bytes, module name
// 12, description 40) at a character boundary: no half of a double-byte
// character is left at the end.
TEST_F(SettingsDialogTest, LongTextsAreCutToTheirRoomAtWholeCharacters)
{
    standin::HostModule* module = place(kDialogKinds[1]);
    openSettings(module, [&](HWND dialog) {
        Type(dialog, IDC_CHANNEL_NAME, "表表表表表表表表表表");          // 20 bytes
        Type(dialog, IDC_MODULE_NAME, "a表表表表表表");                  // 13 bytes
        Type(dialog, IDC_DESCRIPTION, std::string(38, 'x') + "表表");    // 42 bytes
        PressButton(dialog, IDOK);
    });
    EXPECT_STREQ(NameOf(module, 0), "表表表表表表表表表");
    EXPECT_EQ(module->name(), "a表表表表表");
    EXPECT_EQ(std::string(module->record()->szDescription), std::string(38, 'x') + "表");
}

}  // namespace
}  // namespace torq7test
