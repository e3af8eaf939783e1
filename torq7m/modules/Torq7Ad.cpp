// The analog input class: buffered sampling of up to eight inputs.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "../board/DriverApi.h"
#include "../host/HostImport.h"
#include "../host/LibraryVariables.h"
#include "AdConversion.h"
#include "AdModuleData.h"
#include "AnalogInput.h"
#include "ClassTable.h"
#include "LiveBuffers.h"
#include "ModuleCommon.h"
#include "ModuleHandlers.h"
#include "OutputPacing.h"
#include "SamplingIntervals.h"

namespace {

constexpr char kSourceFile[] = "Torq7Ad";
constexpr std::int32_t kLineAllocate = 200;
constexpr std::int32_t kLineFree = 253;
constexpr std::int32_t kLineRelease = 437;
constexpr unsigned kTextSize = 256;
// NewMemAlloc takes a 32-bit size.
constexpr std::uint64_t kLargestBufferBytes = 0xFFFFFFFFu;
constexpr const AnalogInputLists& kLists = *kClassTable[kClassAd].analogInput;

// The set read in one process call, as the pacing step fills every
// channel's block from it: sample j of channel i is word i + j x n, n the
// channel count the buffer was made for at the start.
struct AdSetFill {
    const std::uint16_t* words;
    LiveBuffer buffer;
    VoltFormula formula;

    // A channel or a sample outside the set (the channel count or the block
    // size changed since the start) is 0.
    void operator()(float* const* samples, std::uint32_t count) const
    {
        const std::uint32_t rows = buffer.elements / buffer.channels;
        const std::uint32_t converted = count < rows ? count : rows;
        ConvertSet(formula, words, buffer.channels, samples, converted);
        for (std::uint32_t c = 0; c < kChannelStateSlots; ++c) {
            if (samples[c])
                std::fill(samples[c] + (c < buffer.channels ? converted : 0), samples[c] + count, 0.0f);
        }
    }
};

// A stored range whose ends are not numbers would make every sample one that
// is not a number either. The start warns about it, and the first range
// converts in its place; the stored block keeps what it holds.
bool RangeIsUsable(const AdModuleData* data)
{
    return std::isfinite(data->fRangeHigh) && std::isfinite(data->fRangeLow);
}

void FreeSampleBuffer(ModuleRecord* module, AdModuleData* data)
{
    const LiveBuffer buffer = TakeLiveBuffer(module);
    if (buffer.address)
        g_host.NewDoMemFree(buffer.address, kSourceFile, kLineFree);
    data->pSampleBuffer = 0;
}

void WarnStartFailure(std::uint16_t board)
{
    const std::int32_t error = StopMeasurementAndGetError(board);
    char text[kTextSize];
    std::snprintf(text, sizeof text, "サンプリング開始に失敗しました\nエラーコード： %d", error);
    g_host.ShowWarning("Torq-Q7", text);
}

void WarnReadFailure(const char* what, std::uint16_t board)
{
    const std::int32_t error = StopMeasurementAndGetError(board);
    char text[kTextSize];
    std::snprintf(text, sizeof text, "%s\nエラーコード： %d", what, error);
    g_host.ShowWarning("Torq-Q7", text);
}

}  // namespace

int ConfigureSampling(ModuleRecord* module, char* text)
{
    AdModuleData* data = ModuleDataOf<AdModuleData>(module);
    const int index = FindIntervalIndex(fGlobalMilliSecondsPerSample);
    if (index < 0) {
        std::snprintf(text, kTextSize, "サンプリングレートが不正です");
        return 0;
    }
    if (data->nBufferSize < 0 || data->nBufferSize >= static_cast<std::int32_t>(kLists.bufferSizes.count)) {
        std::snprintf(text, kTextSize, "バッファサイズのインデックスが不正です");
        return 0;
    }
    // A damaged stored worksheet may bring any count: the board samples one
    // to eight channels, and the set must fit one buffer of the host's.
    const std::uint32_t channels = module->uiOutputChannels;
    if (channels == 0 || channels > kMaxSetChannels) {
        std::snprintf(text, kTextSize, "チャンネル数 %u は使えません\nチャンネル数は 1～%u です", unsigned{channels},
                      unsigned{kMaxSetChannels});
        return 0;
    }
    const std::uint64_t total = std::uint64_t{uiGlobalBlockSize} * channels;
    if (total * sizeof(std::uint16_t) > kLargestBufferBytes) {
        std::snprintf(text, kTextSize, "ブロックサイズ %u × %u チャンネルのバッファは確保できません",
                      unsigned{uiGlobalBlockSize}, unsigned{channels});
        return 0;
    }
    data->Mode.dwFirstChannel = 0;
    data->Mode.dwLastChannel = channels - 1;
    data->Mode.dwBufferWords = kLists.bufferWords[data->nBufferSize];
    data->Mode.dwClockCode = kSamplingIntervalTable[index].clockCode;
    data->Mode.dwModeCode = kLists.modeCodes[data->nStartMethod != 0][data->nBufferMode != 0];
    data->dwTotalSamples = static_cast<std::uint32_t>(total);
    // The driver gets an aligned copy: the mode sits in a packed block.
    SamplingMode mode = data->Mode;
    if (!Torq7SetMode(data->wBoardNumber, &mode)) {
        std::snprintf(text, kTextSize, "サンプリングモードを設定できませんでした\nエラーコード： %d",
                      Torq7GetLastError(data->wBoardNumber));
        return 0;
    }
    return 1;
}

std::uint32_t AdCreate(ModuleRecord* module, int slot)
{
    AdModuleData* data = ModuleDataOf<AdModuleData>(module);
    ClaimChosenBoard(module, kKindAnalogInput, slot, &data->wBoardNumber);
    ApplyDefaultCounts(module, 0, 1);
    data->nInputRange = 0;
    data->nBufferMode = 0;
    data->nBufferSize = 0;
    data->nStartMethod = 0;
    data->dwTotalSamples = 0;
    data->pSampleBuffer = 0;
    data->wRangeSpan = kLists.rangeValues[0].wRangeSpan;
    data->fRangeHigh = kLists.rangeValues[0].fRangeHigh;
    data->fRangeLow = kLists.rangeValues[0].fRangeLow;
    WriteDefaultChannelNames(kClassTable[kClassAd], data->szChannelName);
    ResetAnimationSteps(module);
    return 1;
}

std::uint32_t AdStart(ModuleRecord* module)
{
    AdModuleData* data = ModuleDataOf<AdModuleData>(module);
    StartPacing(module);
    if (!BeginBoardMeasurement(module, kKindAnalogInput, data->wBoardNumber))
        return 0;
    if (!RangeIsUsable(data))
        g_host.ShowWarning("Torq-Q7 ERROR", "入力レンジの設定が壊れています\n0～5V で変換します");
    char text[kTextSize];
    if (!ConfigureSampling(module, text)) {
        EndBoardMeasurement(module);
        g_host.ShowWarning("エラー", text);
        return 0;
    }
    // A start without a stop before it must not leak the earlier buffer.
    FreeSampleBuffer(module, data);
    const std::uint32_t total = data->dwTotalSamples;
    void* buffer = g_host.NewMemAlloc(total * sizeof(std::uint16_t), kSourceFile, kLineAllocate);
    if (buffer && !KeepLiveBuffer(module, LiveBuffer{buffer, total, module->uiOutputChannels})) {
        g_host.NewDoMemFree(buffer, kSourceFile, kLineFree);
        buffer = nullptr;
    }
    if (!buffer) {
        EndBoardMeasurement(module);
        g_host.ShowWarning("Torq-Q7", "バッファを確保できませんでした");
        return 0;
    }
    data->pSampleBuffer = ToHost32(buffer);
    if (!Torq7StartSampling(data->wBoardNumber))
        WarnStartFailure(data->wBoardNumber);
    return 1;
}

std::uint32_t AdStop(ModuleRecord* module)
{
    AdModuleData* data = ModuleDataOf<AdModuleData>(module);
    Torq7StopSampling(data->wBoardNumber);
    FreeSampleBuffer(module, data);
    EndPacing(module);
    EndBoardMeasurement(module);
    return 1;
}

std::uint32_t TORQ7_CALL AdProcess(ModuleRecord* module)
{
    const LiveBuffer buffer = FindLiveBuffer(module);
    if (!buffer.address)
        return 1;
    const AdModuleData* data = ModuleDataOf<AdModuleData>(module);
    const std::uint16_t board = data->wBoardNumber;
    std::uint32_t ready = 0;
    std::uint32_t unused = 0;
    if (!Torq7GetSamplingStatus(board, &ready, &unused)) {
        WarnReadFailure("サンプリング状態の取得を失敗しました", board);
        return 0;
    }
    // The set size is the one the buffer was made for at the start. A board
    // whose clock runs ahead of the tick count completes a set before its
    // block is due: that block goes to the host when it is due, between sets.
    if (ready < buffer.elements) {
        ReleaseDueBlocks(module, kSourceFile, kLineRelease);
        return 1;
    }
    std::uint16_t* words = static_cast<std::uint16_t*>(buffer.address);
    // A failed read leaves the buffer as it was: none of it is a new sample.
    if (!Torq7GetData(board, buffer.elements, words)) {
        WarnReadFailure("サンプリングデータ取得を失敗しました", board);
        ReleaseDueBlocks(module, kSourceFile, kLineRelease);
        return 1;
    }
    const bool usable = RangeIsUsable(data);
    const double high = usable ? data->fRangeHigh : kInputRanges[0].fRangeHigh;
    const double low = usable ? data->fRangeLow : kInputRanges[0].fRangeLow;
    AdSetFill fill{words, buffer, MakeVoltFormula(high, low)};
    PaceNewSet(module, fill, kSourceFile, kLineRelease);
    return 1;
}
