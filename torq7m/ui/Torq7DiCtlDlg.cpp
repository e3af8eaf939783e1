// The digital input settings dialog: the frame alone.
#include "../modules/DiModuleData.h"
#include "SettingsDialog.h"
#include "SettingsDialogs.h"

namespace {

constexpr SettingsDialogClass kDiDialog = {
    "TORQ7_DIDLG", "Torq7DiCtlDlg", 72, 203, 213, sizeof(DiModuleData), kDiChannels, ChannelSide::Outputs,
    nullptr,       0,               nullptr,
};

}  // namespace

std::uint32_t DiSettingsDialog(ModuleRecord* module)
{
    return RunSettingsDialog(kDiDialog, module);
}
