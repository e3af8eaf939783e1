// What tests and the program choose of the host's answers, and what they
// read of its records: the StandinHost calls over the recorded calls.
#include "HostState.h"

namespace standin {

namespace {

template <typename T>
std::vector<T> Copy(std::mutex& mutex, const std::vector<T>& records)
{
    std::lock_guard<std::mutex> lock(mutex);
    return records;
}

}  // namespace

void StandinHost::setFailureHook(std::function<void(const std::string&)> hook) { state_->failureHook = std::move(hook); }
std::vector<std::string> StandinHost::protocolErrors() const { return Copy(state_->mutex, state_->protocolErrors); }

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

}  // namespace standin
