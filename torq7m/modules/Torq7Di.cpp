// The digital input class: the eight lines of the input port, 5 V for a set bit.
#include <cstdio>

#include "../board/DriverApi.h"
#include "../host/HostImport.h"
#include "DiModuleData.h"
#include "ModuleCommon.h"
#include "ModuleHandlers.h"
#include "OutputPacing.h"

namespace {

constexpr char kSourceFile[] = "Torq7Di";
constexpr std::int32_t kLineRelease = 366;
constexpr float kLogicHigh = 5.0f;
constexpr float kLogicLow = 0.0f;

void WarnReadFailure(std::uint16_t board, std::uint32_t channel)
{
    const std::int32_t error = StopMeasurementAndGetError(board);
    char text[128];
    std::snprintf(text, sizeof text, "LogSlot = %u\nChannel = %u\nErrCode = %d", unsigned{board}, channel, error);
    g_host.ShowWarning("サンプリングエラー", text);
}

// One process call's reading of the port, shared by all its channels: every
// sample reads the port once; after a failed read the sample keeps whatever
// the byte holds.
struct DiPortReader {
    std::uint16_t board;
    std::uint8_t byPortData;

    void operator()(std::uint32_t channel, float* samples, std::uint32_t count)
    {
        for (std::uint32_t j = 0; j < count; ++j) {
            if (!BoardPortAccess(board, kPortRead, &byPortData))
                WarnReadFailure(board, channel);
            samples[j] = channel < kDiChannels && ((byPortData >> channel) & 1) ? kLogicHigh : kLogicLow;
        }
    }
};

}  // namespace

std::uint32_t DiCreate(ModuleRecord* module, int slot)
{
    DiModuleData* data = ModuleDataOf<DiModuleData>(module);
    ClaimChosenBoard(module, kKindDigitalInput, slot, &data->wBoardNumber);
    ApplyDefaultCounts(module, 0, 1);
    WriteDefaultChannelNames(kClassTable[kClassDi], data->szChannelName);
    ResetAnimationSteps(module);
    return 1;
}

std::uint32_t DiStart(ModuleRecord* module)
{
    StartPacing(module);
    return 1;
}

std::uint32_t DiStop(ModuleRecord* module)
{
    EndPacing(module);
    return 1;
}

std::uint32_t TORQ7_CALL DiProcess(ModuleRecord* module)
{
    DiPortReader reader{ModuleDataOf<DiModuleData>(module)->wBoardNumber, 0};
    PaceOutputs(module, reader, kSourceFile, kLineRelease);
    return 1;
}
