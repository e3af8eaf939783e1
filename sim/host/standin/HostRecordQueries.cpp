// What tests and the program choose of the host's answers, and what they
// read of its records: the StandinHost calls over the recorded calls.
#include "HostRooms.h"

namespace standin {

void StandinHost::setFailureHook(std::function<void(const std::string&)> hook) { rooms_->log.failureHook = std::move(hook); }
std::vector<std::string> StandinHost::protocolErrors() const { return rooms_->log.copy(rooms_->log.protocolErrors); }

void StandinHost::answerVariable(const std::string& name, std::uint32_t value) { rooms_->imports.overrideVariable(name, value); }
void StandinHost::answerFunction(const std::string& name, std::uintptr_t address) { rooms_->imports.overrideFunction(name, address); }
void StandinHost::setDefineDllModuleResult(std::uint32_t result) { rooms_->imports.setDefineDllModuleResult(result); }
void StandinHost::setDefineDllVariableResult(std::size_t callIndex, std::uint32_t result)
{
    rooms_->imports.setDefineDllVariableResult(callIndex, result);
}
void StandinHost::setDefaultActionResult(std::optional<std::uint32_t> result) { rooms_->imports.setDefaultActionResult(result); }
void StandinHost::setAllocationFilter(std::function<bool(std::uint32_t, const std::string&, std::int32_t)> filter)
{
    rooms_->imports.setAllocationFilter(std::move(filter));
}
void StandinHost::setOutputBlockFilter(std::function<bool(const HostModule&, unsigned)> filter)
{
    rooms_->worksheet.setOutputBlockFilter(std::move(filter));
}
void StandinHost::setWarningListener(std::function<void(const Warning&)> listener)
{
    rooms_->log.warningListener = std::move(listener);
}
void StandinHost::setBlockListener(std::function<void(const HostModule&, unsigned, const BlockView&)> listener)
{
    rooms_->worksheet.setBlockListener(std::move(listener));
}

std::vector<ImportRequest> StandinHost::imports() const { return rooms_->log.copy(rooms_->log.imports); }
std::vector<HostCall> StandinHost::calls() const { return rooms_->log.copy(rooms_->log.calls); }

std::size_t StandinHost::callCount(const std::string& function) const
{
    std::lock_guard<std::mutex> lock(rooms_->log.mutex);
    std::size_t count = 0;
    for (const HostCall& call : rooms_->log.calls)
        count += call.function == function;
    for (const auto& counted : rooms_->log.callCounts)
        count += function == counted.first ? counted.second : 0;
    return count;
}

std::vector<MemoryCall> StandinHost::memoryCalls() const { return rooms_->log.copy(rooms_->log.memoryCalls); }

std::size_t StandinHost::liveAllocations() const
{
    std::lock_guard<std::mutex> lock(rooms_->log.mutex);
    return rooms_->log.liveBlocks.size();
}

std::size_t StandinHost::liveAllocationBytes() const
{
    std::lock_guard<std::mutex> lock(rooms_->log.mutex);
    std::size_t bytes = 0;
    for (const auto& block : rooms_->log.liveBlocks)
        bytes += block.second.size;
    return bytes;
}

std::vector<Warning> StandinHost::warnings() const { return rooms_->log.copy(rooms_->log.warnings); }

std::size_t StandinHost::stopRequests() const
{
    std::lock_guard<std::mutex> lock(rooms_->log.mutex);
    return rooms_->log.stopRequests;
}

std::vector<RegisteredClass> StandinHost::classes() const { return rooms_->log.copy(rooms_->log.classes); }

const RegisteredClass* StandinHost::findClass(const std::string& className) const
{
    return rooms_->log.findClass(className);
}

std::vector<DefaultActionCall> StandinHost::defaultActions() const { return rooms_->log.copy(rooms_->log.defaultActions); }
std::vector<SizeChange> StandinHost::sizeChanges() const { return rooms_->log.copy(rooms_->log.sizeChanges); }
std::vector<MenuEntry> StandinHost::menuEntries() const { return rooms_->log.copy(rooms_->log.menuEntries); }
std::vector<BoundVariable> StandinHost::boundVariables() const { return rooms_->log.copy(rooms_->log.boundVariables); }

std::size_t StandinHost::defineDllModuleCalls() const
{
    std::lock_guard<std::mutex> lock(rooms_->log.mutex);
    return rooms_->log.defineModuleCalls;
}

std::size_t StandinHost::liveFonts() const
{
    std::lock_guard<std::mutex> lock(rooms_->log.mutex);
    return rooms_->log.fonts.size();
}

std::vector<ReleasedBlock> StandinHost::releasedBlocks() const { return rooms_->log.copy(rooms_->log.released); }

std::vector<ReleasedBlock> StandinHost::releasedBlocks(const HostModule* module, unsigned channel) const
{
    std::lock_guard<std::mutex> lock(rooms_->log.mutex);
    std::vector<ReleasedBlock> blocks;
    for (const ReleasedBlock& block : rooms_->log.released) {
        if (module && block.moduleId == module->id() && block.channel == channel)
            blocks.push_back(block);
    }
    return blocks;
}

std::vector<InputBlockCall> StandinHost::inputBlockCalls() const { return rooms_->log.copy(rooms_->log.inputCalls); }
std::vector<ModuleResult> StandinHost::moduleResults() const { return rooms_->log.copy(rooms_->log.moduleResults); }

void StandinHost::clearRecords() { rooms_->log.clear(); }

void StandinHost::useCountsMode(bool on) { rooms_->log.countsMode = on; }

ChannelTally StandinHost::channelTally(const HostModule* module, unsigned channel) const
{
    return rooms_->worksheet.tally(module, channel);
}

std::uint64_t StandinHost::hostTicks() const { return rooms_->log.hostTicks.load(); }
std::uint64_t StandinHost::processTicks() const { return rooms_->log.processTicks.load(); }

}  // namespace standin
