// The analog output class: up to two worksheet signals on the board's
// 12-bit converters.
#include <cstdio>

#include "../board/DriverApi.h"
#include "../host/HostImport.h"
#include "../host/LibraryVariables.h"
#include "AnalogOutput.h"
#include "ClassTable.h"
#include "DaModuleData.h"
#include "ModuleCommon.h"
#include "ModuleHandlers.h"

namespace {

constexpr char kSourceFile[] = "Torq7Da";
constexpr std::int32_t kLineRelease = 350;
constexpr double kConverterSteps = 4096.0;
constexpr const AnalogOutputLists& kLists = *kClassTable[kClassDa].analogOutput;

// A stored range outside the table is refused where the worksheet is
// restored or started, and the first range is used in its place.
bool RangeIsKnown(std::uint32_t range)
{
    return range < kLists.ranges.count;
}

void WarnUnknownRange(std::uint32_t range)
{
    char text[160];
    std::snprintf(text, sizeof text, "出力レンジの設定 %u は使えません\n0～5V で出力します", range);
    g_host.ShowWarning("Torq-Q7 ERROR", text);
}

const OutputRange& RangeOf(std::uint32_t range)
{
    return kLists.rangeValues[RangeIsKnown(range) ? range : 0];
}

void WriteBlock(const DaModuleData* data, std::uint32_t channel, DataBlock* block)
{
    const float* samples = BlockSamples(block);
    std::uint32_t count = block->wSampleCount;
    if (count > uiGlobalBlockSize)
        count = uiGlobalBlockSize;
    // The range cannot change during a measurement: the settings dialog
    // offers it only while none runs.
    const OutputRange& range = RangeOf(data->nOutputRange);
    const std::uint16_t board = data->wBoardNumber;
    for (std::uint32_t j = 0; j < count; ++j) {
        const std::int32_t code = VoltsToCode(samples[j], range.dLower, range.dUpper);
        if (!Torq7SetData(board, channel, static_cast<std::uint32_t>(code)))
            WarnOutputFailure(board);
    }
}

}  // namespace

std::int32_t VoltsToCode(float sample, double lower, double upper)
{
    double x = sample;
    if (!(x >= lower))
        x = lower;
    if (x > upper)
        x = upper;
    return static_cast<std::int32_t>((x - lower) * kConverterSteps / (upper - lower));
}

std::uint32_t DaCreate(ModuleRecord* module, int slot)
{
    DaModuleData* data = ModuleDataOf<DaModuleData>(module);
    ClaimChosenBoard(module, kKindAnalogOutput, slot, &data->wBoardNumber);
    ApplyDefaultCounts(module, 1, 0);
    data->nOutputRange = 0;
    WriteDefaultChannelNames(kClassTable[kClassDa], data->szChannelName);
    return 1;
}

std::uint32_t DaLoaded(ModuleRecord* module)
{
    const DaModuleData* data = ModuleDataOf<DaModuleData>(module);
    const std::uint32_t result = ReclaimModuleBoard<DaModuleData, kKindAnalogOutput>(module);
    if (result && !RangeIsKnown(data->nOutputRange))
        WarnUnknownRange(data->nOutputRange);
    return result;
}

std::uint32_t DaStart(ModuleRecord* module)
{
    const DaModuleData* data = ModuleDataOf<DaModuleData>(module);
    if (!BeginBoardMeasurement(module, kKindAnalogOutput, data->wBoardNumber))
        return 0;
    if (!RangeIsKnown(data->nOutputRange))
        WarnUnknownRange(data->nOutputRange);
    return 1;
}

std::uint32_t DaStop(ModuleRecord* module)
{
    EndBoardMeasurement(module);
    return 1;
}

// Every input's block is taken and given back, so that none waits for ever;
// only the board's two outputs are written, and only by a module whose start
// was accepted.
std::uint32_t TORQ7_CALL DaProcess(ModuleRecord* module)
{
    if (bExperimentIsPaused == 1)
        return 1;
    const DaModuleData* data = ModuleDataOf<DaModuleData>(module);
    const bool writes = MeasuresOnItsBoard(module);
    for (std::uint32_t i = 0; i < module->uiInputChannels; ++i) {
        DataBlock* block = g_host.GetInputBlock(module, i);
        if (!block)
            continue;
        if (writes && i < kDaChannels)
            WriteBlock(data, i, block);
        g_host.NewReleaseInputBlock(module, i, kSourceFile, kLineRelease);
    }
    return 1;
}
