// The worksheet's modules: their records in host memory below 4 GB, their
// life from placing to removal, and one process call.
#include "HostWorksheet.h"

#include <intrin.h>

#include <algorithm>
#include <cstring>

#include "sim/host/binding/HostArena.h"

namespace standin {

HostWorksheet::HostWorksheet(CallLog& log, Measurement& measurement, const HostWindows& windows,
                             const ImportDesk& imports)
    : log_(log), measurement_(measurement), windows_(windows), imports_(imports)
{
}

ModuleEntry* HostWorksheet::entryOf(const ModuleRecord* record) const
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    for (const auto& entry : modules_) {
        if (entry->module->record() == record)
            return entry.get();
    }
    return nullptr;
}

ModuleEntry* HostWorksheet::entryOf(const HostModule* module) const
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    for (const auto& entry : modules_) {
        if (entry->module.get() == module)
            return entry.get();
    }
    return nullptr;
}

ModuleEntry* HostWorksheet::entryById(int id) const
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    for (const auto& entry : modules_) {
        if (entry->module->id() == id)
            return entry.get();
    }
    return nullptr;
}

ModuleEntry* HostWorksheet::entryOfChannel(const OutputChannelRecord* channel, unsigned* index) const
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    for (const auto& entry : modules_) {
        const OutputChannelRecord* first = entry->outputRecords;
        if (channel >= first && channel < first + kMaxOutputHandles) {
            *index = static_cast<unsigned>(channel - first);
            return entry.get();
        }
    }
    return nullptr;
}

std::vector<std::shared_ptr<ModuleEntry>> HostWorksheet::entries() const
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    return modules_;
}

ModuleEntry* HostWorksheet::place(const RegisteredClass& cls, unsigned inputs, unsigned outputs,
                                  const std::string& name)
{
    auto entry = std::make_shared<ModuleEntry>();
    entry->module = std::make_unique<HostModule>();
    HostModule& module = *entry->module;
    module.id_ = nextId_++;
    module.className_ = cls.className;
    module.dataSize_ = cls.info.dwModuleDataSize;
    module.record_ = ArenaNew<ModuleRecord>();
    module.data_ = ArenaAllocateGuarded(module.dataSize_);
    entry->states = ArenaNew<ChannelState>(kChannelStateSlots);
    entry->outputRecords = ArenaNew<OutputChannelRecord>(kMaxOutputHandles);
    if (!module.record_ || !module.data_ || !entry->states || !entry->outputRecords) {
        for (void* record : {static_cast<void*>(module.record_), module.data_, static_cast<void*>(entry->states),
                             static_cast<void*>(entry->outputRecords)})
            ArenaFree(record);
        return nullptr;
    }
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
    module.window_ = windows_.newModuleWindow(record.szName);
    record.hwndModule = HandleToHost32(module.window_);
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    modules_.push_back(std::move(entry));
    return modules_.back().get();
}

void HostWorksheet::makeCurrent(const HostModule* module)
{
    *imports_.currentModulePtr() = module ? ToHost32(module->record()) : 0;
}

void HostWorksheet::freeBlocksOf(ModuleEntry* entry)
{
    std::lock_guard<std::mutex> lock(blocksMutex_);
    for (unsigned c = 0; c < kMaxOutputHandles; ++c) {
        if (const DataBlock* held = entry->outputBlock[c])
            entry->tally[c].heldAtStop = std::min<std::uint32_t>(held->wSampleCount, entry->outputRoom[c]);
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

void HostWorksheet::freeBlocks()
{
    for (const auto& entry : entries())
        freeBlocksOf(entry.get());
}

void HostWorksheet::resetCounts()
{
    const auto all = entries();
    std::lock_guard<std::mutex> lock(blocksMutex_);
    dropped_.clear();
    for (const auto& entry : all) {
        std::fill(std::begin(entry->fedSamples), std::end(entry->fedSamples), 0u);
        std::fill(std::begin(entry->tally), std::end(entry->tally), ChannelTally{});
    }
}

// The records are freed only once no round can reach them: the module is
// out of processing, no block is routed to it any more and it is off the
// list (a round's copy of the list keeps the entry, never its records).
void HostWorksheet::remove(ModuleEntry* entry)
{
    retire(entry);
    // Held until the records are freed: the list's copy may be the last.
    std::shared_ptr<ModuleEntry> keep;
    const HostModule& module = *entry->module;
    const int id = module.id();
    {
        std::lock_guard<std::mutex> lock(blocksMutex_);
        connections_.erase(std::remove_if(connections_.begin(), connections_.end(),
                                          [id](const Connection& c) { return c.fromId == id || c.toId == id; }),
                           connections_.end());
        std::lock_guard<std::recursive_mutex> listLock(listMutex_);
        for (auto it = modules_.begin(); it != modules_.end(); ++it) {
            if (it->get() == entry) {
                keep = *it;
                modules_.erase(it);
                break;
            }
        }
    }
    freeBlocksOf(entry);
    HostAddr32* current = imports_.currentModulePtr();
    if (current && *current == ToHost32(module.record()))
        *current = 0;
    DestroyWindow(module.window());
    ArenaFree(module.record());
    ArenaFree(module.data());
    ArenaFree(entry->states);
    ArenaFree(entry->outputRecords);
}

std::uint32_t HostWorksheet::send(ModuleEntry* entry, std::uint32_t message, std::uint32_t p1, std::uint32_t p2)
{
    const std::uint32_t result = entry->handler ? entry->handler(entry->module->record(), message, p1, p2) : 0;
    log_.recordModuleResult(entry->module->id(), message, result);
    return result;
}

void HostWorksheet::markStarted(ModuleEntry* entry)
{
    std::lock_guard<std::mutex> lock(blocksMutex_);
    entry->started = true;
}

bool HostWorksheet::beginProcess(ModuleEntry* entry)
{
    std::lock_guard<std::mutex> lock(blocksMutex_);
    if (!entry->started)
        return false;
    inProcess_.insert(entry);
    return true;
}

bool HostWorksheet::retire(ModuleEntry* entry)
{
    bool wasStarted = false;
    {
        std::lock_guard<std::mutex> lock(blocksMutex_);
        wasStarted = entry->started.exchange(false);
    }
    // A process call already under way on another thread ends first.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(blocksMutex_);
            if (inProcess_.count(entry) == 0)
                return wasStarted;
        }
        Sleep(0);
    }
}

void HostWorksheet::process(ModuleEntry* entry)
{
    ModuleRecord* record = entry->module->record();
    const unsigned outputs = std::min<unsigned>(record->uiOutputChannels, kMaxOutputHandles);
    for (unsigned c = 0; c < outputs; ++c)
        entry->outputRecords[c].wServedFlag = 1;
    const std::uint64_t begin = __rdtsc();
    const std::uint32_t result = entry->process ? entry->process(record) : 1;
    log_.processTicks += __rdtsc() - begin;
    if (log_.countsMode)
        tallyHeldBlocks(entry);
    std::vector<std::string> errors;
    {
        std::lock_guard<std::mutex> lock(blocksMutex_);
        inProcess_.erase(inProcess_.find(entry));
        for (unsigned i = 0; i < kMaxInputs; ++i) {
            if (!entry->handedOut[i])
                continue;
            errors.push_back("the input block of input " + std::to_string(i) + " of " + record->szName +
                             " was not released in its process call");
            ArenaFree(entry->handedOut[i]);
            entry->handedOut[i] = nullptr;
        }
        if (result == 0)
            log_.recordModuleResult(entry->module->id(), kProcessCall, 0);
    }
    for (const std::string& error : errors)
        log_.fail(error);
}

}  // namespace standin
