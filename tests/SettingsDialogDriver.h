// Driving the settings dialogs of the four module classes as a user does:
// the dialog is opened through the module's setup message and worked on
// from the owner's WM_ENTERIDLE, with real messages to its real controls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "TestHost.h"
#include "torq7m/res/resource.h"
#include "torq7m/ui/ControlMessages.h"

namespace torq7test {

// What the host and the user see of one class's settings dialog.
struct DialogKind {
    const char* className;
    const char* title;
    const char* sourceFile;   // with the working copy's NewMemAlloc and NewDoMemFree
    std::int32_t allocLine;
    std::int32_t okFreeLine;
    std::int32_t cancelFreeLine;
    std::uint32_t dataSize;
    unsigned channelMax;
    bool editsOutputs;   // input classes edit the output count
};

inline const DialogKind kDialogKinds[] = {
    {"TORQ7AD", "Torq-Q7 アナログ入力", "Torq7AdCtlDlg", 102, 299, 311, 252, 8, true},
    {"TORQ7DI", "Torq-Q7 デジタル入力", "Torq7DiCtlDlg", 72, 203, 213, 200, 8, true},
    {"TORQ7DO", "Torq-Q7 デジタル出力", "Torq7DoCtlDlg", 72, 203, 214, 200, 8, false},
    {"TORQ7DA", "Torq-Q7 アナログ出力", "Torq7DaCtlDlg", 82, 231, 242, 56, 2, false},
};

inline std::ostream& operator<<(std::ostream& out, const DialogKind& kind)
{
    return out << kind.className;
}

inline unsigned ControlState(HWND dialog, int id)
{
    return GetWindowWord(GetDlgItem(dialog, id), 0);
}

inline unsigned TabState(HWND dialog, unsigned channel)
{
    return ControlState(dialog, IDC_CHANNEL_FIRST + static_cast<int>(channel));
}

inline std::string Text(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string FieldText(HWND dialog, int id)
{
    return Text(GetDlgItem(dialog, id));
}

// A left click on a control: press and release at its top left corner.
inline void Click(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

inline void ClickTab(HWND dialog, unsigned channel)
{
    Click(dialog, IDC_CHANNEL_FIRST + static_cast<int>(channel));
}

// Types a whole new text into an edit field that has the focus.
inline void Type(HWND dialog, int id, const std::string& text)
{
    SetFocus(GetDlgItem(dialog, id));
    SetDlgItemTextA(dialog, id, text.c_str());
}

inline std::vector<std::string> ListItems(HWND dialog, int id)
{
    std::vector<std::string> items;
    const auto count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[128] = {};
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

inline int ListSelection(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

// Opens the drop-down list, picks `item` (-1: none) and closes it again.
inline void ChooseFromList(HWND dialog, int id, int item)
{
    HWND list = GetDlgItem(dialog, id);
    SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
}

class SettingsDialogTest : public HostTest {
protected:
    static constexpr std::uint32_t kBoardNumber = 7;

    void SetUp() override
    {
        HostTest::SetUp();
        startWithBoard(kBoardNumber);
    }

    standin::HostModule* place(const DialogKind& kind, unsigned channels = 1)
    {
        const standin::Placement counts = kind.editsOutputs ? standin::Placement(0, channels)
                                                            : standin::Placement(channels, 0);
        standin::HostModule* module = placeWithFirstBoard(kind.className, counts);
        EXPECT_NE(module, nullptr) << kind.className;
        return module;
    }

    // Opens the module's settings dialog and runs `action` on it once it
    // waits for the user; the action must close it. The setup message's
    // answer must be 1 whatever happened.
    void openSettings(standin::HostModule* module, const std::function<void(HWND dialog)>& action)
    {
        const std::size_t seen = host().dialogsSeen();
        host().whenDialogOpens(action);
        EXPECT_EQ(host().setupModule(module), 1u);
        EXPECT_GT(host().dialogsSeen(), seen) << "the settings dialog did not open";
    }

    static unsigned EditedCount(const DialogKind& kind, const standin::HostModule* module)
    {
        return kind.editsOutputs ? module->outputs() : module->inputs();
    }

    // NewMemAlloc and NewDoMemFree calls naming `file`.
    std::vector<standin::MemoryCall> memoryCallsOf(const std::string& file)
    {
        std::vector<standin::MemoryCall> calls;
        for (const standin::MemoryCall& call : host().memoryCalls()) {
            if (call.file == file)
                calls.push_back(call);
        }
        return calls;
    }
};

// Everything of a module that its settings dialog can change.
struct ModuleSnapshot {
    std::vector<std::uint8_t> data;
    std::string name;
    std::string description;
    unsigned inputs;
    unsigned outputs;

    static ModuleSnapshot Of(const standin::HostModule* module)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(module->data());
        const ModuleRecord* record = module->record();
        return {std::vector<std::uint8_t>(bytes, bytes + module->dataSize()),
                std::string(record->szName, sizeof record->szName),
                std::string(record->szDescription, sizeof record->szDescription), module->inputs(),
                module->outputs()};
    }

    bool operator==(const ModuleSnapshot& other) const
    {
        return data == other.data && name == other.name && description == other.description &&
               inputs == other.inputs && outputs == other.outputs;
    }
};

}  // namespace torq7test
