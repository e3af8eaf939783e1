// The measurement's clock, time base and run flags, and the library
// variables through which the library reads them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace standin {

struct Measurement {
    // The clock the library and the driver see: the low 32 bits of a 64-bit
    // millisecond count, real or virtual.
    std::uint64_t clock64() const;
    // Read at every driver call: one 32-bit load, where a 64-bit atomic
    // costs a locked exchange on 32-bit x86.
    std::uint32_t clock32() const { return virtualClock ? virtualLow_.load() : GetTickCount(); }
    std::uint64_t elapsed() const { return clock64() - startClock; }

    // The virtual clock, moved on the host's thread only.
    void useVirtualClock(std::uint64_t now);
    void setVirtualClock(std::uint64_t now);
    void advanceVirtualClock(std::uint64_t milliseconds) { setVirtualClock(virtualNow_.load() + milliseconds); }
    void useRealClock() { virtualClock = false; }

    // Keeps a variable the library bound current from now on.
    void bindVariable(const std::string& name, void* address);
    void forgetVariables();
    void writeVariables();

    std::atomic<bool> virtualClock{false};

    // Set on the host's thread while no measurement runs; read by rounds.
    double msPerSample = 1.0;
    std::uint32_t blockSize = 100;
    bool animation = false;

    std::atomic<bool> running{false};
    std::atomic<bool> paused{false};
    std::atomic<bool> stopRequested{false};
    std::uint32_t startTicks = 0;
    std::uint64_t startClock = 0;   // clock64() at the start

private:
    template <typename T>
    void write(const char* name, T value);

    std::atomic<std::uint64_t> virtualNow_{0};
    std::atomic<std::uint32_t> virtualLow_{0};   // the low 32 bits of virtualNow_

    std::mutex variablesMutex_;
    std::map<std::string, void*> variables_;   // bound with DefineDllVariable: name -> address
};

}  // namespace standin
