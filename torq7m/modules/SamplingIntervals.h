// The board's sampling clocks: the 48 intervals the analog input class can
// sample at, each with the clock code of the board's mode. Pure: no window,
// no driver, so that tests reach the lookup directly.
#pragma once

#include <cstdint>

struct SamplingInterval {
    double milliseconds;
    std::uint8_t clockCode;
};

inline constexpr unsigned kSamplingIntervals = 48;

// Clock code = 8 x decade code + multiplier code; in increasing intervals.
inline constexpr SamplingInterval kSamplingIntervalTable[kSamplingIntervals] = {
    {0.03, 0x26},   {0.04, 0x21},   {0.05, 0x25},   {0.06, 0x23},   {0.1, 0x24},    {0.12, 0x27},
    {0.2, 0x12},    {0.3, 0x16},    {0.4, 0x11},    {0.5, 0x15},    {0.6, 0x13},    {1, 0x14},
    {1.2, 0x17},    {2, 0x32},      {3, 0x36},      {4, 0x31},      {5, 0x35},      {6, 0x33},
    {10, 0x34},     {12, 0x37},     {20, 0x0A},     {30, 0x0E},     {40, 0x09},     {50, 0x0D},
    {60, 0x0B},     {100, 0x0C},    {120, 0x0F},    {200, 0x2A},    {300, 0x2E},    {400, 0x29},
    {500, 0x2D},    {600, 0x2B},    {1000, 0x2C},   {1200, 0x2F},   {2000, 0x1A},   {3000, 0x1E},
    {4000, 0x19},   {5000, 0x1D},   {6000, 0x1B},   {10000, 0x1C},  {12000, 0x1F},  {20000, 0x3A},
    {30000, 0x3E},  {40000, 0x39},  {50000, 0x3D},  {60000, 0x3B},  {100000, 0x3C}, {120000, 0x3F},
};

// Index 0-47 of the sampling interval table entry for the host's
// milliseconds per sample, or -1. Intervals count in whole hundredths of a
// millisecond.
int FindIntervalIndex(double millisecondsPerSample);
