// The simulated driver as the library sees it, for the driver's tests: loaded
// from its folder, bound by name, driven against a virtual clock.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/control/SimTorq7Control.h"
#include "sim/control/SimTorq7Loader.h"

inline std::uint32_t g_now;

inline std::uint32_t TORQ7_CALL VirtualClock()
{
    return g_now;
}

// A path beside the test program.
inline std::string BesideProgram(const std::string& relative)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + relative;
}

template <typename F>
F Bind(HMODULE driver, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(driver, name)));
}

constexpr std::uint32_t kAny = 0xFFFFFFFF;
constexpr std::uint16_t kBoard = 7;
constexpr std::uint32_t kSlot = 2;

class SimDriver : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver_ = LoadLibraryA(BesideProgram("driver\\torq7.dll").c_str());
        ASSERT_NE(driver_, nullptr);
        ASSERT_TRUE(LoadSimTorq7Control(driver_, &sim_));
        create_ = Bind<drvfn::Create>(driver_, "Torq7Create");
        close_ = Bind<drvfn::Close>(driver_, "Torq7Close");
        getResource_ = Bind<drvfn::GetResource>(driver_, "Torq7GetResource");
        setMode_ = Bind<drvfn::SetMode>(driver_, "Torq7SetMode");
        start_ = Bind<drvfn::StartSampling>(driver_, "Torq7StartSampling");
        stop_ = Bind<drvfn::StopSampling>(driver_, "Torq7StopSampling");
        status_ = Bind<drvfn::GetSamplingStatus>(driver_, "Torq7GetSamplingStatus");
        getData_ = Bind<drvfn::GetData>(driver_, "Torq7GetData");
        setData_ = Bind<drvfn::SetData>(driver_, "Torq7SetData");
        inPort_ = Bind<drvfn::InPort>(driver_, "Torq7InPort");
        outPort_ = Bind<drvfn::OutPort>(driver_, "Torq7OutPort");
        lastError_ = Bind<drvfn::GetLastError>(driver_, "Torq7GetLastError");
        sim_.SimTorq7_Reset();
        g_now = 5000;
        sim_.SimTorq7_SetClock(VirtualClock);
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }

    void TearDown() override
    {
        DestroyWindow(window_);
        sim_.SimTorq7_Reset();
        FreeLibrary(driver_);
    }

    // Board number kBoard in slot kSlot, opened with the test's window.
    void OpenBoard()
    {
        const SimBoardConfig config{1, kBoard, 1, 0xE800, 32, 3};
        sim_.SimTorq7_SetBoard(kSlot, &config);
        std::uint32_t slot = kSlot;
        ASSERT_EQ(create_(&slot, window_, kDriverMessageBase, 0), 1);
    }

    std::vector<UINT> PostedMessages()
    {
        std::vector<UINT> messages;
        MSG msg;
        while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE))
            messages.push_back(msg.message);
        return messages;
    }

    std::int32_t SetMode(std::uint32_t first, std::uint32_t last, std::uint32_t words, std::uint32_t clock,
                         std::uint32_t mode)
    {
        SamplingMode sampling{first, last, words, clock, mode};
        return setMode_(kBoard, &sampling);
    }

    std::uint32_t Ready()
    {
        std::uint32_t ready = 0, produced = 0;
        EXPECT_EQ(status_(kBoard, &ready, &produced), 1);
        return ready;
    }

    // `count` words, read `chunk` words at a time (the last read may be shorter).
    std::vector<std::uint16_t> ReadWords(std::uint32_t count, std::uint32_t chunk)
    {
        std::vector<std::uint16_t> words(count);
        for (std::uint32_t done = 0; done < count; done += chunk) {
            const std::uint32_t now = std::min(chunk, count - done);
            EXPECT_EQ(getData_(kBoard, now, &words[done]), 1) << "at word " << done;
        }
        return words;
    }

    HMODULE driver_ = nullptr;
    HWND window_ = nullptr;
    SimTorq7Control sim_{};
    drvfn::Create create_;
    drvfn::Close close_;
    drvfn::GetResource getResource_;
    drvfn::SetMode setMode_;
    drvfn::StartSampling start_;
    drvfn::StopSampling stop_;
    drvfn::GetSamplingStatus status_;
    drvfn::GetData getData_;
    drvfn::SetData setData_;
    drvfn::InPort inPort_;
    drvfn::OutPort outPort_;
    drvfn::GetLastError lastError_;
};
