// The measurement's clock and the library variables that carry the time
// base and the run flags to the library.
#include "Measurement.h"

namespace standin {

std::uint64_t Measurement::clock64() const
{
    return virtualClock ? virtualNow_.load() : GetTickCount64();
}

void Measurement::useVirtualClock(std::uint64_t now)
{
    setVirtualClock(now);
    virtualClock = true;
}

void Measurement::setVirtualClock(std::uint64_t now)
{
    virtualNow_ = now;
    virtualLow_ = static_cast<std::uint32_t>(now);
}

void Measurement::bindVariable(const std::string& name, void* address)
{
    std::lock_guard<std::mutex> lock(variablesMutex_);
    variables_[name] = address;
}

void Measurement::forgetVariables()
{
    std::lock_guard<std::mutex> lock(variablesMutex_);
    variables_.clear();
}

template <typename T>
void Measurement::write(const char* name, T value)
{
    const auto it = variables_.find(name);
    if (it != variables_.end())
        *static_cast<volatile T*>(it->second) = value;
}

void Measurement::writeVariables()
{
    std::lock_guard<std::mutex> lock(variablesMutex_);
    write<double>("fGlobalMilliSecondsPerSample", msPerSample);
    write<std::uint32_t>("uiGlobalBlockSize", blockSize);
    write<std::int32_t>("bAnimation", animation ? 1 : 0);
    write<std::int32_t>("bExperimentIsRunning", running ? 1 : 0);
    write<std::int32_t>("bExperimentIsPaused", paused ? 1 : 0);
    write<std::uint32_t>("dwExperimentStartTimeTicks", startTicks);
    write<std::int32_t>("BBoxModul", 0);
}

}  // namespace standin
