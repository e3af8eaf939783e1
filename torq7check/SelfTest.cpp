#include "SelfTest.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Advice.h"
#include "board/DriverApi.h"
#include "modules/AdConversion.h"
#include "modules/ClassTable.h"
#include "modules/SamplingIntervals.h"

namespace {

constexpr unsigned kPortReads = 10;

// One analog input set: 100 samples at 1 ms, buffered in driver memory with
// a software start, in the smallest driver buffer the library offers.
constexpr std::uint32_t kSamples = 100;
constexpr double kIntervalMs = 1.0;
constexpr std::uint32_t kSetBufferWords = kBufferWords[0];
constexpr std::uint32_t kSetModeCode = kModeCodes[0][0];
// The set takes 100 ms; a board that has not delivered it by then is stuck.
constexpr DWORD kSetTimeoutMs = 5000;
constexpr DWORD kPollMs = 5;

constexpr std::uint8_t kOutputPatterns[] = {0x55, 0xAA};
constexpr std::uint32_t kAnalogOutputs = 2;
constexpr std::uint32_t kMidRangeCode = 2048;

// "Torq7InPort: 失敗 ..." with the driver's error code for the board.
void ReportFailure(DriverEntry entry, std::uint16_t board, const char* detail)
{
    std::printf("%s: 失敗しました (failed)%s, エラーコード (error code) %d\n", kDriverEntryNames[entry], detail,
                int{Torq7GetLastError(board)});
    PrintAdvice(kAdviceDriverError);
}

bool TestInputPort(std::uint16_t board)
{
    std::printf("デジタル入力 (input port):");
    std::uint8_t bytes[kPortReads];
    unsigned read = 0;
    while (read < kPortReads && Torq7InPort(board, &bytes[read]))
        std::printf(" 0x%02X", unsigned{bytes[read++]});
    std::printf("\n");
    if (read == kPortReads)
        return true;
    char detail[64];
    std::snprintf(detail, sizeof detail, " %u 回目 (read %u of %u)", read + 1, read + 1, kPortReads);
    ReportFailure(kEntryInPort, board, detail);
    return false;
}

// Waits until the driver holds `words` samples; false on a failed status
// query (reported) or when the set does not come.
bool WaitForSet(std::uint16_t board, std::uint32_t words)
{
    const DWORD start = GetTickCount();
    for (;;) {
        std::uint32_t ready = 0;
        std::uint32_t other = 0;
        if (!Torq7GetSamplingStatus(board, &ready, &other)) {
            ReportFailure(kEntryGetSamplingStatus, board, "");
            return false;
        }
        if (ready >= words)
            return true;
        if (GetTickCount() - start > kSetTimeoutMs) {
            std::printf("%s: %lu ms で %u 語のうち %u 語しか揃いません (set not ready)\n",
                        kDriverEntryNames[kEntryGetSamplingStatus], static_cast<unsigned long>(kSetTimeoutMs),
                        unsigned{words}, unsigned{ready});
            PrintAdvice(kAdviceSetNotReady);
            return false;
        }
        Sleep(kPollMs);
    }
}

void ReportChannelVolts(const std::vector<float>& volts, std::uint32_t channel)
{
    double sum = 0.0;
    for (float v : volts)
        sum += v;
    const auto [low, high] = std::minmax_element(volts.begin(), volts.end());
    std::printf("アナログ入力 (analog input) ch%u: 最小 (min) %.3f V, 平均 (mean) %.3f V, 最大 (max) %.3f V\n",
                unsigned{channel}, double{*low}, sum / kSamples, double{*high});
}

bool TestAnalogInput(std::uint16_t board, std::uint32_t channels, unsigned range)
{
    std::printf("アナログ入力 (analog input): %u チャンネル (channels), %s, %u サンプル (samples), %g ms\n",
                unsigned{channels}, kInputRangeTexts[range], unsigned{kSamples}, kIntervalMs);
    const std::uint32_t clockCode = kSamplingIntervalTable[FindIntervalIndex(kIntervalMs)].clockCode;
    SamplingMode mode = {0, channels - 1, kSetBufferWords, clockCode, kSetModeCode};
    if (!Torq7SetMode(board, &mode)) {
        ReportFailure(kEntrySetMode, board, "");
        return false;
    }
    if (!Torq7StartSampling(board)) {
        ReportFailure(kEntryStartSampling, board, "");
        return false;
    }
    const std::uint32_t words = channels * kSamples;
    std::vector<std::uint16_t> set(words);
    bool good = WaitForSet(board, words);
    if (good && !Torq7GetData(board, words, set.data())) {
        ReportFailure(kEntryGetData, board, "");
        good = false;
    }
    if (!Torq7StopSampling(board)) {
        ReportFailure(kEntryStopSampling, board, "");
        good = false;
    }
    if (!good)
        return false;
    const VoltFormula formula = MakeVoltFormula(kInputRanges[range].fRangeHigh, kInputRanges[range].fRangeLow);
    std::vector<std::vector<float>> volts(channels, std::vector<float>(kSamples));
    float* samples[kMaxSetChannels] = {};
    for (std::uint32_t channel = 0; channel < channels; ++channel)
        samples[channel] = volts[channel].data();
    ConvertSet(formula, set.data(), channels, samples, kSamples);
    for (std::uint32_t channel = 0; channel < channels; ++channel)
        ReportChannelVolts(volts[channel], channel);
    return true;
}

bool WriteOutputs(std::uint16_t board)
{
    bool good = true;
    for (std::uint8_t pattern : kOutputPatterns) {
        std::uint8_t back = 0;
        if (!Torq7OutPort(board, pattern)) {
            ReportFailure(kEntryOutPort, board, "");
            return false;
        }
        if (!Torq7InPort(board, &back)) {
            ReportFailure(kEntryInPort, board, "");
            return false;
        }
        std::printf("デジタル出力 (output port) 0x%02X, 読み返し (read back) 0x%02X: %s\n", unsigned{pattern},
                    unsigned{back}, back == pattern ? "折り返し一致 (loopback matches)" : "折り返しなし (no loopback)");
    }
    for (std::uint32_t channel = 0; channel < kAnalogOutputs && good; ++channel) {
        good = Torq7SetData(board, channel, kMidRangeCode) != 0;
        if (good)
            std::printf("アナログ出力 (analog output) ch%u: コード (code) %u (中央 mid-range)\n", unsigned{channel},
                        unsigned{kMidRangeCode});
        else
            ReportFailure(kEntrySetData, board, "");
    }
    return good;
}

// Every output back at 0, whatever happened before.
bool ClearOutputs(std::uint16_t board)
{
    bool good = true;
    if (!Torq7OutPort(board, 0)) {
        ReportFailure(kEntryOutPort, board, "");
        good = false;
    }
    for (std::uint32_t channel = 0; channel < kAnalogOutputs; ++channel) {
        if (!Torq7SetData(board, channel, 0)) {
            ReportFailure(kEntrySetData, board, "");
            good = false;
        }
    }
    if (good)
        std::printf("出力 (outputs): すべて 0 に戻しました (all set back to 0)\n");
    return good;
}

}  // namespace

bool RunSelfTest(const SelfTestRequest& request)
{
    std::printf("自己診断 (self-test): ボード番号 (board number) %u\n", unsigned{request.board});
    bool good = TestInputPort(request.board);
    good = TestAnalogInput(request.board, request.channels, request.range) && good;
    if (request.writeOutputs) {
        good = WriteOutputs(request.board) && good;
        good = ClearOutputs(request.board) && good;
    } else {
        std::printf("出力 (outputs): 書きません (not written; --outputs writes them)\n");
    }
    std::printf("自己診断 (self-test): %s\n", good ? "正常 (passed)" : "失敗 (failed)");
    if (!good)
        PrintAdvice(kAdviceSelfTestAgain);
    return good;
}
