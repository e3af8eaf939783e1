// The analog input settings dialog: the frame, plus the input range, buffer
// mode, buffer size and start method lists.
#include <iterator>

#include "../modules/AdModuleData.h"
#include "../res/resource.h"
#include "SettingsDialog.h"
#include "SettingsDialogs.h"

namespace {

// Item i of each list stands for the stored index i.
constexpr const char* kInputRangeItems[] = {"0～5V", "0～10V", "±2.5V", "±5V", "±10V"};
constexpr const char* kBufferModeItems[] = {"ドライバメモリ", "デバイスメモリ"};
constexpr const char* kBufferSizeItems[] = {"8KWord",   "16KWord",  "32KWord", "64KWord", "128KWord", "256KWord",
                                            "512KWord", "1MWord",   "2MWord",  "4MWord",  "8MWord"};
constexpr const char* kStartMethodItems[] = {"ソフトトリガ", "外部トリガ"};
static_assert(std::size(kInputRangeItems) == kInputRangeCount, "one item per input range");

AdModuleData& Settings(void* settings)
{
    return *static_cast<AdModuleData*>(settings);
}

const AdModuleData& Settings(const void* settings)
{
    return *static_cast<const AdModuleData*>(settings);
}

// The limits follow the range only for a range the table has.
void TakeInputRange(void* settings, int selection)
{
    AdModuleData& data = Settings(settings);
    data.nInputRange = selection;
    if (selection >= 0 && static_cast<unsigned>(selection) < kInputRangeCount) {
        const InputRange& range = kInputRanges[selection];
        data.wRangeSpan = range.wRangeSpan;
        data.fRangeHigh = range.fRangeHigh;
        data.fRangeLow = range.fRangeLow;
    }
}

constexpr SettingsList kAdLists[] = {
    {IDC_RANGE, kInputRangeItems, std::size(kInputRangeItems),
     [](const void* settings) { return static_cast<int>(Settings(settings).nInputRange); }, TakeInputRange},
    {IDC_BUFFER_MODE, kBufferModeItems, std::size(kBufferModeItems),
     [](const void* settings) { return static_cast<int>(Settings(settings).nBufferMode); },
     [](void* settings, int selection) { Settings(settings).nBufferMode = selection; }},
    {IDC_BUFFER_SIZE, kBufferSizeItems, std::size(kBufferSizeItems),
     [](const void* settings) { return static_cast<int>(Settings(settings).nBufferSize); },
     [](void* settings, int selection) { Settings(settings).nBufferSize = selection; }},
    {IDC_START_METHOD, kStartMethodItems, std::size(kStartMethodItems),
     [](const void* settings) { return static_cast<int>(Settings(settings).nStartMethod); },
     [](void* settings, int selection) { Settings(settings).nStartMethod = selection; }},
};

// Written by the start and the stop, not by the dialog.
void KeepAdRunFields(void* settings, const void* current)
{
    AdModuleData& copy = Settings(settings);
    const AdModuleData& now = Settings(current);
    copy.dwTotalSamples = now.dwTotalSamples;
    copy.pSampleBuffer = now.pSampleBuffer;
    copy.Mode = now.Mode;
}

constexpr SettingsDialogClass kAdDialog = {
    "TORQ7_ADDLG", "Torq7AdCtlDlg", 102, 299, 311, sizeof(AdModuleData), kAdChannels, ChannelSide::Outputs,
    kAdLists,      std::size(kAdLists), KeepAdRunFields,
};

}  // namespace

std::uint32_t AdSettingsDialog(ModuleRecord* module)
{
    return RunSettingsDialog(kAdDialog, module);
}
