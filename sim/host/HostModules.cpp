// The worksheet's modules: their records in host memory below 4 GB, their
// life from placing to delete, and one process call. A module's records are
// freed only once no round can reach them.
#include <intrin.h>

#include <cstring>

#include "HostArena.h"
#include "HostState.h"

namespace standin {

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
    // Held until the records are freed: the list's copy may be the last.
    std::shared_ptr<ModuleEntry> keep;
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
                keep = *it;
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
    std::lock_guard<std::mutex> lock(log.mutex);
    log.moduleResults.push_back({nextSeq(), entry->module->id(), message, result});
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
    log.processTicks += __rdtsc() - begin;
    if (log.countsMode)
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
        if (result == 0) {
            std::lock_guard<std::mutex> records(log.mutex);
            log.moduleResults.push_back({nextSeq(), entry->module->id(), kProcessCall, 0});
        }
    }
    for (const std::string& error : errors)
        fail(error);
}

std::vector<std::shared_ptr<ModuleEntry>> StandinHost::State::entries() const
{
    std::lock_guard<std::recursive_mutex> lock(modulesMutex);
    return modules;
}

}  // namespace standin
