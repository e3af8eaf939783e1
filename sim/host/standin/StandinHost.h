// The stand-in host: loads Torq7m.dll as the data-acquisition application
// does, answers its symbol import, offers the host functions, keeps the
// worksheet's modules and runs measurements, and records every call the
// library makes. Used by the tests and by standin-host.exe.
//
// One StandinHost exists at a time (the host functions the library calls
// carry no context). Modules are placed, configured and deleted on the
// thread that created the host; process calls may run on a thread of their
// own (runFor).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/control/SimTorq7Control.h"
#include "sim/host/record/Recorded.h"
#include "sim/host/storage/WorksheetToml.h"
#include "sim/host/worksheet/HostModule.h"
#include "torq7m/host/HostRecords.h"

namespace standin {

struct HostRooms;

class StandinHost {
public:
    StandinHost();
    ~StandinHost();
    StandinHost(const StandinHost&) = delete;
    StandinHost& operator=(const StandinHost&) = delete;

    HWND mainWindow() const;
    HMENU mainMenu() const;

    // --- Failures of the library seen by the host: a trapped host function,
    // a broken block protocol, a dialog left without an answer. Each is also
    // kept in protocolErrors().
    void setFailureHook(std::function<void(const std::string& what)> hook);
    std::vector<std::string> protocolErrors() const;

    // --- Driver: the simulated torq7.dll, loaded by full path before the
    // library so that the library's load by bare name finds it. A failed
    // load, of either, leaves the system's error for GetLastError.
    bool loadDriver(const std::string& path);
    SimTorq7Control* driver();   // null without a driver

    // --- Library.
    bool loadLibrary(const std::string& path);   // also patches its clock import
    std::uint32_t setup();                       // SetupVireoDLL(main window)
    std::uint32_t finish();                      // FinishVireoDLL(0)
    std::uint32_t wep();                         // WEP(0)
    HMODULE library() const;
    // Ends everything: stops a measurement, deletes the modules, finishes
    // the library (after a successful setup), unloads library and driver.
    void shutdown();

    // --- Answers to the symbol import, each overridable before setup().
    void answerVariable(const std::string& name, std::uint32_t value);    // 0: host does not know it
    void answerFunction(const std::string& name, std::uintptr_t address); // 0: host does not know it
    void setDefineDllModuleResult(std::uint32_t result);
    void setDefineDllVariableResult(std::size_t callIndex, std::uint32_t result);   // 0 = first call
    // Default: 0x7F000000 | message.
    void setDefaultActionResult(std::optional<std::uint32_t> result);
    // false refuses the allocation (NewMemAlloc returns null).
    void setAllocationFilter(std::function<bool(std::uint32_t size, const std::string& file, std::int32_t line)>);
    // false: GetCurrentOutputBlock returns null for that channel.
    void setOutputBlockFilter(std::function<bool(const HostModule& module, unsigned channel)>);
    void setWarningListener(std::function<void(const Warning&)> listener);
    // Sees every block an output channel releases, in counts mode too, on
    // the thread of the process call and under the host's lock: it must not
    // call the host.
    void setBlockListener(std::function<void(const HostModule& module, unsigned channel, const BlockView& block)>);

    // --- What was recorded.
    std::vector<ImportRequest> imports() const;
    std::vector<HostCall> calls() const;               // every host function call, in order
    std::size_t callCount(const std::string& function) const;
    std::vector<MemoryCall> memoryCalls() const;
    std::size_t liveAllocations() const;
    std::size_t liveAllocationBytes() const;
    std::vector<Warning> warnings() const;
    std::size_t stopRequests() const;
    std::vector<RegisteredClass> classes() const;
    const RegisteredClass* findClass(const std::string& className) const;
    std::vector<DefaultActionCall> defaultActions() const;
    std::vector<SizeChange> sizeChanges() const;
    std::vector<MenuEntry> menuEntries() const;
    std::vector<BoundVariable> boundVariables() const;
    std::size_t defineDllModuleCalls() const;
    std::size_t liveFonts() const;
    // Host blocks whose canaries the library overwrote since this host began
    // (checked now for the live ones, and at every free).
    std::size_t damagedBlocks() const;
    std::vector<ReleasedBlock> releasedBlocks() const;
    std::vector<ReleasedBlock> releasedBlocks(const HostModule* module, unsigned channel) const;
    std::vector<InputBlockCall> inputBlockCalls() const;
    std::vector<ModuleResult> moduleResults() const;
    void clearRecords();   // forgets recorded calls and blocks; live state stays

    // --- Counts mode, for measurements of any length in bounded memory:
    // host function calls are counted (callCount) instead of recorded
    // (calls, inputBlockCalls and releasedBlocks stay empty), each output
    // channel keeps a ChannelTally instead of its blocks, and a channel's
    // block memory is used again for its next block.
    void useCountsMode(bool on);
    ChannelTally channelTally(const HostModule* module, unsigned channel) const;
    // Time-stamp counter ticks spent inside the host functions the library
    // called, since the host was made: the host's share of a process call.
    std::uint64_t hostTicks() const;
    // Time-stamp counter ticks spent inside the library's process functions,
    // host functions included: hostTicks() of them are the host's.
    std::uint64_t processTicks() const;

    // --- Clock seen by the library (its GetTickCount) and the driver: the
    // low 32 bits of a 64-bit millisecond count.
    void useVirtualClock(std::uint32_t now);
    void setClock(std::uint32_t now);
    void advanceClock(std::uint64_t milliseconds);
    void useRealClock();
    std::uint32_t now() const;
    std::uint64_t elapsed() const;   // ms since the start of the measurement, past any wrap
    unsigned patchedClockImports() const;   // import entries redirected in the library

    // --- Modules.
    HostModule* placeModule(const std::string& className, const Placement& placement = {});
    std::uint32_t sendMessage(HostModule* module, std::uint32_t message, std::uint32_t param1 = 0,
                              std::uint32_t param2 = 0);
    std::uint32_t setupModule(HostModule* module);   // current module, then message 103
    void deleteModule(HostModule* module);           // message 102, records freed
    // One module's start or stop while a measurement runs (the user starts
    // or stops it alone); the host processes a module only between the two,
    // and sends the stop only once no process call of the module is running.
    std::uint32_t startModule(HostModule* module);
    std::uint32_t stopModule(HostModule* module);
    // One process call of one started module, from any thread; false when
    // the module is not started. Not to be mixed with runFor.
    bool processModule(HostModule* module);
    std::vector<HostModule*> modules() const;        // in placement order
    HostModule* findModule(const ModuleRecord* record) const;
    HostModule* findModule(int id) const;
    // Menu command of the host: a registered menu entry runs its handler; a
    // module class's menu command places a module of that class.
    bool chooseMenuCommand(std::uint32_t command);

    // --- Modal dialogs. Those owned by a module window are seen through the
    // WM_ENTERIDLE that their loop sends to the owner; others (a dialog
    // owned by a dialog, a message box without owner) through a 25 ms poll
    // that runs inside any modal loop. A new dialog with neither a queued
    // action nor an idle hook is reported as a failure and cancelled; one
    // left open for 10 s is reported and ended.
    void setDialogIdleHook(std::function<void(HWND dialog)> hook);   // every idle of a module's dialog
    void whenDialogOpens(std::function<void(HWND dialog)> action);   // once, for the next new dialog
    std::size_t dialogsSeen() const;
    // A person at the screen answers the dialogs: no failure reports, no
    // cancelling, no time limit for dialogs without a queued action.
    void leaveDialogsToUser();

    // --- Measurements.
    void connect(HostModule* from, unsigned output, HostModule* to, unsigned input);
    void feedInput(HostModule* to, unsigned input, const std::vector<float>& samples);
    std::size_t waitingInputBlocks(const HostModule* module, unsigned input) const;
    std::vector<DroppedInputBlocks> droppedInputBlocks() const;   // since the measurement's start
    void setTimeBase(double millisecondsPerSample, std::uint32_t blockSize);
    double millisecondsPerSample() const;
    std::uint32_t blockSize() const;
    void setAnimation(bool on);
    // Writes the variables, then sends MODMSG_START to every module in
    // order; false when a module answered 0 (the run goes on all the same).
    bool start();
    bool start(double millisecondsPerSample, std::uint32_t blockSize);
    // One process call per module in placement order; after a round in which
    // the library asked to stop, the measurement is stopped. False when no
    // measurement runs (anymore).
    bool runRound();
    // `rounds` rounds, each after advancing the virtual clock.
    void runRounds(unsigned rounds, std::uint32_t millisecondsPerRound);
    // Rounds on a thread of their own for `milliseconds` of real time (or
    // until the library stops the run), while this thread serves window
    // messages; `progress` runs here about every 250 ms. Then stops.
    void runFor(std::uint32_t milliseconds, const std::function<void()>& progress = {});
    // Process calls as a host that calls over and over makes them, on the
    // virtual clock: whenever a board completes a set, a held block falls
    // due or an input block waits, and at least once per block time, for
    // `milliseconds` (or until the library stops the run), with the driver's
    // notices delivered after every round; `progress` runs at each tenth of
    // the run. The run lasts whole block times. Then stops.
    void runOnVirtualClock(std::uint64_t milliseconds, const std::function<void()>& progress = {});
    // How long runOnVirtualClock(milliseconds) runs: rounded up to whole
    // block times (whole ms when a block takes less than one).
    std::uint64_t virtualRunLength(std::uint64_t milliseconds) const;
    void pause();
    void resume();
    void stop();   // MODMSG_STOP to every module, running flag 0
    bool running() const;
    bool paused() const;
    std::uint32_t experimentStartTicks() const;   // clock at the last start

    // --- Worksheets: TOML as described in the README (WorksheetToml.h);
    // the earlier hexadecimal files (first line "standin-worksheet 1") are
    // still read.
    // False, with the path and the system's reason in *error, when the file
    // cannot be written whole.
    bool saveWorksheet(const std::string& path, std::string* error = nullptr) const;
    // Places the stored modules with their data, restores the connections and
    // the time base, and sends MODMSG_LOADED to each. False, with the file,
    // line and mistake in *error, on a file that cannot be read or used or a
    // class that is not registered; then nothing is placed.
    bool loadWorksheet(const std::string& path, std::vector<HostModule*>* placed = nullptr,
                       std::string* error = nullptr);
    // loadWorksheet for a worksheet already read (ReadWorksheet); `path`
    // names it in messages.
    bool placeWorksheet(const StoredWorksheet& worksheet, const std::string& path,
                        std::vector<HostModule*>* placed = nullptr, std::string* error = nullptr);
    // Restores modules as loadWorksheet does, without connections or time
    // base: each is placed with its stored data and gets MODMSG_LOADED. False
    // (nothing placed) for a class that is not registered or channel counts
    // that the host does not offer.
    bool restoreModules(const std::vector<StoredModule>& stored, std::vector<HostModule*>* placed = nullptr);

private:
    std::unique_ptr<HostRooms> rooms_;
    std::size_t damagedBlocksAtStart_ = 0;   // the arena's count when this host began
};

}  // namespace standin
