// What the host records of the library, each event numbered in order, and
// what it keeps of an output channel in counts mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "torq7m/host/HostRecords.h"

namespace standin {

// Every recorded event carries a number from one counter, so that events of
// different kinds can be put in order.
using Sequence = std::uint64_t;

struct ImportRequest {
    Sequence seq;
    unsigned message;   // 30000 variable, 30001 function
    std::string name;
    std::uintptr_t answer;
};

struct HostCall {
    Sequence seq;
    std::string function;
    std::uint32_t tick;
};

struct MemoryCall {
    Sequence seq;
    bool isFree;
    std::uintptr_t address;   // the block handed out or given back (null: refused allocation)
    std::uint32_t size;       // requested size; for a free, the size of the block freed
    std::string file;
    std::int32_t line;
    bool error;               // a free of an address that is not a live block
};

struct Warning {
    Sequence seq;
    std::string caption;   // bytes as the library passed them (code page 932)
    std::string text;
    std::uint32_t tick;
};

struct RegisteredClass {
    Sequence seq;
    ModuleClassInfo info;   // copy of the record as passed
    std::string className;
    std::string shortName;
    std::string longName;
    ModuleMessageHandler handler;
    ModuleProcessFunction process;
};

struct DefaultActionCall {
    Sequence seq;
    ModuleRecord* module;
    std::uint32_t message;
    std::uint32_t param1;
    std::uint32_t param2;
    std::uint32_t result;
};

struct SizeChange {
    Sequence seq;
    ModuleRecord* module;
    std::uint32_t inputs;
    std::uint32_t outputs;
};

struct MenuEntry {
    Sequence seq;
    std::uint32_t command;
    MenuEntryHandler handler;
};

struct BoundVariable {
    Sequence seq;
    std::string name;
    std::uintptr_t address;
    std::uint32_t size;
    std::uint32_t result;   // what DefineDllVariable answered
};

// One block handed over with NewReleaseOutputBlock.
struct ReleasedBlock {
    Sequence seq;
    int moduleId;
    unsigned channel;
    double startTime;
    double sampleDistance;
    std::uint16_t count;
    std::vector<float> samples;   // the first `count` samples (at most the block's room)
    std::uint32_t tick;           // clock at the release
    std::string file;
    std::int32_t line;
};

// GetInputBlock (release false) or NewReleaseInputBlock (release true).
struct InputBlockCall {
    Sequence seq;
    int moduleId;
    unsigned input;
    bool release;
    bool withBlock;   // a block was handed out / given back
    std::string file;
    std::int32_t line;
};

// The result of a module message the host sent on its own (create, loaded,
// start, stop, delete, setup) or of a process call that returned 0.
struct ModuleResult {
    Sequence seq;
    int moduleId;
    std::uint32_t message;   // kProcessCall for a process call
    std::uint32_t result;
};
constexpr std::uint32_t kProcessCall = 0xFFFFFFFF;

// Counts mode: what the host keeps of one output channel instead of its
// released blocks. The checks use the host's 64-bit clock, which counts on
// past 2^32 ms where the library's tick count wraps.
struct ChannelTally {
    std::uint64_t blocks = 0;            // released
    std::uint64_t samples = 0;           // in the released blocks
    std::uint64_t timeErrors = 0;        // start time not (samples before it) x distance, or distance not the interval
    std::uint64_t countErrors = 0;       // sample count not the low 16 bits of the block size
    std::uint64_t earlyReleases = 0;     // released before the clock reached its due time
    std::uint64_t heldPastDue = 0;       // process calls at or after the due time that left the filled block held
    double firstStartTime = 0.0;
    double lastStartTime = 0.0;
    std::uint64_t lastReleaseElapsed = 0;   // ms from the start to the last release
    std::uint64_t largestDelay = 0;         // ms from a block's due time to its release, at most
    std::uint64_t heldAtStop = 0;           // samples in the block the library held when the run stopped
};

// A released block as a listener sees it, while it is being released.
struct BlockView {
    double startTime;
    double sampleDistance;
    std::uint32_t count;     // the samples the block holds (its sample count, at most its room)
    const float* samples;
};

// Blocks routed along a connection into an input that no module takes: one
// the module does not have, or one whose module let kMaxWaitingBlocks wait
// (it is not processed). They are dropped and counted, not kept.
struct DroppedInputBlocks {
    int moduleId;
    unsigned input;
    bool noSuchInput;   // the module does not have the input
    std::uint64_t blocks;
};
constexpr std::size_t kMaxWaitingBlocks = 256;

}  // namespace standin
