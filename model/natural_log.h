#pragma once

#include <cstdint>

#include "model/bit_cast.h"
#include "model/exact_sum.h"
#include "model/natural_log_table.h"

namespace velmora {

namespace log_detail {

// The parts of a positive normal double x = 2^E * m that the reduction
// takes from its bits: the table index, m split into 44 and 9 bits, and E
// (plus one from kUpperFrom) as a double. No table read and no branch, so a
// loop of them vectorises.
struct TParts {
    std::uint32_t Index;
    double MHigh;
    double MLow;
    double Exponent;
};

inline TParts Split(std::uint64_t bits) noexcept {
    const std::uint64_t fraction = bits & 0x000FFFFFFFFFFFFFull;
    const auto index = static_cast<std::uint32_t>(fraction >> 44);
    const std::uint64_t m = fraction | 0x3FF0000000000000ull;
    const double mHigh = BitCast<double>(m & ~0x1FFull);
    // E as (2^52 + E) - 2^52, exactly, without an integer conversion that
    // older vector units lack.
    const double exponent =
        (BitCast<double>((bits >> 52) | 0x4330000000000000ull) - (0x1p52 + 1023.0)) +
        (index >= static_cast<std::uint32_t>(log_table::kUpperFrom) ? 1.0 : 0.0);
    return {index, mHigh, BitCast<double>(m) - mHigh, exponent};
}

// The steps below that vector code shares are templates, always inlined and
// taking their values by reference, as those of exact_sum.h.
using exact::FastTwoSum;
using exact::TwoSum;

// z = m*r - 1, exact: each part of m times the 9-bit r is exact, and so is
// their sum, which needs at most 53 bits when |z| <= 2^-8.
template <typename T>
[[gnu::always_inline]] inline void ReducedZ(const T& mHigh, const T& mLow, const T& r,
                                            T& z) noexcept {
    z = (mHigh * r - 1.0) + mLow * r;
}

struct TReduced {
    double Z;         // m*r - 1, exact
    double Exponent;  // E, plus one from kUpperFrom
    const log_table::TEntry* Entry;
};

// x must be a positive normal double.
inline TReduced Reduce(double x) noexcept {
    const TParts parts = Split(BitCast<std::uint64_t>(x));
    const log_table::TEntry& entry = log_table::kEntries[parts.Index];
    double z = 0.0;
    ReducedZ(parts.MHigh, parts.MLow, entry.R, z);
    return {z, parts.Exponent, &entry};
}

// Whether x is a positive normal double, the fast path's domain.
inline bool InFastDomain(std::uint64_t bits) noexcept {
    return bits - 0x0010000000000000ull < 0x7FE0000000000000ull;
}
inline bool InFastDomain(double x) noexcept { return InFastDomain(BitCast<std::uint64_t>(x)); }

// The fast path's log(x) as high + rest, from Reduce's parts of x.
template <typename T>
[[gnu::always_inline]] inline void FastSum(const T& z, const T& exponent, const T& tableHigh,
                                           const T& tableLow, T& high, T& rest) noexcept {
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

// Ziv's test, two-sided, on the fast path's high + rest: both ends of the
// error interval must round to the same double. 2^-65 covers the 2^-66 bound
// with room for the rounding of the margin itself. No branch, so that a loop
// of them vectorises.
inline bool Settled(double high, double rest) noexcept {
    const double margin = (high < 0.0 ? -high : high) * 0x1p-65;
    return (high + (rest + margin) == high) & (high + (rest - margin) == high);
}

// Sets `result` and returns true unless x is not a positive normal double or
// the fast result may round the wrong way.
inline bool TryFast(double x, double& result) noexcept {
    if (!InFastDomain(x)) return false;
    const TReduced reduced = Reduce(x);
    double high = 0.0;
    double rest = 0.0;
    FastSum(reduced.Z, reduced.Exponent, reduced.Entry->L[0], reduced.Entry->L[1], high, rest);
    if (!Settled(high, rest)) return false;
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

// NaturalLog of x[i] into result[i] for i below count: the fast path of
// many arguments at once, vectorised where the processor allows, each lane
// computing exactly what NaturalLog would.
void NaturalLogs(const double* x, double* result, int count) noexcept;

}  // namespace velmora
