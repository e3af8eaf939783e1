// A module on the worksheet as tests and the program see it, and what a test
// chooses about it before it is placed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "torq7m/host/HostRecords.h"

namespace standin {

class HostWorksheet;

// What a test chooses about a module before it is created.
struct Placement {
    Placement(unsigned inputs = 0, unsigned outputs = 0, std::string name = {})
        : inputs(inputs), outputs(outputs), name(std::move(name))
    {
    }
    unsigned inputs;
    unsigned outputs;
    std::string name;   // empty: the class's short name and a number
};

// A module on the worksheet. Its records live in host memory below 4 GB.
class HostModule {
public:
    int id() const { return id_; }
    const std::string& className() const { return className_; }
    ModuleRecord* record() const { return record_; }
    HWND window() const { return window_; }
    void* data() const { return data_; }
    std::uint32_t dataSize() const { return dataSize_; }
    template <typename T>
    T* dataAs() const
    {
        return static_cast<T*>(data_);
    }
    ChannelState* channelState(unsigned slot) const { return FromHost32<ChannelState>(record_->pChannelState[slot]); }
    OutputChannelRecord* outputChannel(unsigned channel) const
    {
        return FromHost32<OutputChannelRecord>(record_->hOutputChannel[channel]);
    }
    unsigned inputs() const { return record_->uiInputChannels; }
    unsigned outputs() const { return record_->uiOutputChannels; }
    std::string name() const { return record_->szName; }

private:
    friend class HostWorksheet;
    int id_ = 0;
    std::string className_;
    ModuleRecord* record_ = nullptr;
    HWND window_ = nullptr;
    void* data_ = nullptr;
    std::uint32_t dataSize_ = 0;
};

}  // namespace standin
