#pragma once

#include <bit>
#include <cstdint>

#include "model/natural_log_table.h"

namespace velmora {

namespace log_detail {

struct TReduced {
    double Z;         // m*r - 1, exact
    double Exponent;  // E, plus one from kUpperFrom
    const log_table::TEntry* Entry;
};

// x must be a positive normal double.
inline TReduced Reduce(double x) noexcept {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const auto fraction = bits & 0x000FFFFFFFFFFFFFull;
    const auto index = static_cast<int>(fraction >> 44);
    const auto& entry = log_table::kEntries[index];
    const double m = std::bit_cast<double>(fraction | 0x3FF0000000000000ull);
    // m split into 44 and 9 bits: each part times the 9-bit r is exact, and so
    // is their sum, which needs at most 53 bits when |z| <= 2^-8.
    const double mHigh = std::bit_cast<double>((fraction | 0x3FF0000000000000ull) & ~0x1FFull);
    const double mLow = m - mHigh;
    const double z = (mHigh * entry.R - 1.0) + mLow * entry.R;
    const int exponent = static_cast<int>(bits >> 52) - 1023 + (index >= log_table::kUpperFrom);
    return {z, static_cast<double>(exponent), &entry};
}

// Exact a + b as (sum, error); any order of magnitudes. T is double or
// TDoublePair, lane by lane the same operations.
template <typename T>
inline void TwoSum(T a, T b, T& sum, T& error) noexcept {
    sum = a + b;
    const T bVirtual = sum - a;
    error = (a - (sum - bVirtual)) + (b - bVirtual);
}

// Exact a + b when |a| >= |b| or a == 0.
template <typename T>
inline void FastTwoSum(T a, T b, T& sum, T& error) noexcept {
    sum = a + b;
    error = b - (sum - a);
}

// Dekker's exact product, without fused multiply-add.
inline void TwoProduct(double a, double b, double& product, double& error) noexcept {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double ca = kSplitter * a;
    const double aHigh = ca - (ca - a);
    const double aLow = a - aHigh;
    const double cb = kSplitter * b;
    const double bHigh = cb - (cb - b);
    const double bLow = b - bHigh;
    product = a * b;
    error = ((aHigh * bHigh - product) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// Two doubles side by side: the fast path for two arguments at once takes
// about half the instructions, each lane computing exactly what one would.
using TDoublePair = double __attribute__((vector_size(16)));

// Whether x is a positive normal double, the fast path's domain.
inline bool InFastDomain(double x) noexcept {
    return std::bit_cast<std::uint64_t>(x) - 0x0010000000000000ull < 0x7FE0000000000000ull;
}

// The fast path's log(x) as high + rest, from Reduce's parts of x.
template <typename T>
inline void FastSum(T z, T exponent, T tableHigh, T tableLow, T& high, T& rest) noexcept {
    T z2High = z * z;
    T z2Low{};
    {
        constexpr double kSplitter = 134217729.0;
        const T c = kSplitter * z;
        const T zHigh = c - (c - z);
        const T zLow = z - zHigh;
        z2Low = ((zHigh * zHigh - z2High) + 2.0 * zHigh * zLow) + zLow * zLow;
    }
    // log1p(z) - z + z^2/2 to degree 8, in Estrin's order for a short chain
    const T series =
        (z * z2High) * ((1.0 / 3.0 + z * -0.25) + z2High * ((1.0 / 5.0 + z * (-1.0 / 6.0)) +
                                                            z2High * (1.0 / 7.0 + z * -0.125)));

    // E*log(2) + L: exact, both leading parts lie on the 2^-42 grid.
    const T a = exponent * log_table::kLn2Hi + tableHigh;
    T b{};
    T bError{};
    FastTwoSum(z, -0.5 * z2High, b, bError);
    T c{};
    T cError{};
    TwoSum(a, b, c, cError);
    const T low =
        ((bError + cError) + (exponent * log_table::kLn2Lo + tableLow)) + (series - 0.5 * z2Low);
    FastTwoSum(c, low, high, rest);
}

// Sets `result` and returns true unless x is not a positive normal double or
// the fast result may round the wrong way.
inline bool TryFast(double x, double& result) noexcept {
    if (!InFastDomain(x)) return false;
    const TReduced reduced = Reduce(x);
    double high = 0.0;
    double rest = 0.0;
    FastSum(reduced.Z, reduced.Exponent, reduced.Entry->L[0], reduced.Entry->L[1], high, rest);
    // Ziv's test, two-sided: both ends of the error interval must round to
    // the same double. 2^-65 covers the 2^-66 bound with room for the
    // rounding of the margin itself.
    const double margin = (high < 0.0 ? -high : high) * 0x1p-65;
    if (high + (rest + margin) != high || high + (rest - margin) != high) return false;
    result = high;
    return true;
}

// The accurate path alone (also used for every argument the fast path leaves).
double Accurate(double x) noexcept;

}  // namespace log_detail

// The natural logarithm, correctly rounded to nearest (ties to even) for every
// positive double, subnormals included; log(1) is +0, log(+0) is -infinity,
// log(+infinity) is +infinity, and negative arguments and NaN give NaN.
//
// The C library's log differs between CPUs and libraries in the last bit, and
// a seeded run must give the same bits everywhere. This one uses only IEEE-754
// addition, subtraction and multiplication on doubles (no fused multiply-add,
// no long double), so every conforming machine computes the same result.
//
// Method: a table-driven reduction after Tang, with Ziv's rounding test.
//   x = 2^E * m, m in [1, 2); r is a 9-bit approximation of 1/m from 256
//   entries, so z = m*r - 1 is exact with |z| <= 2^-8, and
//   log(x) = E*log(2) - log(r) + log1p(z).
// The fast path sums this as a double-double with z^2 exact and a degree-8
// series; its relative error is below 2^-66 (series tail 2^-67.2 |z|, the
// roundings after it 2^-67.7 |z|, and |z| < 1.003 |log x| whenever the
// exponent term is 0, else |log x| > 0.34; the table and log(2) parts add
// under 2^-84).
// When the result is within 2^-65 of a rounding boundary, about once in 3,000
// calls, the accurate path recomputes it to better than 2^-124; Lefèvre and
// Muller's search of all doubles found no logarithm nearer than about 2^-118
// (relative) to a boundary.
inline double NaturalLog(double x) noexcept {
    double result = 0.0;
    if (log_detail::TryFast(x, result)) return result;
    return log_detail::Accurate(x);
}

// NaturalLog of x[0] and x[1] into result[0] and result[1], the fast path
// of both in one pair of lanes.
inline void NaturalLogPair(const double* x, double* result) noexcept {
    using namespace log_detail;
    if (!InFastDomain(x[0]) || !InFastDomain(x[1])) {
        result[0] = NaturalLog(x[0]);
        result[1] = NaturalLog(x[1]);
        return;
    }
    const TReduced r0 = Reduce(x[0]);
    const TReduced r1 = Reduce(x[1]);
    TDoublePair high{};
    TDoublePair rest{};
    FastSum(TDoublePair{r0.Z, r1.Z}, TDoublePair{r0.Exponent, r1.Exponent},
            TDoublePair{r0.Entry->L[0], r1.Entry->L[0]},
            TDoublePair{r0.Entry->L[1], r1.Entry->L[1]}, high, rest);
    for (int lane = 0; lane < 2; ++lane) {
        // TryFast's test, lane by lane: it fails about once in 3,000.
        const double h = high[lane];
        const double margin = (h < 0.0 ? -h : h) * 0x1p-65;
        const bool settled = h + (rest[lane] + margin) == h && h + (rest[lane] - margin) == h;
        result[lane] = settled ? h : Accurate(x[lane]);
    }
}

}  // namespace velmora
