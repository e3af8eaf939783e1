// The host's record of what the library did.
#include "CallLog.h"

namespace standin {

std::string TextOrEmpty(const char* text)
{
    return text ? std::string(text) : std::string();
}

void CallLog::recordCall(const char* function, std::uint32_t tick)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (countsMode) {
        ++callCounts[function];
        return;
    }
    calls.push_back({nextSeq(), function, tick});
}

void CallLog::fail(const std::string& what)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        protocolErrors.push_back(what);
    }
    if (failureHook)
        failureHook(what);
}

void CallLog::recordImport(unsigned message, const std::string& name, std::uintptr_t answer)
{
    std::lock_guard<std::mutex> lock(mutex);
    imports.push_back({nextSeq(), message, name, answer});
}

void CallLog::recordModuleResult(int moduleId, std::uint32_t message, std::uint32_t result)
{
    std::lock_guard<std::mutex> lock(mutex);
    moduleResults.push_back({nextSeq(), moduleId, message, result});
}

void CallLog::recordRelease(ReleasedBlock block)
{
    std::lock_guard<std::mutex> lock(mutex);
    block.seq = nextSeq();
    released.push_back(std::move(block));
}

void CallLog::recordInputCall(InputBlockCall call)
{
    std::lock_guard<std::mutex> lock(mutex);
    call.seq = nextSeq();
    inputCalls.push_back(std::move(call));
}

void CallLog::recordSizeChange(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs)
{
    std::lock_guard<std::mutex> lock(mutex);
    sizeChanges.push_back({nextSeq(), module, inputs, outputs});
}

const RegisteredClass* CallLog::findClass(const std::string& className) const
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const RegisteredClass& cls : classes) {
        if (cls.className == className)
            return &cls;
    }
    return nullptr;
}

void CallLog::clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    imports.clear();
    calls.clear();
    callCounts.clear();
    memoryCalls.clear();
    warnings.clear();
    stopRequests = 0;
    defaultActions.clear();
    sizeChanges.clear();
    released.clear();
    inputCalls.clear();
    moduleResults.clear();
    protocolErrors.clear();
}

}  // namespace standin
