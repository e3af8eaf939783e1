#include "AdConversion.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

constexpr double kCodeStep = 1.0 / 4096.0;
constexpr unsigned kCodeShift = 4;
constexpr double kHighestCode = 4095.0;
constexpr int kFloatDigits = 24;
// The powers of two within which every value formed stays a normal float.
constexpr int kLowestExactExponent = -126;
constexpr int kHighestExactExponent = 127;
constexpr unsigned kWordBits = 16;
constexpr std::uint32_t kCodeMask = 0xFFF;

constexpr int kExponentBias = 1023;
constexpr unsigned kFractionBits = 52;
constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFractionBits) - 1;
constexpr std::uint64_t kExponentMask = 0x7FF;

// The exponent of the lowest set bit of a finite x other than 0, from its
// bits: this runs once per set.
int LowestBitExponent(double x)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    const int biased = static_cast<int>((bits >> kFractionBits) & kExponentMask);
    std::uint64_t digits = bits & kFractionMask;
    if (biased != 0)
        digits |= std::uint64_t{1} << kFractionBits;
    const int lowest = (biased != 0 ? biased : 1) - kExponentBias - static_cast<int>(kFractionBits);
    return lowest + __builtin_ctzll(digits);
}

// 2^exponent, for an exponent of a normal double.
double PowerOfTwo(int exponent)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(exponent + kExponentBias) << kFractionBits;
    double power = 0.0;
    std::memcpy(&power, &bits, sizeof power);
    return power;
}

// True when low and step are multiples of one power of two q and |low| +
// 4095 |step| is below 2^24 q: then step x code and low + step x code are
// multiples of q below 2^24 q for every code, which floats and doubles both
// hold exactly, so no operation of either rounds. The board's ranges all
// qualify; an odd stored range converts in double precision.
bool FloatIsExact(double low, double step)
{
    if (low == 0.0 && step == 0.0)
        return true;
    int q = kHighestExactExponent;
    if (low != 0.0)
        q = std::min(q, LowestBitExponent(low));
    if (step != 0.0)
        q = std::min(q, LowestBitExponent(step));
    if (q < kLowestExactExponent || q + kFloatDigits > kHighestExactExponent)
        return false;
    // The sum may round up but not below its true value: the limit is a power of two.
    const double largest = std::fabs(low) + kHighestCode * std::fabs(step);
    return largest < PowerOfTwo(q + kFloatDigits);
}

struct FloatFormula {
    float low;
    float step;
    float operator()(std::uint16_t raw) const { return low + step * static_cast<float>(raw >> kCodeShift); }
};

struct DoubleFormula {
    double low;
    double step;
    float operator()(std::uint16_t raw) const
    {
        return static_cast<float>(low + step * static_cast<double>(raw >> kCodeShift));
    }
};

// Word by word, samples `from` .. count-1; a one-channel set is one
// contiguous run, which the compiler converts with vector loads.
template <typename Formula>
void ConvertWords(Formula formula, const std::uint16_t* __restrict set, std::uint32_t channel,
                  std::uint32_t channels, float* __restrict samples, std::uint32_t from, std::uint32_t count)
{
    if (channels == 1) {
        for (std::uint32_t j = from; j < count; ++j)
            samples[j] = formula(set[j]);
        return;
    }
    for (std::uint32_t j = from; j < count; ++j)
        samples[j] = formula(set[std::size_t{j} * channels + channel]);
}

__m128 VoltsOf(__m128i codes, __m128 low, __m128 step)
{
    return _mm_add_ps(low, _mm_mul_ps(step, _mm_cvtepi32_ps(codes)));
}

// Two channels: each 32-bit lane of the set is one sample of both; the
// channel's code is taken out of it with two shifts.
std::uint32_t ConvertPairs(FloatFormula formula, const std::uint16_t* set, std::uint32_t channel, float* samples,
                           std::uint32_t count)
{
    const __m128i left = _mm_cvtsi32_si128(static_cast<int>(kWordBits * (1 - channel)));
    const __m128 low = _mm_set1_ps(formula.low);
    const __m128 step = _mm_set1_ps(formula.step);
    std::uint32_t j = 0;
    for (; j + 4 <= count; j += 4) {
        const __m128i rows = _mm_loadu_si128(reinterpret_cast<const __m128i*>(set + std::size_t{j} * 2));
        const __m128i codes = _mm_srli_epi32(_mm_sll_epi32(rows, left), kWordBits + kCodeShift);
        _mm_storeu_ps(samples + j, VoltsOf(codes, low, step));
    }
    return j;
}

// The 64-bit lanes holding the channel in the row at `row` and the next; of
// four channels, the two rows side by side.
template <bool kFourChannels>
__m128i TwoRows(const std::uint16_t* row, std::size_t channels)
{
    if (kFourChannels)
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
    const __m128d first = _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row)));
    return _mm_castpd_si128(_mm_loadh_pd(first, reinterpret_cast<const double*>(row + channels)));
}

// The codes of four rows from `row`: each lane shifted right to the
// channel's code, and the low halves of the four lanes gathered.
template <bool kFourChannels>
__m128i FourCodes(const std::uint16_t* row, std::size_t channels, __m128i right, __m128i mask)
{
    const __m128 a = _mm_castsi128_ps(_mm_srl_epi64(TwoRows<kFourChannels>(row, channels), right));
    const __m128 b = _mm_castsi128_ps(_mm_srl_epi64(TwoRows<kFourChannels>(row + 2 * channels, channels), right));
    return _mm_and_si128(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))), mask);
}

// A multiple of four channels: the channel is one 16-bit lane of a 64-bit
// load per row.
template <bool kFourChannels>
std::uint32_t ConvertQuads(FloatFormula formula, const std::uint16_t* set, std::uint32_t channel,
                           std::uint32_t channels, float* samples, std::uint32_t count)
{
    const __m128i right = _mm_cvtsi32_si128(static_cast<int>(kWordBits * (channel % 4) + kCodeShift));
    const __m128i mask = _mm_set1_epi32(kCodeMask);
    const __m128 low = _mm_set1_ps(formula.low);
    const __m128 step = _mm_set1_ps(formula.step);
    const std::size_t n = channels;
    const std::uint16_t* row = set + (channel - channel % 4);
    std::uint32_t j = 0;
    for (; j + 8 <= count; j += 8, row += 8 * n) {
        const __m128i first = FourCodes<kFourChannels>(row, n, right, mask);
        const __m128i second = FourCodes<kFourChannels>(row + 4 * n, n, right, mask);
        _mm_storeu_ps(samples + j, VoltsOf(first, low, step));
        _mm_storeu_ps(samples + j + 4, VoltsOf(second, low, step));
    }
    return j;
}

}  // namespace

// The step is taken once per set: scaling by a power of two is exact, so the
// product rounds exactly as the formula's.
VoltFormula MakeVoltFormula(double high, double low)
{
    const double step = (high - low) * kCodeStep;
    return {low, step, FloatIsExact(low, step)};
}

float WordToVolts(const VoltFormula& formula, std::uint16_t raw)
{
    return DoubleFormula{formula.low, formula.step}(raw);
}

void ConvertChannel(const VoltFormula& formula, const std::uint16_t* set, std::uint32_t channel,
                    std::uint32_t channels, float* samples, std::uint32_t count)
{
    if (!formula.floatIsExact) {
        ConvertWords(DoubleFormula{formula.low, formula.step}, set, channel, channels, samples, 0, count);
        return;
    }
    const FloatFormula inFloat{static_cast<float>(formula.low), static_cast<float>(formula.step)};
    std::uint32_t done = 0;
    if (channels == 2)
        done = ConvertPairs(inFloat, set, channel, samples, count);
    else if (channels == 4)
        done = ConvertQuads<true>(inFloat, set, channel, channels, samples, count);
    else if (channels % 4 == 0)
        done = ConvertQuads<false>(inFloat, set, channel, channels, samples, count);
    ConvertWords(inFloat, set, channel, channels, samples, done, count);
}
