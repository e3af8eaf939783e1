// What each host function the library calls does, recording its call.
#include <algorithm>
#include <cstring>

#include "HostArena.h"
#include "HostState.h"

namespace standin {

namespace {

constexpr unsigned char kFreshMemoryByte = 0xCD;   // the library must not rely on what a new block holds
constexpr std::uint32_t kDefaultActionMark = 0x7F000000;

std::string Describe(const char* file, std::int32_t line)
{
    return TextOrEmpty(file) + ":" + std::to_string(line);
}

}  // namespace

void StandinHost::State::trap(std::size_t functionIndex)
{
    recordCall(kHostFunctionNames[functionIndex]);
    fail(std::string("the library called the host function ") + kHostFunctionNames[functionIndex] +
         ", which it must not use");
}

void* StandinHost::State::newMemAlloc(std::uint32_t size, const char* file, std::int32_t line)
{
    recordCall("NewMemAlloc");
    const std::string fileName = TextOrEmpty(file);
    const bool allowed = !allocationFilter || allocationFilter(size, fileName, line);
    void* block = allowed ? ArenaAllocateGuarded(size) : nullptr;
    if (block)
        std::memset(block, kFreshMemoryByte, size);
    std::lock_guard<std::mutex> lock(log.mutex);
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    log.memoryCalls.push_back({nextSeq(), false, address, size, fileName, line, false});
    if (block)
        log.liveBlocks[address] = {size, fileName, line};
    return block;
}

std::uint32_t StandinHost::State::newDoMemFree(void* block, const char* file, std::int32_t line)
{
    recordCall("NewDoMemFree");
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    std::string error;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        const auto it = log.liveBlocks.find(address);
        const bool known = it != log.liveBlocks.end();
        log.memoryCalls.push_back(
            {nextSeq(), true, address, known ? it->second.size : 0, TextOrEmpty(file), line, !known});
        if (known) {
            log.liveBlocks.erase(it);
            ArenaFree(block);
        } else {
            error = "NewDoMemFree of an address that is not a live block, at " + Describe(file, line);
        }
    }
    if (!error.empty())
        fail(error);
    return 1;
}

std::uint32_t StandinHost::State::showWarning(const char* caption, const char* text)
{
    recordCall("ShowWarning");
    Warning warning;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        warning = {nextSeq(), TextOrEmpty(caption), TextOrEmpty(text), HostClock()};
        log.warnings.push_back(warning);
    }
    if (log.warningListener)
        log.warningListener(warning);
    return 1;
}

std::uint32_t StandinHost::State::stopExperiment()
{
    recordCall("StopExperiment");
    std::lock_guard<std::mutex> lock(log.mutex);
    ++log.stopRequests;
    stopRequested = true;
    return 1;
}

std::uint32_t StandinHost::State::registerModuleClass(const ModuleClassInfo* info)
{
    recordCall("RegisterModuleClass");
    if (!info) {
        fail("RegisterModuleClass without a record");
        return 0;
    }
    RegisteredClass cls{};
    cls.info = *info;
    cls.className = TextOrEmpty(FromHost32<const char>(info->pszClassName));
    const char* shortName = FromHost32<const char>(info->pszShortName);
    const char* longName = FromHost32<const char>(info->pszLongName);
    if (shortName)
        cls.shortName.assign(shortName, strnlen(shortName, kShortNameSize));
    if (longName)
        cls.longName.assign(longName, strnlen(longName, kLongNameSize));
    cls.handler = FromHost32<std::remove_pointer_t<ModuleMessageHandler>>(info->pfnMessageHandler);
    cls.process = FromHost32<std::remove_pointer_t<ModuleProcessFunction>>(info->pfnProcess);
    std::lock_guard<std::mutex> lock(log.mutex);
    cls.seq = nextSeq();
    log.classes.push_back(cls);
    return 1;
}

std::uint32_t StandinHost::State::performDefaultAction(ModuleRecord* module, std::uint32_t message,
                                                       std::uint32_t p1, std::uint32_t p2)
{
    recordCall("PerformDefaultAction");
    std::lock_guard<std::mutex> lock(log.mutex);
    const std::uint32_t result = defaultActionResult.value_or(kDefaultActionMark | message);
    log.defaultActions.push_back({nextSeq(), module, message, p1, p2, result});
    return result;
}

DataBlock* StandinHost::State::getCurrentOutputBlock(OutputChannelRecord* channel)
{
    recordCall("GetCurrentOutputBlock");
    unsigned index = 0;
    ModuleEntry* entry = entryOfChannel(channel, &index);
    if (!entry) {
        fail("GetCurrentOutputBlock for a handle that is no output channel");
        return nullptr;
    }
    if (outputBlockFilter && !outputBlockFilter(*entry->module, index))
        return nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (!entry->outputBlock[index])
        entry->outputBlock[index] = outputBlockFor(entry, index, blockSize == 0 ? 1 : blockSize);
    return entry->outputBlock[index];
}

std::uint32_t StandinHost::State::newReleaseOutputBlock(OutputChannelRecord* channel, const char* file,
                                                        std::int32_t line)
{
    recordCall("NewReleaseOutputBlock");
    unsigned index = 0;
    ModuleEntry* entry = entryOfChannel(channel, &index);
    std::string error;
    {
        std::lock_guard<std::mutex> lock(mutex);
        DataBlock* block = entry ? entry->outputBlock[index] : nullptr;
        if (!entry) {
            error = "NewReleaseOutputBlock for a handle that is no output channel, at " + Describe(file, line);
        } else if (!block) {
            error = "NewReleaseOutputBlock without a block obtained, at " + Describe(file, line);
        } else {
            const std::uint32_t room = entry->outputRoom[index];
            if (block->wSampleCount > room)
                error = "a released block claims more samples than it has room for, at " + Describe(file, line);
            const std::uint32_t kept = std::min<std::uint32_t>(block->wSampleCount, room);
            const float* samples = BlockSamples(block);
            if (blockListener)
                blockListener(*entry->module, index, {block->dStartTime, block->dSampleDistance, kept, samples});
            if (log.countsMode) {
                tallyRelease(entry, index, block);
            } else {
                std::lock_guard<std::mutex> records(log.mutex);
                log.released.push_back({nextSeq(), entry->module->id(), index, block->dStartTime,
                                        block->dSampleDistance, block->wSampleCount,
                                        std::vector<float>(samples, samples + kept), HostClock(), TextOrEmpty(file),
                                        line});
            }
            for (const Connection& connection : connections) {
                ModuleEntry* consumer = entryById(connection.toId);
                if (connection.fromId != entry->module->id() || connection.output != index || !consumer)
                    continue;
                DataBlock* copy = newBlock(kept);
                std::memcpy(copy, block, sizeof(DataBlock));
                copy->wSampleCount = static_cast<std::uint16_t>(kept);
                std::memcpy(BlockSamples(copy), samples, kept * sizeof(float));
                consumer->waiting[connection.input].push_back(copy);
            }
            retireOutputBlock(entry, index);
        }
    }
    if (!error.empty())
        fail(error);
    return 1;
}

DataBlock* StandinHost::State::getInputBlock(ModuleRecord* module, std::uint32_t input)
{
    recordCall("GetInputBlock");
    ModuleEntry* entry = entryOf(module);
    std::string error;
    DataBlock* block = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!entry)
            error = "GetInputBlock for an unknown module";
        else if (input >= entry->module->inputs() || input >= kMaxInputs)
            error = "GetInputBlock for input " + std::to_string(input) + " of a module with " +
                    std::to_string(entry->module->inputs()) + " inputs";
        else if (inProcess.count(entry) == 0)
            error = "GetInputBlock outside the module's process call";
        else if (entry->handedOut[input])
            error = "GetInputBlock again for input " + std::to_string(input) + " before its block was released";
        else if (!entry->waiting[input].empty()) {
            block = entry->waiting[input].front();
            entry->waiting[input].pop_front();
            entry->handedOut[input] = block;
        }
        if (entry && !log.countsMode) {
            std::lock_guard<std::mutex> records(log.mutex);
            log.inputCalls.push_back({nextSeq(), entry->module->id(), input, false, block != nullptr, "", 0});
        }
    }
    if (!error.empty())
        fail(error);
    return block;
}

std::uint32_t StandinHost::State::newReleaseInputBlock(ModuleRecord* module, std::uint32_t input,
                                                       const char* file, std::int32_t line)
{
    recordCall("NewReleaseInputBlock");
    ModuleEntry* entry = entryOf(module);
    std::string error;
    {
        std::lock_guard<std::mutex> lock(mutex);
        DataBlock* block = entry && input < kMaxInputs ? entry->handedOut[input] : nullptr;
        if (!entry)
            error = "NewReleaseInputBlock for an unknown module, at " + Describe(file, line);
        else if (!block)
            error = "NewReleaseInputBlock for input " + std::to_string(input) + " without a block, at " +
                    Describe(file, line);
        if (block) {
            ArenaFree(block);
            entry->handedOut[input] = nullptr;
        }
        if (entry && !log.countsMode) {
            std::lock_guard<std::mutex> records(log.mutex);
            log.inputCalls.push_back({nextSeq(), entry->module->id(), input, true, block != nullptr,
                                      TextOrEmpty(file), line});
        }
    }
    if (!error.empty())
        fail(error);
    return 1;
}

std::uint32_t StandinHost::State::changeModuleSize(ModuleRecord* module, std::uint32_t inputs,
                                                   std::uint32_t outputs)
{
    recordCall("ChangeModuleSize");
    ModuleEntry* entry = entryOf(module);
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        log.sizeChanges.push_back({nextSeq(), module, inputs, outputs});
    }
    if (!entry) {
        fail("ChangeModuleSize for an unknown module");
        return 0;
    }
    if (inputs > kMaxInputs || outputs > kChannelStateSlots) {
        fail("ChangeModuleSize to " + std::to_string(inputs) + " inputs and " + std::to_string(outputs) +
             " outputs, more than the host offers");
        return 0;
    }
    module->uiInputChannels = inputs;
    module->uiOutputChannels = outputs;
    return 1;
}

std::uint32_t StandinHost::State::registerMenuEntry(std::uint32_t command, MenuEntryHandler handler)
{
    recordCall("RegisterMenuEntry");
    std::lock_guard<std::mutex> lock(log.mutex);
    log.menuEntries.push_back({nextSeq(), command, handler});
    return 1;
}

void* StandinHost::State::createStackedFontIndirect(const LOGFONTA* font)
{
    recordCall("CreateStackedFontIndirect");
    HFONT handle = font ? CreateFontIndirectA(font) : nullptr;
    std::lock_guard<std::mutex> lock(log.mutex);
    if (handle)
        log.fonts.insert(handle);
    return handle;
}

std::uint32_t StandinHost::State::deleteStackedObject(void* object)
{
    recordCall("DeleteStackedObject");
    auto font = static_cast<HFONT>(object);
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        known = log.fonts.erase(font) != 0;
    }
    if (!known) {
        fail("DeleteStackedObject of an object the host did not create");
        return 0;
    }
    DeleteObject(font);
    return 1;
}

std::uint32_t StandinHost::State::defineDllModule()
{
    recordCall("DefineDllModule");
    std::lock_guard<std::mutex> lock(log.mutex);
    ++log.defineModuleCalls;
    return defineModuleResult;
}

std::uint32_t StandinHost::State::defineDllVariable(const char* name, void* address, std::uint32_t size)
{
    recordCall("DefineDllVariable");
    const std::string variable = TextOrEmpty(name);
    std::string error;
    std::uint32_t result = 1;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        const auto chosen = defineVariableResults.find(log.boundVariables.size());
        if (chosen != defineVariableResults.end())
            result = chosen->second;
        log.boundVariables.push_back({nextSeq(), variable, reinterpret_cast<std::uintptr_t>(address), size, result});
        const LibraryVariableName* known = nullptr;
        for (const LibraryVariableName& candidate : kLibraryVariables) {
            if (variable == candidate.name)
                known = &candidate;
        }
        if (!known)
            error = "DefineDllVariable of an unknown variable \"" + variable + "\"";
        else if (known->size != size)
            error = "DefineDllVariable of \"" + variable + "\" with size " + std::to_string(size);
        else if (!address)
            error = "DefineDllVariable of \"" + variable + "\" without an address";
        else if (result != 0)
            libraryVariables[variable] = address;
    }
    if (!error.empty()) {
        fail(error);
        return 0;
    }
    // From now on the host keeps the variable current, starting with its value now.
    if (result != 0)
        writeLibraryVariables();
    return result;
}

}  // namespace standin
