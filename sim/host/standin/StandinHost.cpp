// The host's life and its modules as tests and the program see them:
// loading the driver and the library, setup and finish, placing, messages,
// start and stop of one module, and deleting.
#include "StandinHost.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HostRooms.h"
#include "sim/control/SimTorq7Loader.h"
#include "sim/host/binding/HostArena.h"
#include "sim/host/binding/ImportPatch.h"

namespace standin {

HostRooms* g_host = nullptr;

namespace {

constexpr char kClockDll[] = "KERNEL32.dll";
constexpr char kClockFunction[] = "GetTickCount";

template <typename F>
void Export(HMODULE module, const char* name, F* entry)
{
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

HostRooms::HostRooms(StandinHost* owner) : owner(owner)
{
    g_host = this;
}

HostRooms::~HostRooms()
{
    g_host = nullptr;
}

StandinHost::StandinHost()
{
    if (g_host) {
        std::fputs("standin host: only one StandinHost may exist at a time\n", stderr);
        std::abort();
    }
    rooms_ = std::make_unique<HostRooms>(this);
    damagedBlocksAtStart_ = ArenaCheck();
}

StandinHost::~StandinHost()
{
    shutdown();
}

HWND StandinHost::mainWindow() const { return rooms_->windows.main; }
HMENU StandinHost::mainMenu() const { return rooms_->windows.menu; }

bool StandinHost::loadDriver(const std::string& path)
{
    LibraryBinding& b = rooms_->binding;
    if (b.driverModule)
        return false;
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return false;
    if (!LoadSimTorq7Control(module, &b.driverControl)) {
        FreeLibrary(module);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    b.driverModule = module;
    b.driverControl.SimTorq7_SetClock(&HostClock);
    return true;
}

SimTorq7Control* StandinHost::driver() { return rooms_->binding.driverModule ? &rooms_->binding.driverControl : nullptr; }

bool StandinHost::loadLibrary(const std::string& path)
{
    LibraryBinding& b = rooms_->binding;
    if (b.libraryModule)
        return false;
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return false;
    Export(module, "SetupVireoDLL", &b.setupEntry);
    Export(module, "FinishVireoDLL", &b.finishEntry);
    Export(module, "WEP", &b.wepEntry);
    if (!b.setupEntry || !b.finishEntry || !b.wepEntry) {
        FreeLibrary(module);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    b.libraryModule = module;
    b.setupSucceeded = false;
    b.finished = false;
    b.patchedImports = PatchImport(module, kClockDll, kClockFunction, reinterpret_cast<const void*>(&HostClock));
    return true;
}

std::uint32_t StandinHost::setup()
{
    LibraryBinding& b = rooms_->binding;
    if (!b.setupEntry)
        return 0;
    const std::uint32_t result = b.setupEntry(rooms_->windows.main);
    b.setupSucceeded = result != 0;
    return result;
}

std::uint32_t StandinHost::finish()
{
    LibraryBinding& b = rooms_->binding;
    if (!b.finishEntry)
        return 0;
    b.finished = true;
    return b.finishEntry(0);
}

std::uint32_t StandinHost::wep() { return rooms_->binding.wepEntry ? rooms_->binding.wepEntry(0) : 0; }
HMODULE StandinHost::library() const { return rooms_->binding.libraryModule; }
unsigned StandinHost::patchedClockImports() const { return rooms_->binding.patchedImports; }

void StandinHost::shutdown()
{
    LibraryBinding& b = rooms_->binding;
    stop();
    for (const auto& entry : rooms_->worksheet.entries())
        deleteModule(entry->module.get());
    if (b.libraryModule) {
        if (b.setupSucceeded && !b.finished)
            finish();
        FreeLibrary(b.libraryModule);
        b = LibraryBinding{b.driverModule, b.driverControl};
        // Its variables, classes and menu handlers went with it.
        rooms_->measurement.forgetVariables();
        std::lock_guard<std::mutex> lock(rooms_->log.mutex);
        rooms_->log.classes.clear();
        rooms_->log.menuEntries.clear();
    }
    if (b.driverModule) {
        b.driverControl.SimTorq7_SetClock(nullptr);
        FreeLibrary(b.driverModule);
        b.driverModule = nullptr;
    }
}

HostModule* StandinHost::placeModule(const std::string& className, const Placement& placement)
{
    HostWorksheet& worksheet = rooms_->worksheet;
    const RegisteredClass* cls = findClass(className);
    if (!cls)
        return nullptr;
    ModuleEntry* entry = worksheet.place(*cls, placement.inputs, placement.outputs, placement.name);
    if (!entry)
        return nullptr;
    worksheet.makeCurrent(entry->module.get());
    if (worksheet.send(entry, MODMSG_CREATE, 0, 0) == 0) {
        worksheet.remove(entry);
        return nullptr;
    }
    return entry->module.get();
}

std::uint32_t StandinHost::sendMessage(HostModule* module, std::uint32_t message, std::uint32_t param1,
                                       std::uint32_t param2)
{
    ModuleEntry* entry = rooms_->worksheet.entryOf(module);
    return entry ? rooms_->worksheet.send(entry, message, param1, param2) : 0;
}

std::uint32_t StandinHost::setupModule(HostModule* module)
{
    ModuleEntry* entry = rooms_->worksheet.entryOf(module);
    if (!entry)
        return 0;
    rooms_->worksheet.makeCurrent(module);
    return rooms_->worksheet.send(entry, MODMSG_SETUP, 0, 0);
}

void StandinHost::deleteModule(HostModule* module)
{
    ModuleEntry* entry = rooms_->worksheet.entryOf(module);
    if (!entry)
        return;
    // The host stops a running module before it removes it.
    stopModule(module);
    rooms_->worksheet.send(entry, MODMSG_DELETE, 0, 0);
    rooms_->worksheet.remove(entry);
}

std::vector<HostModule*> StandinHost::modules() const
{
    std::vector<HostModule*> placed;
    for (const auto& entry : rooms_->worksheet.entries())
        placed.push_back(entry->module.get());
    return placed;
}

std::uint32_t StandinHost::startModule(HostModule* module)
{
    ModuleEntry* entry = rooms_->worksheet.entryOf(module);
    if (!entry || !rooms_->measurement.running) {
        rooms_->log.fail("startModule for an unknown module or without a measurement");
        return 0;
    }
    const std::uint32_t result = rooms_->worksheet.send(entry, MODMSG_START, 0, 0);
    rooms_->worksheet.markStarted(entry);
    return result;
}

std::uint32_t StandinHost::stopModule(HostModule* module)
{
    ModuleEntry* entry = rooms_->worksheet.entryOf(module);
    if (!entry || !rooms_->worksheet.retire(entry))
        return 0;
    return rooms_->worksheet.send(entry, MODMSG_STOP, 0, 0);
}

bool StandinHost::processModule(HostModule* module)
{
    ModuleEntry* entry = rooms_->worksheet.entryOf(module);
    if (!entry || !rooms_->worksheet.beginProcess(entry))
        return false;
    rooms_->worksheet.process(entry);
    return true;
}

std::size_t StandinHost::damagedBlocks() const
{
    return ArenaCheck() - damagedBlocksAtStart_;
}

HostModule* StandinHost::findModule(const ModuleRecord* record) const
{
    ModuleEntry* entry = rooms_->worksheet.entryOf(record);
    return entry ? entry->module.get() : nullptr;
}

HostModule* StandinHost::findModule(int id) const
{
    ModuleEntry* entry = rooms_->worksheet.entryById(id);
    return entry ? entry->module.get() : nullptr;
}

bool StandinHost::chooseMenuCommand(std::uint32_t command)
{
    MenuEntryHandler handler = nullptr;
    std::string className;
    {
        std::lock_guard<std::mutex> lock(rooms_->log.mutex);
        for (const MenuEntry& entry : rooms_->log.menuEntries) {
            if (entry.command == command)
                handler = entry.handler;
        }
        for (const RegisteredClass& cls : rooms_->log.classes) {
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

void StandinHost::setDialogIdleHook(std::function<void(HWND)> hook) { rooms_->dialogs.idleHook = std::move(hook); }
void StandinHost::whenDialogOpens(std::function<void(HWND)> action) { rooms_->dialogs.actions.push_back(std::move(action)); }
std::size_t StandinHost::dialogsSeen() const { return rooms_->dialogs.seen; }
void StandinHost::leaveDialogsToUser() { rooms_->dialogs.forUser = true; }

void StandinHost::connect(HostModule* from, unsigned output, HostModule* to, unsigned input)
{
    if (!rooms_->worksheet.connect(from, output, to, input))
        rooms_->log.fail("connect with an unknown module or channel");
}

void StandinHost::feedInput(HostModule* to, unsigned input, const std::vector<float>& samples)
{
    if (!rooms_->worksheet.feed(to, input, samples))
        rooms_->log.fail("feedInput with an unknown module or input, too many samples, or no host memory left");
}

std::size_t StandinHost::waitingInputBlocks(const HostModule* module, unsigned input) const
{
    return rooms_->worksheet.waiting(module, input);
}

std::vector<DroppedInputBlocks> StandinHost::droppedInputBlocks() const
{
    return rooms_->worksheet.droppedInputBlocks();
}

}  // namespace standin
