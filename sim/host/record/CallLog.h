// The host's record of what the library did: every host function call (or,
// in counts mode, its count), the imports, memory, warnings, classes,
// blocks and module results, and the failures the host saw. Its lock is
// the last one taken: no other lock is taken while it is held.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Recorded.h"

namespace standin {

// A text the library passed, which may be null.
std::string TextOrEmpty(const char* text);

struct LiveBlock {
    std::uint32_t size;
    std::string file;
    std::int32_t line;
};

struct CallLog {
    Sequence nextSeq() { return ++sequence; }
    // Records (or counts) a call of a host function at the clock's `tick`.
    void recordCall(const char* function, std::uint32_t tick);
    // Records a failure of the library and tells the failure hook. Never
    // called with a lock held.
    void fail(const std::string& what);
    // Each record gets the next sequence number as it is kept.
    void recordImport(unsigned message, const std::string& name, std::uintptr_t answer);
    void recordModuleResult(int moduleId, std::uint32_t message, std::uint32_t result);
    void recordRelease(ReleasedBlock block);
    void recordInputCall(InputBlockCall call);
    void recordSizeChange(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs);
    // The registered class of that name; null when none.
    const RegisteredClass* findClass(const std::string& className) const;
    template <typename T>
    std::vector<T> copy(const std::vector<T>& records) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return records;
    }
    void clear();

    mutable std::mutex mutex;
    std::atomic<Sequence> sequence{0};
    std::function<void(const std::string&)> failureHook;
    std::function<void(const Warning&)> warningListener;
    std::vector<std::string> protocolErrors;

    std::atomic<bool> countsMode{false};
    std::map<const char*, std::size_t> callCounts;   // by the function name's literal
    std::atomic<std::uint64_t> hostTicks{0};
    std::atomic<std::uint64_t> processTicks{0};

    std::vector<ImportRequest> imports;
    std::vector<HostCall> calls;
    std::vector<MemoryCall> memoryCalls;
    std::map<std::uintptr_t, LiveBlock> liveBlocks;
    std::vector<Warning> warnings;
    std::size_t stopRequests = 0;
    std::vector<RegisteredClass> classes;
    std::vector<DefaultActionCall> defaultActions;
    std::vector<SizeChange> sizeChanges;
    std::vector<MenuEntry> menuEntries;
    std::vector<BoundVariable> boundVariables;
    std::size_t defineModuleCalls = 0;
    std::set<HFONT> fonts;
    std::vector<ReleasedBlock> released;
    std::vector<InputBlockCall> inputCalls;
    std::vector<ModuleResult> moduleResults;
};

}  // namespace standin
