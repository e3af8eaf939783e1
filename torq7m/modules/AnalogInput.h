// The analog input class's conversions and sampling set-up.
#pragma once

#include <cstdint>

#include "../host/HostRecords.h"

constexpr unsigned kSamplingIntervals = 48;

// Index 0-47 of the sampling interval table entry for the host's
// milliseconds per sample, or -1. Intervals count in whole hundredths of a
// millisecond.
int FindIntervalIndex(double millisecondsPerSample);

// Validates the settings, fills the mode and the set size and sends the mode
// to the board; 0 on failure, with the reason left in `text` (256 bytes).
int ConfigureSampling(ModuleRecord* module, char* text);
