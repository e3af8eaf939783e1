// The analog input settings dialog: the frame, plus the input range, buffer
// mode, buffer size and start method lists.
#include <iterator>

#include "../res/resource.h"
#include "SettingsDialog.h"
#include "SettingsDialogs.h"

namespace {

constexpr const ClassDescription& kAdClass = kClassTable[kClassAd];
constexpr const AnalogInputLists& kLists = *kAdClass.analogInput;

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
    if (selection >= 0 && static_cast<unsigned>(selection) < kLists.ranges.count) {
        const InputRange& range = kLists.rangeValues[selection];
        data.wRangeSpan = range.wRangeSpan;
        data.fRangeHigh = range.fRangeHigh;
        data.fRangeLow = range.fRangeLow;
    }
}

constexpr SettingsList kAdLists[] = {
    {IDC_RANGE, kLists.ranges, [](const void* settings) { return static_cast<int>(Settings(settings).nInputRange); },
     TakeInputRange},
    {IDC_BUFFER_MODE, kLists.bufferModes,
     [](const void* settings) { return static_cast<int>(Settings(settings).nBufferMode); },
     [](void* settings, int selection) { Settings(settings).nBufferMode = selection; }},
    {IDC_BUFFER_SIZE, kLists.bufferSizes,
     [](const void* settings) { return static_cast<int>(Settings(settings).nBufferSize); },
     [](void* settings, int selection) { Settings(settings).nBufferSize = selection; }},
    {IDC_START_METHOD, kLists.startMethods,
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
    &kAdClass, "TORQ7_ADDLG", "Torq7AdCtlDlg", 102, 299, 311, kAdLists, std::size(kAdLists), KeepAdRunFields,
};

}  // namespace

std::uint32_t AdSettingsDialog(ModuleRecord* module)
{
    return RunSettingsDialog(kAdDialog, module);
}
