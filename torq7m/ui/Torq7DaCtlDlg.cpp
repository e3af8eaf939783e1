// The analog output settings dialog: the frame, plus the output range list.
#include <iterator>

#include "../res/resource.h"
#include "SettingsDialog.h"
#include "SettingsDialogs.h"

namespace {

constexpr const ClassDescription& kDaClass = kClassTable[kClassDa];

constexpr SettingsList kDaLists[] = {
    {IDC_RANGE, kDaClass.analogOutput->ranges,
     [](const void* settings) { return static_cast<int>(static_cast<const DaModuleData*>(settings)->nOutputRange); },
     [](void* settings, int selection) {
         static_cast<DaModuleData*>(settings)->nOutputRange = static_cast<std::uint32_t>(selection);
     }},
};

constexpr SettingsDialogClass kDaDialog = {
    &kDaClass, "TORQ7_DADLG", "Torq7DaCtlDlg", 82, 231, 242, kDaLists, std::size(kDaLists), nullptr,
};

}  // namespace

std::uint32_t DaSettingsDialog(ModuleRecord* module)
{
    return RunSettingsDialog(kDaDialog, module);
}
