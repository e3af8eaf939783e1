// The digital output settings dialog: the frame alone.
#include "SettingsDialog.h"
#include "SettingsDialogs.h"

namespace {

// The buffer reference belongs to the start and the stop, not to the dialog.
void KeepDoRunFields(void* settings, const void* current)
{
    static_cast<DoModuleData*>(settings)->pOutputBuffer = static_cast<const DoModuleData*>(current)->pOutputBuffer;
}

constexpr SettingsDialogClass kDoDialog = {
    &kClassTable[kClassDo], "TORQ7_DODLG", "Torq7DoCtlDlg", 72, 203, 214, nullptr, 0, KeepDoRunFields,
};

}  // namespace

std::uint32_t DoSettingsDialog(ModuleRecord* module)
{
    return RunSettingsDialog(kDoDialog, module);
}
