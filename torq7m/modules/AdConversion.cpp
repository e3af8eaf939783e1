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

// Rows of the set taken at once by the vector paths: four samples of every
// channel, one 128-bit store per channel.
constexpr std::uint32_t kRowsAtOnce = 4;

// Rows `from` .. rows-1, word by word.
template <typename Formula>
void ConvertRows(Formula formula, const std::uint16_t* set, std::uint32_t channels, float* const* samples,
                 std::uint32_t from, std::uint32_t rows)
{
    for (std::uint32_t j = from; j < rows; ++j) {
        const std::uint16_t* row = set + std::size_t{j} * channels;
        for (std::uint32_t c = 0; c < channels; ++c) {
            if (samples[c])
                samples[c][j] = formula(row[c]);
        }
    }
}

// One channel: the set is one contiguous run, which the compiler converts
// with vector loads.
std::uint32_t ConvertRun(FloatFormula formula, const std::uint16_t* __restrict set, float* __restrict samples,
                         std::uint32_t rows)
{
    for (std::uint32_t j = 0; j < rows; ++j)
        samples[j] = formula(set[j]);
    return rows;
}

struct VectorFormula {
    __m128 low;
    __m128 step;

    explicit VectorFormula(FloatFormula formula) : low(_mm_set1_ps(formula.low)), step(_mm_set1_ps(formula.step)) {}

    // Four words whose codes stand in the 32-bit lanes, shifted down already.
    __m128 operator()(__m128i codes) const { return _mm_add_ps(low, _mm_mul_ps(step, _mm_cvtepi32_ps(codes))); }
};

// Eight words of four rows of one channel each for two channels, in 16-bit
// lanes (the first channel's four, then the second's): their volts stored
// at row j of both channels.
void StoreChannelPair(const VectorFormula& volts, __m128i words, float* first, float* second, std::uint32_t j)
{
    const __m128i codes = _mm_srli_epi16(words, kCodeShift);
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_ps(first + j, volts(_mm_unpacklo_epi16(codes, zero)));
    _mm_storeu_ps(second + j, volts(_mm_unpackhi_epi16(codes, zero)));
}

// Two channels: four rows are one 128-bit load, the channels its even and
// odd 16-bit lanes.
void TwoChannelRows(const VectorFormula& volts, const __m128i* at, float* const* samples, std::uint32_t j)
{
    const __m128i four = _mm_loadu_si128(at);
    // even lanes to the low half, odd lanes to the high half
    const __m128i split =
        _mm_shufflehi_epi16(_mm_shufflelo_epi16(four, _MM_SHUFFLE(3, 1, 2, 0)), _MM_SHUFFLE(3, 1, 2, 0));
    StoreChannelPair(volts, _mm_shuffle_epi32(split, _MM_SHUFFLE(3, 1, 2, 0)), samples[0], samples[1], j);
}

// Four channels: four rows are two 128-bit loads, transposed so that each
// channel's four samples stand side by side.
void FourChannelRows(const VectorFormula& volts, const __m128i* at, float* const* samples, std::uint32_t j)
{
    const __m128i rows01 = _mm_loadu_si128(at);
    const __m128i rows23 = _mm_loadu_si128(at + 1);
    const __m128i lo = _mm_unpacklo_epi16(rows01, rows23);   // rows 0, 2 of channels 0-3
    const __m128i hi = _mm_unpackhi_epi16(rows01, rows23);   // rows 1, 3 of channels 0-3
    StoreChannelPair(volts, _mm_unpacklo_epi16(lo, hi), samples[0], samples[1], j);
    StoreChannelPair(volts, _mm_unpackhi_epi16(lo, hi), samples[2], samples[3], j);
}

// Eight channels: a row is one 128-bit load; four of them are transposed.
void EightChannelRows(const VectorFormula& volts, const __m128i* at, float* const* samples, std::uint32_t j)
{
    const __m128i r0 = _mm_loadu_si128(at);
    const __m128i r1 = _mm_loadu_si128(at + 1);
    const __m128i r2 = _mm_loadu_si128(at + 2);
    const __m128i r3 = _mm_loadu_si128(at + 3);
    const __m128i low01 = _mm_unpacklo_epi16(r0, r1);    // rows 0, 1 of channels 0-3
    const __m128i high01 = _mm_unpackhi_epi16(r0, r1);   // rows 0, 1 of channels 4-7
    const __m128i low23 = _mm_unpacklo_epi16(r2, r3);
    const __m128i high23 = _mm_unpackhi_epi16(r2, r3);
    StoreChannelPair(volts, _mm_unpacklo_epi32(low01, low23), samples[0], samples[1], j);
    StoreChannelPair(volts, _mm_unpackhi_epi32(low01, low23), samples[2], samples[3], j);
    StoreChannelPair(volts, _mm_unpacklo_epi32(high01, high23), samples[4], samples[5], j);
    StoreChannelPair(volts, _mm_unpackhi_epi32(high01, high23), samples[6], samples[7], j);
}

using RowGroup = void (*)(const VectorFormula& volts, const __m128i* at, float* const* samples, std::uint32_t j);

// Every whole group of four rows of a set of `Channels` channels, by `Group`.
template <std::uint32_t Channels, RowGroup Group>
std::uint32_t ConvertGroups(const VectorFormula& volts, const std::uint16_t* set, float* const* samples,
                            std::uint32_t rows)
{
    std::uint32_t j = 0;
    for (; j + kRowsAtOnce <= rows; j += kRowsAtOnce)
        Group(volts, reinterpret_cast<const __m128i*>(set + std::size_t{j} * Channels), samples, j);
    return j;
}

// Any other channel count, or a channel without room: four rows converted
// as one contiguous run of 4n words into floats, then handed out by channel.
std::uint32_t ConvertGathered(const VectorFormula& volts, const std::uint16_t* set, std::uint32_t channels,
                              float* const* samples, std::uint32_t rows)
{
    alignas(16) float converted[kRowsAtOnce * kMaxSetChannels];
    const __m128i zero = _mm_setzero_si128();
    const std::uint32_t words = kRowsAtOnce * channels;
    std::uint32_t j = 0;
    for (; j + kRowsAtOnce <= rows; j += kRowsAtOnce) {
        const std::uint16_t* run = set + std::size_t{j} * channels;
        for (std::uint32_t w = 0; w < words; w += 4) {
            const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(run + w));
            _mm_store_ps(converted + w, volts(_mm_unpacklo_epi16(_mm_srli_epi16(four, kCodeShift), zero)));
        }
        for (std::uint32_t c = 0; c < channels; ++c) {
            if (float* out = samples[c]) {
                for (std::uint32_t k = 0; k < kRowsAtOnce; ++k)
                    out[j + k] = converted[k * channels + c];
            }
        }
    }
    return j;
}

// The vector path for the set's shape; the rows it leaves are converted
// word by word.
std::uint32_t ConvertInFloat(FloatFormula formula, const std::uint16_t* set, std::uint32_t channels,
                             float* const* samples, std::uint32_t rows)
{
    const VectorFormula volts(formula);
    const bool everyChannel = std::all_of(samples, samples + channels, [](const float* s) { return s != nullptr; });
    if (!everyChannel)
        return ConvertGathered(volts, set, channels, samples, rows);
    switch (channels) {
    case 1:
        return ConvertRun(formula, set, samples[0], rows);
    case 2:
        return ConvertGroups<2, TwoChannelRows>(volts, set, samples, rows);
    case 4:
        return ConvertGroups<4, FourChannelRows>(volts, set, samples, rows);
    case 8:
        return ConvertGroups<8, EightChannelRows>(volts, set, samples, rows);
    default:
        return ConvertGathered(volts, set, channels, samples, rows);
    }
}

}  // namespace

// The step is taken once per set: scaling by a power of two is exact, so the
// product rounds exactly as the formula's.
VoltFormula MakeVoltFormula(double high, double low)
{
    const double step = (high - low) * kCodeStep;
    return {low, step, FloatIsExact(low, step)};
}

void ConvertSet(const VoltFormula& formula, const std::uint16_t* set, std::uint32_t channels, float* const* samples,
                std::uint32_t rows)
{
    if (!formula.floatIsExact) {
        ConvertRows(DoubleFormula{formula.low, formula.step}, set, channels, samples, 0, rows);
        return;
    }
    const FloatFormula inFloat{static_cast<float>(formula.low), static_cast<float>(formula.step)};
    const std::uint32_t done = ConvertInFloat(inFloat, set, channels, samples, rows);
    ConvertRows(inFloat, set, channels, samples, done, rows);
}
