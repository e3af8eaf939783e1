#include "ModuleCommon.h"

#include <windows.h>

#include <cstdio>

#include "../board/DriverApi.h"
#include "../host/HostImport.h"

void ClaimChosenBoard(const ModuleRecord* module, ModuleKind kind, int slot, std::uint16_t* boardNumber)
{
    ClaimBoardSlot(kind, slot);
    *boardNumber = g_boardTable[slot].boardNumber;
    HoldBoard(module, kind, *boardNumber);
}

void ApplyDefaultCounts(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs)
{
    if (module->uiInputChannels == 0 && module->uiOutputChannels == 0) {
        module->uiInputChannels = inputs;
        module->uiOutputChannels = outputs;
    }
}

void WriteDefaultChannelNames(const ClassDescription& row, char (*names)[kChannelNameSize])
{
    for (unsigned c = 0; c < row.channelMax; ++c)
        std::snprintf(names[c], kChannelNameSize, row.channelNameFormat, c);
}

void ResetAnimationSteps(const ModuleRecord* module)
{
    for (unsigned c = 0; c < kChannelStateSlots; ++c) {
        if (ChannelState* state = ChannelStateOf(module, c))
            state->nAnimationStep = 0;
    }
}

void ResetChannelStates(const ModuleRecord* module, unsigned count)
{
    for (unsigned c = 0; c < count; ++c) {
        if (ChannelState* state = ChannelStateOf(module, c))
            *state = ChannelState{};
    }
}

std::int32_t StopMeasurementAndGetError(std::uint16_t board)
{
    g_host.StopExperiment();
    return Torq7GetLastError(board);
}

void WarnOutputFailure(std::uint16_t board)
{
    const std::int32_t error = StopMeasurementAndGetError(board);
    char text[160];
    std::snprintf(text, sizeof text, "データ出力に失敗しました\nエラーコード %d\nソケット番号 %u\n", error,
                  unsigned{board});
    g_host.ShowWarning("サンプリングエラー", text);
}
