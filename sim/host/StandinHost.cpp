#include "StandinHost.h"

#include <intrin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HostArena.h"
#include "HostState.h"
#include "ImportPatch.h"
#include "sim/driver/SimTorq7Loader.h"

namespace standin {

std::uint32_t TORQ7_CALL HostClock()
{
    StandinHost::State* host = g_host;
    return host && host->virtualClock ? static_cast<std::uint32_t>(host->virtualNow.load()) : GetTickCount();
}

namespace {

constexpr char kClockDll[] = "KERNEL32.dll";
constexpr char kClockFunction[] = "GetTickCount";
constexpr std::uint32_t kRoundPauseMilliseconds = 1;
constexpr DWORD kProgressMilliseconds = 250;

template <typename T>
std::vector<T> Copy(std::mutex& mutex, const std::vector<T>& records)
{
    std::lock_guard<std::mutex> lock(mutex);
    return records;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct RoundLoop {
    StandinHost::State* host;
    std::atomic<bool> quit{false};
};

DWORD WINAPI RunRounds(LPVOID parameter)
{
    auto* loop = static_cast<RoundLoop*>(parameter);
    while (!loop->quit && loop->host->running && !loop->host->stopRequested) {
        loop->host->processRound();
        Sleep(kRoundPauseMilliseconds);
    }
    return 0;
}

template <typename F>
void Export(HMODULE module, const char* name, F* entry)
{
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

// --- State: records, variables, modules and rounds. ----------------------

void StandinHost::State::recordCall(const char* function)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (countsMode) {
        ++callCounts[function];
        return;
    }
    calls.push_back({nextSeq(), function, HostClock()});
}

void StandinHost::State::fail(const std::string& what)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        protocolErrors.push_back(what);
    }
    if (failureHook)
        failureHook(what);
}

template <typename T>
void StandinHost::State::writeVariable(const char* name, T value)
{
    const auto it = libraryVariables.find(name);
    if (it != libraryVariables.end())
        *static_cast<volatile T*>(it->second) = value;
}

void StandinHost::State::writeLibraryVariables()
{
    writeVariable<double>("fGlobalMilliSecondsPerSample", msPerSample);
    writeVariable<std::uint32_t>("uiGlobalBlockSize", blockSize);
    writeVariable<std::int32_t>("bAnimation", animation ? 1 : 0);
    writeVariable<std::int32_t>("bExperimentIsRunning", running ? 1 : 0);
    writeVariable<std::int32_t>("bExperimentIsPaused", paused ? 1 : 0);
    writeVariable<std::uint32_t>("dwExperimentStartTimeTicks", startTicks);
    writeVariable<std::int32_t>("BBoxModul", 0);
}

ModuleEntry* StandinHost::State::entryOf(const ModuleRecord* record) const
{
    std::lock_guard<std::recursive_mutex> lock(modulesMutex);
    for (const auto& entry : modules) {
        if (entry->module->record() == record)
            return entry.get();
    }
    return nullptr;
}

ModuleEntry* StandinHost::State::entryOf(const HostModule* module) const
{
    std::lock_guard<std::recursive_mutex> lock(modulesMutex);
    for (const auto& entry : modules) {
        if (entry->module.get() == module)
            return entry.get();
    }
    return nullptr;
}

ModuleEntry* StandinHost::State::entryById(int id) const
{
    std::lock_guard<std::recursive_mutex> lock(modulesMutex);
    for (const auto& entry : modules) {
        if (entry->module->id() == id)
            return entry.get();
    }
    return nullptr;
}

ModuleEntry* StandinHost::State::entryOfChannel(const OutputChannelRecord* channel, unsigned* index) const
{
    std::lock_guard<std::recursive_mutex> lock(modulesMutex);
    for (const auto& entry : modules) {
        const OutputChannelRecord* first = entry->outputRecords;
        if (channel >= first && channel < first + kMaxOutputHandles) {
            *index = static_cast<unsigned>(channel - first);
            return entry.get();
        }
    }
    return nullptr;
}

ModuleEntry* StandinHost::State::newEntry(const RegisteredClass& cls, unsigned inputs, unsigned outputs,
                                          const std::string& name)
{
    auto entry = std::make_shared<ModuleEntry>();
    entry->module = std::make_unique<HostModule>();
    HostModule& module = *entry->module;
    module.id_ = nextModuleId++;
    module.className_ = cls.className;
    module.dataSize_ = cls.info.dwModuleDataSize;
    module.record_ = ArenaNew<ModuleRecord>();
    module.data_ = ArenaAllocateGuarded(module.dataSize_);
    entry->states = ArenaNew<ChannelState>(kChannelStateSlots);
    entry->outputRecords = ArenaNew<OutputChannelRecord>(kMaxOutputHandles);
    entry->handler = cls.handler;
    entry->process = cls.process;

    ModuleRecord& record = *module.record_;
    const std::string shown = name.empty() ? cls.shortName + std::to_string(module.id_) : name;
    std::strncpy(record.szName, shown.c_str(), kModuleNameSize - 1);
    record.dwAnimationArg = static_cast<HostAddr32>(module.id_);
    record.bOutputEnable = 1;
    record.uiInputChannels = inputs;
    record.uiOutputChannels = outputs;
    for (unsigned c = 0; c < kMaxOutputHandles; ++c)
        record.hOutputChannel[c] = ToHost32(&entry->outputRecords[c]);
    for (unsigned c = 0; c < kChannelStateSlots; ++c)
        record.pChannelState[c] = ToHost32(&entry->states[c]);
    record.pModuleData = ToHost32(module.data_);
    module.window_ = CreateWindowExA(0, "StandinHostModule", record.szName, WS_POPUP, 0, 0, 100, 100, mainWindow,
                                     nullptr, instance, nullptr);
    record.hwndModule = HandleToHost32(module.window_);
    std::lock_guard<std::recursive_mutex> lock(modulesMutex);
    modules.push_back(std::move(entry));
    return modules.back().get();
}

void StandinHost::State::freeBlocksOf(ModuleEntry* entry)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (unsigned c = 0; c < kMaxOutputHandles; ++c) {
        ArenaFree(entry->outputBlock[c]);
        entry->outputBlock[c] = nullptr;
        ArenaFree(entry->spareBlock[c]);
        entry->spareBlock[c] = nullptr;
    }
    for (unsigned i = 0; i < kMaxInputs; ++i) {
        for (DataBlock* block : entry->waiting[i])
            ArenaFree(block);
        entry->waiting[i].clear();
        ArenaFree(entry->handedOut[i]);
        entry->handedOut[i] = nullptr;
    }
}

// The records are freed only once no round can reach them: the module is
// out of processing, no block is routed to it any more and it is off the
// list (a round's copy of the list keeps the entry, never its records).
void StandinHost::State::removeEntry(ModuleEntry* entry)
{
    retire(entry);
    const HostModule& module = *entry->module;
    const int id = module.id();
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<Connection> kept;
        for (const Connection& connection : connections) {
            if (connection.fromId != id && connection.toId != id)
                kept.push_back(connection);
        }
        connections = kept;
        std::lock_guard<std::recursive_mutex> listLock(modulesMutex);
        for (auto it = modules.begin(); it != modules.end(); ++it) {
            if (it->get() == entry) {
                modules.erase(it);
                break;
            }
        }
    }
    freeBlocksOf(entry);
    if (currentModulePtr && *currentModulePtr == ToHost32(module.record()))
        *currentModulePtr = 0;
    DestroyWindow(module.window());
    ArenaFree(module.record());
    ArenaFree(module.data());
    ArenaFree(entry->states);
    ArenaFree(entry->outputRecords);
}

std::uint32_t StandinHost::State::sendToModule(ModuleEntry* entry, std::uint32_t message, std::uint32_t p1,
                                               std::uint32_t p2)
{
    const std::uint32_t result = entry->handler ? entry->handler(entry->module->record(), message, p1, p2) : 0;
    std::lock_guard<std::mutex> lock(mutex);
    moduleResults.push_back({nextSeq(), entry->module->id(), message, result});
    return result;
}

DataBlock* StandinHost::State::newBlock(std::uint32_t room)
{
    auto* block = static_cast<DataBlock*>(ArenaAllocate(sizeof(DataBlock) + sizeof(float) * room));
    // The library writes every field it hands over; the rest shows as garbage.
    std::memset(block, 0xCD, sizeof(DataBlock) + sizeof(float) * room);
    return block;
}

bool StandinHost::State::beginProcess(ModuleEntry* entry)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!entry->started)
        return false;
    inProcess.insert(entry);
    return true;
}

bool StandinHost::State::retire(ModuleEntry* entry)
{
    bool wasStarted = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        wasStarted = entry->started.exchange(false);
    }
    // A process call already under way on another thread ends first.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (inProcess.count(entry) == 0)
                return wasStarted;
        }
        Sleep(0);
    }
}

void StandinHost::State::processModule(ModuleEntry* entry)
{
    ModuleRecord* record = entry->module->record();
    const unsigned outputs = std::min<unsigned>(record->uiOutputChannels, kMaxOutputHandles);
    for (unsigned c = 0; c < outputs; ++c)
        entry->outputRecords[c].wServedFlag = 1;
    const std::uint64_t begin = __rdtsc();
    const std::uint32_t result = entry->process ? entry->process(record) : 1;
    processTicks += __rdtsc() - begin;
    if (countsMode)
        tallyHeldBlocks(entry);
    std::vector<std::string> errors;
    {
        std::lock_guard<std::mutex> lock(mutex);
        inProcess.erase(inProcess.find(entry));
        for (unsigned i = 0; i < kMaxInputs; ++i) {
            if (!entry->handedOut[i])
                continue;
            errors.push_back("the input block of input " + std::to_string(i) + " of " + record->szName +
                             " was not released in its process call");
            ArenaFree(entry->handedOut[i]);
            entry->handedOut[i] = nullptr;
        }
        if (result == 0)
            moduleResults.push_back({nextSeq(), entry->module->id(), kProcessCall, 0});
    }
    for (const std::string& error : errors)
        fail(error);
}

std::vector<std::shared_ptr<ModuleEntry>> StandinHost::State::entries() const
{
    std::lock_guard<std::recursive_mutex> lock(modulesMutex);
    return modules;
}

void StandinHost::State::processRound()
{
    for (const auto& entry : entries()) {
        if (beginProcess(entry.get()))
            processModule(entry.get());
    }
}

// --- StandinHost. ---------------------------------------------------------

StandinHost::StandinHost()
{
    if (g_host) {
        std::fputs("standin host: only one StandinHost may exist at a time\n", stderr);
        std::abort();
    }
    state_ = std::make_unique<State>(this);
    state_->damagedBlocksAtStart = ArenaCheck();
}

StandinHost::~StandinHost()
{
    shutdown();
}

HWND StandinHost::mainWindow() const { return state_->mainWindow; }
HMENU StandinHost::mainMenu() const { return state_->mainMenu; }

void StandinHost::setFailureHook(std::function<void(const std::string&)> hook) { state_->failureHook = std::move(hook); }
std::vector<std::string> StandinHost::protocolErrors() const { return Copy(state_->mutex, state_->protocolErrors); }

bool StandinHost::loadDriver(const std::string& path)
{
    State& s = *state_;
    if (s.driverModule)
        return false;
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return false;
    if (!LoadSimTorq7Control(module, &s.driverControl)) {
        FreeLibrary(module);
        return false;
    }
    s.driverModule = module;
    s.hasDriver = true;
    s.driverControl.SimTorq7_SetClock(&HostClock);
    return true;
}

SimTorq7Control* StandinHost::driver() { return state_->hasDriver ? &state_->driverControl : nullptr; }

bool StandinHost::loadLibrary(const std::string& path)
{
    State& s = *state_;
    if (s.libraryModule)
        return false;
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return false;
    Export(module, "SetupVireoDLL", &s.setupEntry);
    Export(module, "FinishVireoDLL", &s.finishEntry);
    Export(module, "WEP", &s.wepEntry);
    if (!s.setupEntry || !s.finishEntry || !s.wepEntry) {
        FreeLibrary(module);
        return false;
    }
    s.libraryModule = module;
    s.setupSucceeded = false;
    s.finished = false;
    s.patchedImports = PatchImport(module, kClockDll, kClockFunction, reinterpret_cast<const void*>(&HostClock));
    return true;
}

std::uint32_t StandinHost::setup()
{
    State& s = *state_;
    if (!s.setupEntry)
        return 0;
    const std::uint32_t result = s.setupEntry(s.mainWindow);
    s.setupSucceeded = result != 0;
    return result;
}

std::uint32_t StandinHost::finish()
{
    State& s = *state_;
    if (!s.finishEntry)
        return 0;
    s.finished = true;
    return s.finishEntry(0);
}

std::uint32_t StandinHost::wep() { return state_->wepEntry ? state_->wepEntry(0) : 0; }
HMODULE StandinHost::library() const { return state_->libraryModule; }

void StandinHost::shutdown()
{
    State& s = *state_;
    stop();
    for (const auto& entry : s.entries())
        deleteModule(entry->module.get());
    if (s.libraryModule) {
        if (s.setupSucceeded && !s.finished)
            finish();
        FreeLibrary(s.libraryModule);
        s.libraryModule = nullptr;
        s.setupEntry = nullptr;
        s.finishEntry = nullptr;
        s.wepEntry = nullptr;
        // Its variables, classes and menu handlers went with it.
        s.libraryVariables.clear();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.classes.clear();
        s.menuEntries.clear();
    }
    if (s.driverModule) {
        s.driverControl.SimTorq7_SetClock(nullptr);
        FreeLibrary(s.driverModule);
        s.driverModule = nullptr;
        s.hasDriver = false;
    }
}

void StandinHost::answerVariable(const std::string& name, std::uint32_t value) { state_->variableOverrides[name] = value; }
void StandinHost::answerFunction(const std::string& name, std::uintptr_t address) { state_->functionOverrides[name] = address; }
void StandinHost::setDefineDllModuleResult(std::uint32_t result) { state_->defineModuleResult = result; }
void StandinHost::setDefineDllVariableResult(std::size_t callIndex, std::uint32_t result)
{
    state_->defineVariableResults[callIndex] = result;
}
void StandinHost::setDefaultActionResult(std::optional<std::uint32_t> result) { state_->defaultActionResult = result; }
void StandinHost::setAllocationFilter(std::function<bool(std::uint32_t, const std::string&, std::int32_t)> filter)
{
    state_->allocationFilter = std::move(filter);
}
void StandinHost::setOutputBlockFilter(std::function<bool(const HostModule&, unsigned)> filter)
{
    state_->outputBlockFilter = std::move(filter);
}
void StandinHost::setWarningListener(std::function<void(const Warning&)> listener)
{
    state_->warningListener = std::move(listener);
}
void StandinHost::setBlockListener(std::function<void(const HostModule&, unsigned, const BlockView&)> listener)
{
    state_->blockListener = std::move(listener);
}

std::vector<ImportRequest> StandinHost::imports() const { return Copy(state_->mutex, state_->imports); }
std::vector<HostCall> StandinHost::calls() const { return Copy(state_->mutex, state_->calls); }

std::size_t StandinHost::callCount(const std::string& function) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::size_t count = 0;
    for (const HostCall& call : state_->calls)
        count += call.function == function;
    for (const auto& counted : state_->callCounts)
        count += function == counted.first ? counted.second : 0;
    return count;
}

std::vector<MemoryCall> StandinHost::memoryCalls() const { return Copy(state_->mutex, state_->memoryCalls); }

std::size_t StandinHost::liveAllocations() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->liveBlocks.size();
}

std::size_t StandinHost::liveAllocationBytes() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::size_t bytes = 0;
    for (const auto& block : state_->liveBlocks)
        bytes += block.second.size;
    return bytes;
}

std::vector<Warning> StandinHost::warnings() const { return Copy(state_->mutex, state_->warnings); }

std::size_t StandinHost::stopRequests() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->stopRequests;
}

std::vector<RegisteredClass> StandinHost::classes() const { return Copy(state_->mutex, state_->classes); }

const RegisteredClass* StandinHost::findClass(const std::string& className) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (const RegisteredClass& cls : state_->classes) {
        if (cls.className == className)
            return &cls;
    }
    return nullptr;
}

std::vector<DefaultActionCall> StandinHost::defaultActions() const { return Copy(state_->mutex, state_->defaultActions); }
std::vector<SizeChange> StandinHost::sizeChanges() const { return Copy(state_->mutex, state_->sizeChanges); }
std::vector<MenuEntry> StandinHost::menuEntries() const { return Copy(state_->mutex, state_->menuEntries); }
std::vector<BoundVariable> StandinHost::boundVariables() const { return Copy(state_->mutex, state_->boundVariables); }

std::size_t StandinHost::defineDllModuleCalls() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->defineModuleCalls;
}

std::size_t StandinHost::liveFonts() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->fonts.size();
}

std::vector<ReleasedBlock> StandinHost::releasedBlocks() const { return Copy(state_->mutex, state_->released); }

std::vector<ReleasedBlock> StandinHost::releasedBlocks(const HostModule* module, unsigned channel) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::vector<ReleasedBlock> blocks;
    for (const ReleasedBlock& block : state_->released) {
        if (module && block.moduleId == module->id() && block.channel == channel)
            blocks.push_back(block);
    }
    return blocks;
}

std::vector<InputBlockCall> StandinHost::inputBlockCalls() const { return Copy(state_->mutex, state_->inputCalls); }
std::vector<ModuleResult> StandinHost::moduleResults() const { return Copy(state_->mutex, state_->moduleResults); }

void StandinHost::clearRecords()
{
    State& s = *state_;
    std::lock_guard<std::mutex> lock(s.mutex);
    s.imports.clear();
    s.calls.clear();
    s.callCounts.clear();
    s.memoryCalls.clear();
    s.warnings.clear();
    s.stopRequests = 0;
    s.defaultActions.clear();
    s.sizeChanges.clear();
    s.released.clear();
    s.inputCalls.clear();
    s.moduleResults.clear();
    s.protocolErrors.clear();
}

void StandinHost::useCountsMode(bool on)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->countsMode = on;
}

ChannelTally StandinHost::channelTally(const HostModule* module, unsigned channel) const
{
    ModuleEntry* entry = state_->entryOf(module);
    std::lock_guard<std::mutex> lock(state_->mutex);
    return entry && channel < kMaxOutputHandles ? entry->tally[channel] : ChannelTally{};
}

std::uint64_t StandinHost::hostTicks() const { return state_->hostTicks.load(); }
std::uint64_t StandinHost::processTicks() const { return state_->processTicks.load(); }

void StandinHost::useVirtualClock(std::uint32_t now)
{
    state_->virtualNow = now;
    state_->virtualClock = true;
}
void StandinHost::setClock(std::uint32_t now) { state_->virtualNow = now; }
void StandinHost::advanceClock(std::uint64_t milliseconds) { state_->virtualNow += milliseconds; }
void StandinHost::useRealClock() { state_->virtualClock = false; }
std::uint32_t StandinHost::now() const { return HostClock(); }
std::uint64_t StandinHost::elapsed() const { return state_->clock64() - state_->startClock; }
unsigned StandinHost::patchedClockImports() const { return state_->patchedImports; }

HostModule* StandinHost::placeModule(const std::string& className, const Placement& placement)
{
    State& s = *state_;
    const RegisteredClass* cls = findClass(className);
    if (!cls)
        return nullptr;
    ModuleEntry* entry = s.newEntry(*cls, placement.inputs, placement.outputs, placement.name);
    *s.currentModulePtr = ToHost32(entry->module->record());
    if (s.sendToModule(entry, MODMSG_CREATE, 0, 0) == 0) {
        s.removeEntry(entry);
        return nullptr;
    }
    return entry->module.get();
}

std::uint32_t StandinHost::sendMessage(HostModule* module, std::uint32_t message, std::uint32_t param1,
                                       std::uint32_t param2)
{
    ModuleEntry* entry = state_->entryOf(module);
    return entry ? state_->sendToModule(entry, message, param1, param2) : 0;
}

std::uint32_t StandinHost::setupModule(HostModule* module)
{
    ModuleEntry* entry = state_->entryOf(module);
    if (!entry)
        return 0;
    *state_->currentModulePtr = ToHost32(module->record());
    return state_->sendToModule(entry, MODMSG_SETUP, 0, 0);
}

void StandinHost::deleteModule(HostModule* module)
{
    ModuleEntry* entry = state_->entryOf(module);
    if (!entry)
        return;
    // The host stops a running module before it removes it.
    stopModule(module);
    state_->sendToModule(entry, MODMSG_DELETE, 0, 0);
    state_->removeEntry(entry);
}

std::vector<HostModule*> StandinHost::modules() const
{
    std::vector<HostModule*> placed;
    for (const auto& entry : state_->entries())
        placed.push_back(entry->module.get());
    return placed;
}

std::uint32_t StandinHost::startModule(HostModule* module)
{
    ModuleEntry* entry = state_->entryOf(module);
    if (!entry || !state_->running) {
        state_->fail("startModule for an unknown module or without a measurement");
        return 0;
    }
    const std::uint32_t result = state_->sendToModule(entry, MODMSG_START, 0, 0);
    std::lock_guard<std::mutex> lock(state_->mutex);
    entry->started = true;
    return result;
}

std::uint32_t StandinHost::stopModule(HostModule* module)
{
    ModuleEntry* entry = state_->entryOf(module);
    if (!entry || !state_->retire(entry))
        return 0;
    return state_->sendToModule(entry, MODMSG_STOP, 0, 0);
}

bool StandinHost::processModule(HostModule* module)
{
    ModuleEntry* entry = state_->entryOf(module);
    if (!entry || !state_->beginProcess(entry))
        return false;
    state_->processModule(entry);
    return true;
}

std::size_t StandinHost::damagedBlocks() const
{
    return ArenaCheck() - state_->damagedBlocksAtStart;
}

HostModule* StandinHost::findModule(const ModuleRecord* record) const
{
    ModuleEntry* entry = state_->entryOf(record);
    return entry ? entry->module.get() : nullptr;
}

bool StandinHost::chooseMenuCommand(std::uint32_t command)
{
    MenuEntryHandler handler = nullptr;
    std::string className;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        for (const MenuEntry& entry : state_->menuEntries) {
            if (entry.command == command)
                handler = entry.handler;
        }
        for (const RegisteredClass& cls : state_->classes) {
            if (cls.info.dwMenuCommand == command)
                className = cls.className;
        }
    }
    if (handler) {
        handler();
        return true;
    }
    return !className.empty() && placeModule(className) != nullptr;
}

void StandinHost::setDialogIdleHook(std::function<void(HWND)> hook) { state_->idleHook = std::move(hook); }
void StandinHost::whenDialogOpens(std::function<void(HWND)> action) { state_->dialogActions.push_back(std::move(action)); }
std::size_t StandinHost::dialogsSeen() const { return state_->dialogsSeen; }
void StandinHost::leaveDialogsToUser() { state_->dialogsForUser = true; }

void StandinHost::connect(HostModule* from, unsigned output, HostModule* to, unsigned input)
{
    if (!state_->entryOf(from) || !state_->entryOf(to) || output >= kMaxOutputHandles || input >= kMaxInputs) {
        state_->fail("connect with an unknown module or channel");
        return;
    }
    state_->connections.push_back({from->id(), output, to->id(), input});
}

void StandinHost::feedInput(HostModule* to, unsigned input, const std::vector<float>& samples)
{
    State& s = *state_;
    ModuleEntry* entry = s.entryOf(to);
    if (!entry || input >= kMaxInputs || samples.size() > 0xFFFF) {
        s.fail("feedInput with an unknown module or input, or too many samples");
        return;
    }
    const auto count = static_cast<std::uint32_t>(samples.size());
    DataBlock* block = s.newBlock(count);
    const double distance = s.msPerSample * 0.001;
    block->dSampleDistance = distance;
    block->dStartTime = entry->fedSamples[input] * distance;
    block->wSampleCount = static_cast<std::uint16_t>(count);
    if (count != 0)
        std::memcpy(BlockSamples(block), samples.data(), count * sizeof(float));
    std::lock_guard<std::mutex> lock(s.mutex);
    entry->fedSamples[input] += count;
    entry->waiting[input].push_back(block);
}

std::size_t StandinHost::waitingInputBlocks(const HostModule* module, unsigned input) const
{
    ModuleEntry* entry = state_->entryOf(module);
    std::lock_guard<std::mutex> lock(state_->mutex);
    return entry && input < kMaxInputs ? entry->waiting[input].size() : 0;
}

void StandinHost::setTimeBase(double millisecondsPerSample, std::uint32_t blockSize)
{
    state_->msPerSample = millisecondsPerSample;
    state_->blockSize = blockSize;
    state_->writeLibraryVariables();
}

double StandinHost::millisecondsPerSample() const { return state_->msPerSample; }
std::uint32_t StandinHost::blockSize() const { return state_->blockSize; }

void StandinHost::setAnimation(bool on)
{
    state_->animation = on;
    state_->writeLibraryVariables();
}

bool StandinHost::start()
{
    State& s = *state_;
    if (s.running) {
        s.fail("start while a measurement runs");
        return false;
    }
    s.running = true;
    s.paused = false;
    s.stopRequested = false;
    s.startTicks = HostClock();
    s.startClock = s.clock64();
    for (const auto& entry : s.entries()) {
        std::fill(std::begin(entry->fedSamples), std::end(entry->fedSamples), 0u);
        std::fill(std::begin(entry->tally), std::end(entry->tally), ChannelTally{});
    }
    s.writeLibraryVariables();
    bool allStarted = true;
    // A module whose start failed is processed all the same, as the host does.
    for (const auto& entry : s.entries()) {
        allStarted &= s.sendToModule(entry.get(), MODMSG_START, 0, 0) != 0;
        std::lock_guard<std::mutex> lock(s.mutex);
        entry->started = true;
    }
    return allStarted;
}

bool StandinHost::start(double millisecondsPerSample, std::uint32_t blockSize)
{
    setTimeBase(millisecondsPerSample, blockSize);
    return start();
}

bool StandinHost::runRound()
{
    State& s = *state_;
    if (!s.running)
        return false;
    s.processRound();
    if (s.stopRequested)
        stop();
    return s.running;
}

void StandinHost::runRounds(unsigned rounds, std::uint32_t millisecondsPerRound)
{
    for (unsigned i = 0; i < rounds && state_->running; ++i) {
        advanceClock(millisecondsPerRound);
        runRound();
    }
}

void StandinHost::runFor(std::uint32_t milliseconds, const std::function<void()>& progress)
{
    State& s = *state_;
    if (!s.running)
        return;
    RoundLoop loop{&s};
    HANDLE thread = CreateThread(nullptr, 0, RunRounds, &loop, 0, nullptr);
    if (!thread) {
        s.fail("no thread for the measurement");
        return;
    }
    const DWORD begin = GetTickCount();
    DWORD lastProgress = begin;
    for (;;) {
        const DWORD waited = MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
        if (waited == WAIT_OBJECT_0)
            break;
        const DWORD now = GetTickCount();
        if (progress && now - lastProgress >= kProgressMilliseconds) {
            lastProgress = now;
            progress();
        }
        if (now - begin >= milliseconds)
            break;
    }
    loop.quit = true;
    // The round thread may be waiting for this thread to take a sent message.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        PumpMessages();
    CloseHandle(thread);
    stop();
}

void StandinHost::pause()
{
    state_->paused = true;
    state_->writeLibraryVariables();
}

void StandinHost::resume()
{
    state_->paused = false;
    state_->writeLibraryVariables();
}

void StandinHost::stop()
{
    State& s = *state_;
    if (!s.running)
        return;
    for (const auto& entry : s.entries()) {
        if (s.retire(entry.get()))
            s.sendToModule(entry.get(), MODMSG_STOP, 0, 0);
    }
    s.running = false;
    s.paused = false;
    s.stopRequested = false;
    s.writeLibraryVariables();
    for (const auto& entry : s.entries())
        s.freeBlocksOf(entry.get());
}

bool StandinHost::running() const { return state_->running; }
bool StandinHost::paused() const { return state_->paused; }
std::uint32_t StandinHost::experimentStartTicks() const { return state_->startTicks; }

}  // namespace standin
