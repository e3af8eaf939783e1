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

namespace {

constexpr char kClockDll[] = "KERNEL32.dll";
constexpr char kClockFunction[] = "GetTickCount";

template <typename F>
void Export(HMODULE module, const char* name, F* entry)
{
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void StandinHost::State::recordCall(const char* function)
{
    log.recordCall(function, HostClock());
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
        std::lock_guard<std::mutex> lock(s.log.mutex);
        s.log.classes.clear();
        s.log.menuEntries.clear();
    }
    if (s.driverModule) {
        s.driverControl.SimTorq7_SetClock(nullptr);
        FreeLibrary(s.driverModule);
        s.driverModule = nullptr;
        s.hasDriver = false;
    }
}



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
        std::lock_guard<std::mutex> lock(state_->log.mutex);
        for (const MenuEntry& entry : state_->log.menuEntries) {
            if (entry.command == command)
                handler = entry.handler;
        }
        for (const RegisteredClass& cls : state_->log.classes) {
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

void StandinHost::setDialogIdleHook(std::function<void(HWND)> hook) { state_->dialogs.idleHook = std::move(hook); }
void StandinHost::whenDialogOpens(std::function<void(HWND)> action) { state_->dialogs.actions.push_back(std::move(action)); }
std::size_t StandinHost::dialogsSeen() const { return state_->dialogs.seen; }
void StandinHost::leaveDialogsToUser() { state_->dialogs.forUser = true; }

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


}  // namespace standin
