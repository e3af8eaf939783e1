// The worksheet: its modules with the host's side of their channels, the
// connections between them, and the blocks routed along them. Modules are
// placed and removed on the host's thread while rounds process them on
// another; a module's records are freed only once no round can reach them.
//
// Locks, when nested, are taken in this order: the blocks', the module
// list's, the call log's.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Measurement.h"
#include "sim/host/binding/HostWindows.h"
#include "sim/host/binding/ImportDesk.h"
#include "sim/host/record/CallLog.h"
#include "HostModule.h"
#include "sim/host/record/Recorded.h"
#include "sim/host/storage/WorksheetToml.h"

namespace standin {

// One module with the host's side of its channels.
struct ModuleEntry {
    std::unique_ptr<HostModule> module;
    ModuleMessageHandler handler = nullptr;
    ModuleProcessFunction process = nullptr;
    ChannelState* states = nullptr;                // kChannelStateSlots
    OutputChannelRecord* outputRecords = nullptr;  // kMaxOutputHandles
    DataBlock* outputBlock[kMaxOutputHandles] = {};   // the channel's current block, null when none
    std::uint32_t outputRoom[kMaxOutputHandles] = {}; // samples the current block can hold
    std::deque<DataBlock*> waiting[kMaxInputs];       // blocks waiting on each input
    DataBlock* handedOut[kMaxInputs] = {};            // given to GetInputBlock in this process call
    std::uint32_t fedSamples[kMaxInputs] = {};        // samples fed by the test, for start times
    // Counts mode.
    DataBlock* spareBlock[kMaxOutputHandles] = {};    // a released block's memory, for the next one
    std::uint32_t spareRoom[kMaxOutputHandles] = {};
    ChannelTally tally[kMaxOutputHandles];
    // Between its start and stop messages: processed. Written under the
    // blocks' lock, together with the in-process mark.
    std::atomic<bool> started{false};
};

// The host's side of the blocks, as the virtual clock's next call depends on it.
struct BlockTimes {
    // Ms since the start at which the next block of an input module's
    // channel falls due, the soonest of all; ~0 when no channel has one.
    std::uint64_t nextDue = ~std::uint64_t{0};
    bool inputsWaiting = false;      // a block waits on an input of a started module
    std::uint64_t blockEvents = 0;   // output blocks handed out and released, input blocks taken, so far
};

struct Connection {
    int fromId;
    unsigned output;
    int toId;
    unsigned input;
};

class HostWorksheet {
public:
    HostWorksheet(CallLog& log, Measurement& measurement, const HostWindows& windows, const ImportDesk& imports);
    HostWorksheet(const HostWorksheet&) = delete;
    HostWorksheet& operator=(const HostWorksheet&) = delete;

    // --- Modules (HostWorksheet.cpp).
    ModuleEntry* entryOf(const ModuleRecord* record) const;
    ModuleEntry* entryOf(const HostModule* module) const;
    ModuleEntry* entryById(int id) const;
    // Null when the host's memory has no room for the module's records.
    ModuleEntry* place(const RegisteredClass& cls, unsigned inputs, unsigned outputs, const std::string& name);
    // Takes the module out of processing, its connections and the list,
    // then frees its records and blocks.
    void remove(ModuleEntry* entry);
    // Sends a module message through the class's handler and records the result.
    std::uint32_t send(ModuleEntry* entry, std::uint32_t message, std::uint32_t p1, std::uint32_t p2);
    // Copies of the entries, in placement order. An entry stays alive while
    // a copy is held, though its records are freed at its removal.
    std::vector<std::shared_ptr<ModuleEntry>> entries() const;
    // Makes the host the module's current module (the host variable the library reads).
    void makeCurrent(const HostModule* module);

    // --- Processing (HostWorksheet.cpp).
    void markStarted(ModuleEntry* entry);
    // Tests that the module is started and marks it in process, in one step
    // under the blocks' lock; process then runs the call and clears the mark.
    bool beginProcess(ModuleEntry* entry);
    void process(ModuleEntry* entry);
    // Takes the module out of processing and waits for a process call under
    // way to end; true when it was started.
    bool retire(ModuleEntry* entry);
    // A measurement's start: fed samples and tallies from zero.
    void resetCounts();
    void freeBlocks();

    // --- Connections and blocks (BlockRouting.cpp).
    bool connect(const HostModule* from, unsigned output, const HostModule* to, unsigned input);
    std::vector<Connection> connections() const;
    bool feed(const HostModule* to, unsigned input, const std::vector<float>& samples);
    std::size_t waiting(const HostModule* module, unsigned input) const;
    std::vector<DroppedInputBlocks> droppedInputBlocks() const;
    void setOutputBlockFilter(std::function<bool(const HostModule&, unsigned)> filter);
    void setBlockListener(std::function<void(const HostModule&, unsigned, const BlockView&)> listener);
    // The host functions of the block protocol.
    DataBlock* getCurrentOutputBlock(OutputChannelRecord* channel);
    std::uint32_t newReleaseOutputBlock(OutputChannelRecord* channel, const char* file, std::int32_t line);
    DataBlock* getInputBlock(ModuleRecord* module, std::uint32_t input);
    std::uint32_t newReleaseInputBlock(ModuleRecord* module, std::uint32_t input, const char* file,
                                       std::int32_t line);
    std::uint32_t changeModuleSize(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs);

    // --- Counts mode (HostTally.cpp).
    ChannelTally tally(const HostModule* module, unsigned channel) const;
    // What the virtual clock's next call depends on.
    BlockTimes blockTimes() const;

private:
    ModuleEntry* entryOfChannel(const OutputChannelRecord* channel, unsigned* index) const;
    void freeBlocksOf(ModuleEntry* entry);
    DataBlock* newBlock(std::uint32_t room);
    void route(const ModuleEntry& from, unsigned output, const DataBlock& block, const float* samples,
               std::uint32_t kept);
    void drop(const ModuleEntry& consumer, unsigned input);
    // Counts mode, under the blocks' lock.
    DataBlock* outputBlockFor(ModuleEntry* entry, unsigned channel, std::uint32_t room);
    void retireOutputBlock(ModuleEntry* entry, unsigned channel);
    void tallyRelease(ModuleEntry* entry, unsigned channel, const DataBlock* block);
    void tallyHeldBlocks(ModuleEntry* entry);

    CallLog& log_;
    Measurement& measurement_;
    const HostWindows& windows_;
    const ImportDesk& imports_;

    // Guards the list of modules (not the modules themselves): rounds look
    // modules up while the host's thread places them.
    mutable std::recursive_mutex listMutex_;
    std::vector<std::shared_ptr<ModuleEntry>> modules_;
    int nextId_ = 1;

    // Guards the block queues, the connections and the in-process marks.
    mutable std::mutex blocksMutex_;
    std::vector<Connection> connections_;
    std::vector<DroppedInputBlocks> dropped_;   // since the measurement's start
    std::multiset<ModuleEntry*> inProcess_;   // modules whose process function runs, on any thread
    std::function<bool(const HostModule&, unsigned)> outputBlockFilter_;
    std::function<void(const HostModule&, unsigned, const BlockView&)> blockListener_;
    std::uint64_t blockEvents_ = 0;
};

}  // namespace standin
