// The analog input's conversion of the board's codes to volts: a word's
// upper 12 bits are the code, and its voltage is low + (high - low) x code x
// 2^-12 formed in double precision and stored as a float.
#pragma once

#include <cstdint>

struct VoltFormula {
    double low;
    double step;   // volts per code, (high - low) x 2^-12
    // Float arithmetic gives the same floats bit for bit (FloatIsExact in
    // AdConversion.cpp); then the conversion runs on four samples at a time.
    bool floatIsExact;
};

VoltFormula MakeVoltFormula(double high, double low);
float WordToVolts(const VoltFormula& formula, std::uint16_t raw);
// Samples 0 .. count-1 of `channel` of a set of `channels` interleaved
// channels; the set holds at least count x channels words, and channel is
// below channels.
void ConvertChannel(const VoltFormula& formula, const std::uint16_t* set, std::uint32_t channel,
                    std::uint32_t channels, float* samples, std::uint32_t count);
