// The block protocol on the host's side: output blocks handed to a module
// and taken back, their copies routed along the connections to the inputs
// waiting for them, and the blocks a test feeds to an input.
#include <algorithm>
#include <cstring>

#include "HostWorksheet.h"
#include "sim/host/binding/HostArena.h"

namespace standin {

namespace {

std::string Describe(const char* file, std::int32_t line)
{
    return TextOrEmpty(file) + ":" + std::to_string(line);
}

}  // namespace

// Null when the arena has no room left.
DataBlock* HostWorksheet::newBlock(std::uint32_t room)
{
    auto* block = static_cast<DataBlock*>(ArenaAllocate(sizeof(DataBlock) + sizeof(float) * room));
    // The library writes every field it hands over; the rest shows as garbage.
    if (block)
        std::memset(block, 0xCD, sizeof(DataBlock) + sizeof(float) * room);
    return block;
}

bool HostWorksheet::connect(const HostModule* from, unsigned output, const HostModule* to, unsigned input)
{
    if (!entryOf(from) || !entryOf(to) || output >= kMaxOutputHandles || input >= kMaxInputs)
        return false;
    std::lock_guard<std::mutex> lock(blocksMutex_);
    connections_.push_back({from->id(), output, to->id(), input});
    return true;
}

std::vector<Connection> HostWorksheet::connections() const
{
    std::lock_guard<std::mutex> lock(blocksMutex_);
    return connections_;
}

bool HostWorksheet::feed(const HostModule* to, unsigned input, const std::vector<float>& samples)
{
    ModuleEntry* entry = entryOf(to);
    if (!entry || input >= kMaxInputs || samples.size() > 0xFFFF)
        return false;
    const auto count = static_cast<std::uint32_t>(samples.size());
    DataBlock* block = newBlock(count);
    if (!block)
        return false;
    const double distance = measurement_.msPerSample * 0.001;
    std::lock_guard<std::mutex> lock(blocksMutex_);
    block->dSampleDistance = distance;
    block->dStartTime = entry->fedSamples[input] * distance;
    block->wSampleCount = static_cast<std::uint16_t>(count);
    if (count != 0)
        std::memcpy(BlockSamples(block), samples.data(), count * sizeof(float));
    entry->fedSamples[input] += count;
    entry->waiting[input].push_back(block);
    return true;
}

std::size_t HostWorksheet::waiting(const HostModule* module, unsigned input) const
{
    ModuleEntry* entry = entryOf(module);
    std::lock_guard<std::mutex> lock(blocksMutex_);
    return entry && input < kMaxInputs ? entry->waiting[input].size() : 0;
}

void HostWorksheet::setOutputBlockFilter(std::function<bool(const HostModule&, unsigned)> filter)
{
    std::lock_guard<std::mutex> lock(blocksMutex_);
    outputBlockFilter_ = std::move(filter);
}

void HostWorksheet::setBlockListener(std::function<void(const HostModule&, unsigned, const BlockView&)> listener)
{
    std::lock_guard<std::mutex> lock(blocksMutex_);
    blockListener_ = std::move(listener);
}

DataBlock* HostWorksheet::getCurrentOutputBlock(OutputChannelRecord* channel)
{
    unsigned index = 0;
    ModuleEntry* entry = entryOfChannel(channel, &index);
    if (!entry) {
        log_.fail("GetCurrentOutputBlock for a handle that is no output channel");
        return nullptr;
    }
    // The filter runs without the lock: a test's filter may ask the host.
    std::function<bool(const HostModule&, unsigned)> filter;
    {
        std::lock_guard<std::mutex> lock(blocksMutex_);
        filter = outputBlockFilter_;
    }
    if (filter && !filter(*entry->module, index))
        return nullptr;
    std::lock_guard<std::mutex> lock(blocksMutex_);
    if (!entry->outputBlock[index]) {
        const std::uint32_t size = measurement_.blockSize;
        entry->outputBlock[index] = outputBlockFor(entry, index, size == 0 ? 1 : size);
        ++blockEvents_;
    }
    return entry->outputBlock[index];
}

// A copy of the released block goes to every input connected to the output.
void HostWorksheet::route(const ModuleEntry& from, unsigned output, const DataBlock& block, const float* samples,
                          std::uint32_t kept)
{
    for (const Connection& connection : connections_) {
        if (connection.fromId != from.module->id() || connection.output != output)
            continue;
        ModuleEntry* consumer = entryById(connection.toId);
        if (!consumer)
            continue;
        // A block no module takes would wait until the host's memory runs out.
        std::deque<DataBlock*>& waiting = consumer->waiting[connection.input];
        DataBlock* copy = connection.input < consumer->module->inputs() && waiting.size() < kMaxWaitingBlocks
                              ? newBlock(kept)
                              : nullptr;
        if (!copy) {
            drop(*consumer, connection.input);
            continue;
        }
        std::memcpy(copy, &block, sizeof(DataBlock));
        copy->wSampleCount = static_cast<std::uint16_t>(kept);
        std::memcpy(BlockSamples(copy), samples, kept * sizeof(float));
        waiting.push_back(copy);
    }
}

void HostWorksheet::drop(const ModuleEntry& consumer, unsigned input)
{
    const int id = consumer.module->id();
    auto counted = std::find_if(dropped_.begin(), dropped_.end(), [&](const DroppedInputBlocks& d) {
        return d.moduleId == id && d.input == input;
    });
    if (counted == dropped_.end())
        counted = dropped_.insert(dropped_.end(), {id, input, input >= consumer.module->inputs(), 0});
    ++counted->blocks;
}

std::vector<DroppedInputBlocks> HostWorksheet::droppedInputBlocks() const
{
    std::lock_guard<std::mutex> lock(blocksMutex_);
    return dropped_;
}

std::uint32_t HostWorksheet::newReleaseOutputBlock(OutputChannelRecord* channel, const char* file,
                                                   std::int32_t line)
{
    unsigned index = 0;
    ModuleEntry* entry = entryOfChannel(channel, &index);
    std::string error;
    {
        std::lock_guard<std::mutex> lock(blocksMutex_);
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
            if (blockListener_)
                blockListener_(*entry->module, index, {block->dStartTime, block->dSampleDistance, kept, samples});
            tallyRelease(entry, index, block);
            if (!log_.countsMode)
                log_.recordRelease({0, entry->module->id(), index, block->dStartTime, block->dSampleDistance,
                                    block->wSampleCount, std::vector<float>(samples, samples + kept),
                                    measurement_.clock32(), TextOrEmpty(file), line});
            route(*entry, index, *block, samples, kept);
            retireOutputBlock(entry, index);
            ++blockEvents_;
        }
    }
    if (!error.empty())
        log_.fail(error);
    return 1;
}

DataBlock* HostWorksheet::getInputBlock(ModuleRecord* module, std::uint32_t input)
{
    ModuleEntry* entry = entryOf(module);
    std::string error;
    DataBlock* block = nullptr;
    {
        std::lock_guard<std::mutex> lock(blocksMutex_);
        if (!entry)
            error = "GetInputBlock for an unknown module";
        else if (input >= entry->module->inputs() || input >= kMaxInputs)
            error = "GetInputBlock for input " + std::to_string(input) + " of a module with " +
                    std::to_string(entry->module->inputs()) + " inputs";
        else if (inProcess_.count(entry) == 0)
            error = "GetInputBlock outside the module's process call";
        else if (entry->handedOut[input])
            error = "GetInputBlock again for input " + std::to_string(input) + " before its block was released";
        else if (!entry->waiting[input].empty()) {
            block = entry->waiting[input].front();
            entry->waiting[input].pop_front();
            entry->handedOut[input] = block;
            ++blockEvents_;
        }
        if (entry && !log_.countsMode)
            log_.recordInputCall({0, entry->module->id(), input, false, block != nullptr, "", 0});
    }
    if (!error.empty())
        log_.fail(error);
    return block;
}

std::uint32_t HostWorksheet::newReleaseInputBlock(ModuleRecord* module, std::uint32_t input, const char* file,
                                                  std::int32_t line)
{
    ModuleEntry* entry = entryOf(module);
    std::string error;
    {
        std::lock_guard<std::mutex> lock(blocksMutex_);
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
        if (entry && !log_.countsMode)
            log_.recordInputCall({0, entry->module->id(), input, true, block != nullptr, TextOrEmpty(file), line});
    }
    if (!error.empty())
        log_.fail(error);
    return 1;
}

std::uint32_t HostWorksheet::changeModuleSize(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs)
{
    ModuleEntry* entry = entryOf(module);
    log_.recordSizeChange(module, inputs, outputs);
    if (!entry) {
        log_.fail("ChangeModuleSize for an unknown module");
        return 0;
    }
    if (inputs > kMaxInputs || outputs > kChannelStateSlots) {
        log_.fail("ChangeModuleSize to " + std::to_string(inputs) + " inputs and " + std::to_string(outputs) +
                  " outputs, more than the host offers");
        return 0;
    }
    module->uiInputChannels = inputs;
    module->uiOutputChannels = outputs;
    return 1;
}

}  // namespace standin
