// The self-test of one board, only when asked for: the digital input port,
// one analog input set, and the outputs only with --outputs.
#pragma once

#include <cstdint>

struct SelfTestRequest {
    std::uint16_t board;
    std::uint32_t channels;
    unsigned range;          // index into kInputRanges
    bool writeOutputs;
};

// Every driver failure is reported with its entry point and the driver's
// error code; true when the driver failed nowhere. Leaves every output it
// wrote at 0.
bool RunSelfTest(const SelfTestRequest& request);
