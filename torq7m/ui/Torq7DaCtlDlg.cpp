// The analog output settings dialog: the frame, plus the output range list.
#include <iterator>

#include "../modules/DaModuleData.h"
#include "../res/resource.h"
#include "SettingsDialog.h"
#include "SettingsDialogs.h"

namespace {

// Item k stands for nOutputRange k.
constexpr const char* kOutputRangeItems[] = {
    kOutputRanges[0].label, kOutputRanges[1].label, kOutputRanges[2].label,
    kOutputRanges[3].label, kOutputRanges[4].label,
};
static_assert(std::size(kOutputRangeItems) == kOutputRangeCount, "one item per output range");

constexpr SettingsList kDaLists[] = {
    {IDC_RANGE, kOutputRangeItems, std::size(kOutputRangeItems),
     [](const void* settings) { return static_cast<int>(static_cast<const DaModuleData*>(settings)->nOutputRange); },
     [](void* settings, int selection) {
         static_cast<DaModuleData*>(settings)->nOutputRange = static_cast<std::uint32_t>(selection);
     }},
};

constexpr SettingsDialogClass kDaDialog = {
    "TORQ7_DADLG", "Torq7DaCtlDlg", 82, 231, 242, sizeof(DaModuleData), kDaChannels, ChannelSide::Inputs,
    kDaLists,      std::size(kDaLists), nullptr,
};

}  // namespace

std::uint32_t DaSettingsDialog(ModuleRecord* module)
{
    return RunSettingsDialog(kDaDialog, module);
}
