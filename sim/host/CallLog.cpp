#include "CallLog.h"

namespace standin {

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
