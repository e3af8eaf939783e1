// The analog input's conversion of the board's codes to volts: a word's
// upper 12 bits are the code, and its voltage is low + (high - low) x code x
// 2^-12 formed in double precision and stored as a float.
#pragma once

#include <cstdint>

struct VoltFormula {
    double low;
    double step;   // volts per code, (high - low) x 2^-12
    // Float arithmetic gives the same floats bit for bit (FloatIsExact in
    // AdConversion.cpp); then the conversion runs on four rows at a time.
    bool floatIsExact;
};

// The board samples at most eight channels into one set.
constexpr std::uint32_t kMaxSetChannels = 8;

VoltFormula MakeVoltFormula(double high, double low);
// Rows 0 .. rows-1 of a set of `channels` (1 to kMaxSetChannels) interleaved
// channels, in one pass over the set: sample j of channel c, word c + j x
// channels, goes to samples[c][j]; a channel whose samples[c] is null is
// left out.
void ConvertSet(const VoltFormula& formula, const std::uint16_t* set, std::uint32_t channels, float* const* samples,
                std::uint32_t rows);
