// The digital input settings dialog: the frame alone.
#include "SettingsDialog.h"
#include "SettingsDialogs.h"

namespace {

constexpr SettingsDialogClass kDiDialog = {
    &kClassTable[kClassDi], "TORQ7_DIDLG", "Torq7DiCtlDlg", 72, 203, 213, nullptr, 0, nullptr,
};

}  // namespace

std::uint32_t DiSettingsDialog(ModuleRecord* module)
{
    return RunSettingsDialog(kDiDialog, module);
}
