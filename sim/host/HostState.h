// The stand-in host's inner state, shared by its source files.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <set>

#include "CallLog.h"
#include "DialogWatch.h"
#include "HostNames.h"
#include "StandinHost.h"

namespace standin {

// One module with the host's side of its channels.
struct ModuleEntry {
    std::unique_ptr<HostModule> module;
    ModuleMessageHandler handler = nullptr;
    ModuleProcessFunction process = nullptr;
    ChannelState* states = nullptr;                // kChannelStateSlots
    OutputChannelRecord* outputRecords = nullptr;  // kMaxOutputHandles
    DataBlock* outputBlock[kMaxOutputHandles] = {};   // the channel's current block, null when none
    std::uint32_t outputRoom[kMaxOutputHandles] = {}; // samples the current block can hold
    std::deque<DataBlock*> waiting[kMaxInputs];       // blocks waiting on each input
    DataBlock* handedOut[kMaxInputs] = {};            // given to GetInputBlock in this process call
    std::uint32_t fedSamples[kMaxInputs] = {};        // samples fed by the test, for start times
    // Counts mode.
    DataBlock* spareBlock[kMaxOutputHandles] = {};    // a released block's memory, for the next one
    std::uint32_t spareRoom[kMaxOutputHandles] = {};
    ChannelTally tally[kMaxOutputHandles];
    // Between its start and stop messages: processed. Written under the
    // host's mutex, together with the in-process mark.
    std::atomic<bool> started{false};
};

struct Connection {
    int fromId;
    unsigned output;
    int toId;
    unsigned input;
};

struct StandinHost::State {
    explicit State(StandinHost* owner);
    ~State();

    Sequence nextSeq() { return log.nextSeq(); }
    void recordCall(const char* function);
    // Never called with a lock held.
    void fail(const std::string& what) { log.fail(what); }

    // Import answers (HostWindows.cpp).
    std::uintptr_t answerImport(unsigned message, const char* name);
    void createHostObjects();
    void destroyHostObjects();

    // Library variables.
    void writeLibraryVariables();
    template <typename T>
    void writeVariable(const char* name, T value);

    // Modules and blocks.
    ModuleEntry* entryOf(const ModuleRecord* record) const;
    ModuleEntry* entryOf(const HostModule* module) const;
    ModuleEntry* entryById(int id) const;
    ModuleEntry* entryOfChannel(const OutputChannelRecord* channel, unsigned* index) const;
    ModuleEntry* newEntry(const RegisteredClass& cls, unsigned inputs, unsigned outputs, const std::string& name);
    void removeEntry(ModuleEntry* entry);
    // Sends a module message through the class's handler and records the result.
    std::uint32_t sendToModule(ModuleEntry* entry, std::uint32_t message, std::uint32_t p1, std::uint32_t p2);
    DataBlock* newBlock(std::uint32_t room);
    void freeBlocksOf(ModuleEntry* entry);
    // Copies of the entries, taken under modulesMutex. An entry stays alive
    // while a copy is held, though its records are freed at its delete.
    std::vector<std::shared_ptr<ModuleEntry>> entries() const;
    // Whether every stored module's class is registered and its counts fit.
    bool canPlace(const std::vector<StoredModule>& stored) const;
    // Places the stored modules with their data (no message sent).
    std::vector<ModuleEntry*> placeStored(const std::vector<StoredModule>& stored);
    void processRound();
    // Tests that the module is started and marks it in process, in one step
    // under the mutex; processModule then runs the call and clears the mark.
    bool beginProcess(ModuleEntry* entry);
    void processModule(ModuleEntry* entry);
    // Takes the module out of processing and waits for a process call under
    // way to end; true when it was started.
    bool retire(ModuleEntry* entry);

    // Counts mode (HostTally.cpp).
    DataBlock* outputBlockFor(ModuleEntry* entry, unsigned channel, std::uint32_t room);
    void retireOutputBlock(ModuleEntry* entry, unsigned channel);
    void tallyRelease(ModuleEntry* entry, unsigned channel, const DataBlock* block);
    void tallyHeldBlocks(ModuleEntry* entry);
    std::uint64_t clock64() const;

    // Host functions the library calls (HostServices.cpp).
    void* newMemAlloc(std::uint32_t size, const char* file, std::int32_t line);
    std::uint32_t newDoMemFree(void* block, const char* file, std::int32_t line);
    std::uint32_t showWarning(const char* caption, const char* text);
    std::uint32_t stopExperiment();
    std::uint32_t registerModuleClass(const ModuleClassInfo* info);
    std::uint32_t performDefaultAction(ModuleRecord* module, std::uint32_t message, std::uint32_t p1,
                                       std::uint32_t p2);
    DataBlock* getCurrentOutputBlock(OutputChannelRecord* channel);
    std::uint32_t newReleaseOutputBlock(OutputChannelRecord* channel, const char* file, std::int32_t line);
    DataBlock* getInputBlock(ModuleRecord* module, std::uint32_t input);
    std::uint32_t newReleaseInputBlock(ModuleRecord* module, std::uint32_t input, const char* file,
                                       std::int32_t line);
    std::uint32_t changeModuleSize(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs);
    std::uint32_t registerMenuEntry(std::uint32_t command, MenuEntryHandler handler);
    void* createStackedFontIndirect(const LOGFONTA* font);
    std::uint32_t deleteStackedObject(void* object);
    std::uint32_t defineDllModule();
    std::uint32_t defineDllVariable(const char* name, void* address, std::uint32_t size);
    void trap(std::size_t functionIndex);

    mutable std::mutex mutex;   // guards the block queues; taken before the call log's
    // Guards the list of modules (not the modules themselves): the
    // measurement thread looks modules up while the UI thread places them.
    mutable std::recursive_mutex modulesMutex;

    StandinHost* owner;
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HMENU mainMenu = nullptr;

    HMODULE driverModule = nullptr;
    SimTorq7Control driverControl{};
    bool hasDriver = false;

    HMODULE libraryModule = nullptr;
    std::uint32_t(TORQ7_CALL* setupEntry)(HWND) = nullptr;
    std::uint32_t(TORQ7_CALL* finishEntry)(std::uint32_t) = nullptr;
    std::uint32_t(TORQ7_CALL* wepEntry)(std::uint32_t) = nullptr;
    bool setupSucceeded = false;
    bool finished = false;
    unsigned patchedImports = 0;

    std::map<std::string, std::uint32_t> variableOverrides;
    std::map<std::string, std::uintptr_t> functionOverrides;
    std::uint32_t defineModuleResult = 1;
    std::map<std::size_t, std::uint32_t> defineVariableResults;
    std::optional<std::uint32_t> defaultActionResult;
    std::function<bool(std::uint32_t, const std::string&, std::int32_t)> allocationFilter;
    std::function<bool(const HostModule&, unsigned)> outputBlockFilter;
    std::function<void(const HostModule&, unsigned, const BlockView&)> blockListener;

    // Host objects whose values or addresses the import hands out.
    std::vector<std::uintptr_t> variableValues;   // per kHostVariables entry
    HostAddr32* currentModulePtr = nullptr;
    std::vector<void*> hostAreas;
    std::vector<HGDIOBJ> gdiObjects;

    CallLog log;
    DialogWatch dialogs{log};

    // Library variables bound with DefineDllVariable: name -> address.
    std::map<std::string, void*> libraryVariables;

    // Time base and measurement.
    double msPerSample = 1.0;
    std::uint32_t blockSize = 100;
    bool animation = false;
    std::atomic<bool> running{false};
    std::atomic<bool> paused{false};
    std::atomic<bool> stopRequested{false};
    std::uint32_t startTicks = 0;
    std::uint64_t startClock = 0;   // clock64() at the start

    std::atomic<bool> virtualClock{false};
    std::atomic<std::uint64_t> virtualNow{0};


    int nextModuleId = 1;
    std::vector<std::shared_ptr<ModuleEntry>> modules;
    std::vector<Connection> connections;
    std::multiset<ModuleEntry*> inProcess;   // modules whose process function runs, on any thread

    std::size_t damagedBlocksAtStart = 0;   // the arena's count when this host began
};

// The one host whose functions the library calls.
extern StandinHost::State* g_host;

// The clock the library and the driver see.
std::uint32_t TORQ7_CALL HostClock();

// Address of the host function behind a name of kHostFunctionNames, or of a
// trap that reports the call (HostServices.cpp).
std::uintptr_t HostFunctionAddress(std::size_t index);

std::string TextOrEmpty(const char* text);

}  // namespace standin
