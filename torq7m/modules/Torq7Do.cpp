// The digital output class: up to eight worksheet signals on the lines of
// the output port, one port write per sample.
#include <cstring>

#include "../board/DriverApi.h"
#include "../host/HostImport.h"
#include "../host/LibraryVariables.h"
#include "DoModuleData.h"
#include "LiveBuffers.h"
#include "ModuleCommon.h"
#include "ModuleHandlers.h"

namespace {

constexpr char kSourceFile[] = "Torq7Do";
constexpr std::int32_t kLineAllocate = 158;
constexpr std::int32_t kLineFree = 181;
constexpr std::int32_t kLineRelease = 374;
constexpr double kSwitchLevel = 5.0;

void FreeOutputBuffer(ModuleRecord* module, DoModuleData* data)
{
    const LiveBuffer buffer = TakeLiveBuffer(module);
    if (buffer.address)
        g_host.NewDoMemFree(buffer.address, kSourceFile, kLineFree);
    data->pOutputBuffer = 0;
}

// Samples that are not a number fail the comparison and clear the bit.
void ApplySample(std::uint8_t* byte, std::uint32_t channel, float sample)
{
    if (channel >= kDoChannels)
        return;
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << channel);
    if (static_cast<double>(sample) >= kSwitchLevel)
        *byte |= bit;
    else
        *byte &= static_cast<std::uint8_t>(~bit);
}

// Without a buffer (a start that failed) the block is taken and given back
// untouched.
void WriteBlock(std::uint16_t board, std::uint32_t channel, DataBlock* block, LiveBuffer buffer)
{
    std::uint8_t* bytes = static_cast<std::uint8_t*>(buffer.address);
    const float* samples = BlockSamples(block);
    std::uint32_t count = block->wSampleCount;
    if (count > uiGlobalBlockSize)
        count = uiGlobalBlockSize;
    if (count > buffer.elements)
        count = buffer.elements;
    for (std::uint32_t j = 0; j < count; ++j) {
        ApplySample(&bytes[j], channel, samples[j]);
        if (!BoardPortAccess(board, kPortWrite, &bytes[j]))
            WarnOutputFailure(board);
    }
}

}  // namespace

std::uint32_t DoCreate(ModuleRecord* module, int slot)
{
    DoModuleData* data = ModuleDataOf<DoModuleData>(module);
    ClaimChosenBoard(module, kKindDigitalOutput, slot, &data->wBoardNumber);
    ApplyDefaultCounts(module, 1, 0);
    WriteDefaultChannelNames(kClassTable[kClassDo], data->szChannelName);
    return 1;
}

std::uint32_t DoStart(ModuleRecord* module)
{
    DoModuleData* data = ModuleDataOf<DoModuleData>(module);
    // A start without a stop before it must not leak the earlier buffer.
    FreeOutputBuffer(module, data);
    if (!BeginBoardMeasurement(module, kKindDigitalOutput, data->wBoardNumber))
        return 0;
    const std::uint32_t size = uiGlobalBlockSize;
    void* buffer = g_host.NewMemAlloc(size, kSourceFile, kLineAllocate);
    if (buffer && !KeepLiveBuffer(module, LiveBuffer{buffer, size, 1})) {
        g_host.NewDoMemFree(buffer, kSourceFile, kLineFree);
        buffer = nullptr;
    }
    if (!buffer) {
        EndBoardMeasurement(module);
        g_host.ShowWarning("Torq-Q7 D-Out:エラー", "出力バッファ確保を失敗しました");
        return 0;
    }
    std::memset(buffer, 0, size);
    data->pOutputBuffer = ToHost32(buffer);
    return 1;
}

std::uint32_t DoStop(ModuleRecord* module)
{
    FreeOutputBuffer(module, ModuleDataOf<DoModuleData>(module));
    EndBoardMeasurement(module);
    return 1;
}

std::uint32_t TORQ7_CALL DoProcess(ModuleRecord* module)
{
    if (bExperimentIsPaused == 1)
        return 1;
    const std::uint16_t board = ModuleDataOf<DoModuleData>(module)->wBoardNumber;
    const LiveBuffer buffer = FindLiveBuffer(module);
    for (std::uint32_t i = 0; i < module->uiInputChannels; ++i) {
        DataBlock* block = g_host.GetInputBlock(module, i);
        if (!block)
            continue;
        WriteBlock(board, i, block, buffer);
        g_host.NewReleaseInputBlock(module, i, kSourceFile, kLineRelease);
    }
    return 1;
}
