// A scripted user session for the reliability tests: start-up with one
// board, placing a module, its settings opened and answered with OK and
// with Cancel, a stored worksheet restored in its place, a measurement of
// some rounds, the stop and the shut-down. The driver fault test runs it
// with injected driver failures; the worksheet fuzz test runs its later
// steps on damaged stored blocks.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/ClassTable.h"

namespace torq7test {

constexpr std::uint16_t kSessionBoard = 3;
constexpr double kSessionMsPerSample = 1.0;
constexpr std::uint32_t kSessionBlockSize = 10;
constexpr std::uint32_t kRoundMilliseconds = 10;

// One module class as the session uses it.
struct SessionClass {
    const char* className;
    std::uint32_t dataSize;
    unsigned storedInputs;    // channel counts of the module in the stored worksheet
    unsigned storedOutputs;
};

constexpr SessionClass kSessionClasses[] = {
    {"TORQ7AD", sizeof(AdModuleData), 0, 2},
    {"TORQ7DI", sizeof(DiModuleData), 0, 2},
    {"TORQ7DO", sizeof(DoModuleData), 2, 0},
    {"TORQ7DA", sizeof(DaModuleData), 2, 0},
};

template <typename Data>
std::vector<std::uint8_t> BytesOf(const Data& data)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&data);
    return std::vector<std::uint8_t>(bytes, bytes + sizeof data);
}

template <unsigned N>
void WriteNames(char (&names)[N][kChannelNameSize])
{
    for (unsigned c = 0; c < N; ++c)
        std::snprintf(names[c], kChannelNameSize, "ﾁｬﾝﾈﾙ %u", c);
}

// The settings block a user would have stored: default names, the board,
// the first range.
inline std::vector<std::uint8_t> DefaultStoredData(const SessionClass& cls, std::uint16_t board)
{
    const std::string name = cls.className;
    if (name == "TORQ7AD") {
        AdModuleData data{};
        WriteNames(data.szChannelName);
        data.wBoardNumber = board;
        data.wRangeSpan = kInputRanges[0].wRangeSpan;
        data.fRangeHigh = kInputRanges[0].fRangeHigh;
        data.fRangeLow = kInputRanges[0].fRangeLow;
        return BytesOf(data);
    }
    if (name == "TORQ7DI") {
        DiModuleData data{};
        WriteNames(data.szChannelName);
        data.wBoardNumber = board;
        return BytesOf(data);
    }
    if (name == "TORQ7DO") {
        DoModuleData data{};
        WriteNames(data.szChannelName);
        data.wBoardNumber = board;
        return BytesOf(data);
    }
    DaModuleData data{};
    WriteNames(data.szChannelName);
    data.wBoardNumber = board;
    return BytesOf(data);
}

inline standin::StoredModule StoredModuleOf(const SessionClass& cls, std::vector<std::uint8_t> data)
{
    standin::StoredModule stored;
    stored.className = cls.className;
    stored.inputs = cls.storedInputs;
    stored.outputs = cls.storedOutputs;
    stored.data = std::move(data);
    return stored;
}

class SessionTest : public HostTest {
protected:
    // Runs `step` while every dialog of a module that idles is answered with
    // `button`, as a user who presses it once the dialog is up. A step that
    // opens no dialog is not affected.
    template <typename Step>
    auto answeringDialogs(int button, Step step)
    {
        host().setDialogIdleHook([button](HWND dialog) { PressButton(dialog, button); });
        auto result = step();
        host().setDialogIdleHook({});
        return result;
    }

    // The user opens the module's settings and closes them with OK, then
    // opens them again and cancels.
    void setUpWithOkAndCancel(standin::HostModule* module)
    {
        answeringDialogs(IDOK, [&] { return host().setupModule(module); });
        answeringDialogs(IDCANCEL, [&] { return host().setupModule(module); });
    }

    // Samples 0 V and 5 V in turn, so that outputs switch.
    void feedInputs(standin::HostModule* module, unsigned round)
    {
        for (unsigned i = 0; i < module->inputs() && i < 16; ++i) {
            std::vector<float> samples(kSessionBlockSize);
            for (std::uint32_t j = 0; j < kSessionBlockSize; ++j)
                samples[j] = (round + i + j) % 2 ? 5.0f : 0.0f;
            host().feedInput(module, i, samples);
        }
    }

    // `rounds` process rounds of kRoundMilliseconds each, with fresh input
    // blocks before every round; ends early when the measurement stopped.
    void measure(unsigned rounds)
    {
        for (unsigned round = 0; round < rounds && host().running(); ++round) {
            for (standin::HostModule* module : host().modules())
                feedInputs(module, round);
            host().advanceClock(kRoundMilliseconds);
            host().runRound();
        }
    }
};

}  // namespace torq7test
