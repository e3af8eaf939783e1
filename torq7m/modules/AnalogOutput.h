// The analog output class's conversion of volts to converter codes.
#pragma once

#include <cstdint>

// Clamps the sample to the range (a sample that is not a number to its lower
// end) and converts it; 4096 at or above the upper end.
std::int32_t VoltsToCode(float sample, double lower, double upper);
