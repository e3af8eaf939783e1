// The fixture of the library's tests: a fresh stand-in host per test, with
// the real Torq7m.dll and (optionally) the simulated driver from the test
// program's folder, a virtual clock, and failures of the library reported
// to the running test. At the end of every test the host is shut down, its
// allocations must balance and no host block may have been written outside
// its bounds.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/host/standin/StandinHost.h"

namespace torq7test {

constexpr std::uint32_t kClockStart = 1000000;

inline std::string ProgramFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length);
    return program.substr(0, program.find_last_of("\\/") + 1);
}

inline std::string LibraryPath() { return ProgramFolder() + "Torq7m.dll"; }
inline std::string DriverPath() { return ProgramFolder() + "driver\\torq7.dll"; }
// The driver that lacks only `entry`.
inline std::string DriverWithoutPath(const std::string& entry)
{
    return ProgramFolder() + "drivers-missing\\" + entry + "\\torq7.dll";
}

// Presses a push button of a dialog as a user would.
inline void PressButton(HWND dialog, int id)
{
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { freshHost(); }
    void TearDown() override { closeHost(); }

    standin::StandinHost& host() { return *host_; }
    SimTorq7Control& driver() { return *host_->driver(); }

    // Ends the current host (with its checks) and starts a new one.
    void freshHost()
    {
        closeHost();
        host_ = std::make_unique<standin::StandinHost>();
        host_->setFailureHook([](const std::string& what) { ADD_FAILURE() << "host: " << what; });
        host_->useVirtualClock(kClockStart);
    }

    // Loads the simulated driver (unless `withDriver` is false: a machine
    // without torq7.dll) and then the library.
    bool loadLibrary(bool withDriver = true, const std::string& driverPath = DriverPath())
    {
        if (withDriver && !host_->loadDriver(driverPath)) {
            ADD_FAILURE() << "cannot load the driver " << driverPath;
            return false;
        }
        if (!host_->loadLibrary(LibraryPath())) {
            ADD_FAILURE() << "cannot load " << LibraryPath();
            return false;
        }
        return true;
    }

    // loadLibrary, then SetupVireoDLL, which must succeed.
    bool startLibrary(bool withDriver = true)
    {
        if (!loadLibrary(withDriver))
            return false;
        const std::uint32_t result = host_->setup();
        EXPECT_EQ(result, 1u) << "SetupVireoDLL";
        return result == 1;
    }

    // A present board in `slot` of the simulated driver; call before startLibrary.
    void addBoard(std::uint32_t slot, std::uint32_t boardNumber, std::uint32_t portAddress = 0xE800)
    {
        const SimBoardConfig board{1, boardNumber, 1, portAddress, 32, slot};
        driver().SimTorq7_SetBoard(slot, &board);
    }

    // Starts the library with one board in slot 0 and records, at every
    // warning, how many times the library had asked the host to stop.
    void startWithBoard(std::uint32_t boardNumber)
    {
        ASSERT_TRUE(loadLibrary());
        addBoard(0, boardNumber);
        ASSERT_EQ(host_->setup(), 1u);
        stopsAtWarnings_.clear();
        host_->setWarningListener([this](const standin::Warning&) { stopsAtWarnings_.push_back(host_->stopRequests()); });
    }

    // The host's count of stop requests at each warning, in order.
    std::vector<std::size_t> stopsAtWarnings_;

    // Stores the worksheet, starts a fresh host with one board and restores
    // the worksheet there; the modules it placed, in order.
    std::vector<standin::HostModule*> reopenWorksheet(std::uint32_t boardNumber)
    {
        // one file per test process: CTest runs tests side by side
        const std::string path = ProgramFolder() + "reopened-" + std::to_string(GetCurrentProcessId()) + ".worksheet";
        std::vector<standin::HostModule*> placed;
        EXPECT_TRUE(host_->saveWorksheet(path));
        freshHost();
        startWithBoard(boardNumber);
        EXPECT_TRUE(host_->loadWorksheet(path, &placed));
        DeleteFileA(path.c_str());
        return placed;
    }

    // Input blocks of `module` given back with NewReleaseInputBlock; each
    // must name the module's source file and line.
    std::size_t inputReleases(const standin::HostModule* module, unsigned input, const char* file, std::int32_t line)
    {
        std::size_t count = 0;
        for (const standin::InputBlockCall& call : host_->inputBlockCalls()) {
            if (call.moduleId == module->id() && call.input == input && call.release && call.withBlock) {
                EXPECT_EQ(call.file, file);
                EXPECT_EQ(call.line, line);
                ++count;
            }
        }
        return count;
    }

    // Places a module and takes the first board that the selection dialog offers.
    standin::HostModule* placeWithFirstBoard(const std::string& className, const standin::Placement& placement = {})
    {
        host_->whenDialogOpens([](HWND dialog) { PressButton(dialog, IDOK); });
        return host_->placeModule(className, placement);
    }

private:
    void closeHost()
    {
        if (!host_)
            return;
        host_->shutdown();
        EXPECT_EQ(host_->liveAllocations(), 0u) << host_->liveAllocationBytes() << " bytes of NewMemAlloc not freed";
        EXPECT_EQ(host_->liveFonts(), 0u) << "fonts of CreateStackedFontIndirect not deleted";
        EXPECT_EQ(host_->damagedBlocks(), 0u) << "host blocks written outside their bounds";
        host_.reset();
    }

    std::unique_ptr<standin::StandinHost> host_;
};

}  // namespace torq7test
