// What tests and the program choose of the host's answers, and what they
// read of its records: the StandinHost calls over the recorded calls.
#include "HostState.h"

namespace standin {

void StandinHost::setFailureHook(std::function<void(const std::string&)> hook) { state_->log.failureHook = std::move(hook); }
std::vector<std::string> StandinHost::protocolErrors() const { return state_->log.copy(state_->log.protocolErrors); }

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
    state_->log.warningListener = std::move(listener);
}
void StandinHost::setBlockListener(std::function<void(const HostModule&, unsigned, const BlockView&)> listener)
{
    state_->blockListener = std::move(listener);
}

std::vector<ImportRequest> StandinHost::imports() const { return state_->log.copy(state_->log.imports); }
std::vector<HostCall> StandinHost::calls() const { return state_->log.copy(state_->log.calls); }

std::size_t StandinHost::callCount(const std::string& function) const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    std::size_t count = 0;
    for (const HostCall& call : state_->log.calls)
        count += call.function == function;
    for (const auto& counted : state_->log.callCounts)
        count += function == counted.first ? counted.second : 0;
    return count;
}

std::vector<MemoryCall> StandinHost::memoryCalls() const { return state_->log.copy(state_->log.memoryCalls); }

std::size_t StandinHost::liveAllocations() const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    return state_->log.liveBlocks.size();
}

std::size_t StandinHost::liveAllocationBytes() const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    std::size_t bytes = 0;
    for (const auto& block : state_->log.liveBlocks)
        bytes += block.second.size;
    return bytes;
}

std::vector<Warning> StandinHost::warnings() const { return state_->log.copy(state_->log.warnings); }

std::size_t StandinHost::stopRequests() const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    return state_->log.stopRequests;
}

std::vector<RegisteredClass> StandinHost::classes() const { return state_->log.copy(state_->log.classes); }

const RegisteredClass* StandinHost::findClass(const std::string& className) const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    for (const RegisteredClass& cls : state_->log.classes) {
        if (cls.className == className)
            return &cls;
    }
    return nullptr;
}

std::vector<DefaultActionCall> StandinHost::defaultActions() const { return state_->log.copy(state_->log.defaultActions); }
std::vector<SizeChange> StandinHost::sizeChanges() const { return state_->log.copy(state_->log.sizeChanges); }
std::vector<MenuEntry> StandinHost::menuEntries() const { return state_->log.copy(state_->log.menuEntries); }
std::vector<BoundVariable> StandinHost::boundVariables() const { return state_->log.copy(state_->log.boundVariables); }

std::size_t StandinHost::defineDllModuleCalls() const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    return state_->log.defineModuleCalls;
}

std::size_t StandinHost::liveFonts() const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    return state_->log.fonts.size();
}

std::vector<ReleasedBlock> StandinHost::releasedBlocks() const { return state_->log.copy(state_->log.released); }

std::vector<ReleasedBlock> StandinHost::releasedBlocks(const HostModule* module, unsigned channel) const
{
    std::lock_guard<std::mutex> lock(state_->log.mutex);
    std::vector<ReleasedBlock> blocks;
    for (const ReleasedBlock& block : state_->log.released) {
        if (module && block.moduleId == module->id() && block.channel == channel)
            blocks.push_back(block);
    }
    return blocks;
}

std::vector<InputBlockCall> StandinHost::inputBlockCalls() const { return state_->log.copy(state_->log.inputCalls); }
std::vector<ModuleResult> StandinHost::moduleResults() const { return state_->log.copy(state_->log.moduleResults); }

void StandinHost::clearRecords() { state_->log.clear(); }

void StandinHost::useCountsMode(bool on) { state_->log.countsMode = on; }

ChannelTally StandinHost::channelTally(const HostModule* module, unsigned channel) const
{
    ModuleEntry* entry = state_->entryOf(module);
    std::lock_guard<std::mutex> lock(state_->mutex);
    return entry && channel < kMaxOutputHandles ? entry->tally[channel] : ChannelTally{};
}

std::uint64_t StandinHost::hostTicks() const { return state_->log.hostTicks.load(); }
std::uint64_t StandinHost::processTicks() const { return state_->log.processTicks.load(); }

}  // namespace standin
