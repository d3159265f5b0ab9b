#include "model/natural_log.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "model/vector_clones.h"

namespace velmora::log_detail {
namespace {

// A sum of doubles kept as three doubles. Every step is an exact TwoSum
// except the last addition, whose error is about 2^-159 of the magnitudes
// involved; the three parts may overlap a little, which the callers allow for.
struct TAccumulator {
    double S1 = 0.0;
    double S2 = 0.0;
    double S3 = 0.0;

    void Add(double t) noexcept {
        double error = 0.0;
        TwoSum(S1, t, S1, error);
        double error2 = 0.0;
        TwoSum(S2, error, S2, error2);
        S3 += error2;
    }

    // Adds z * (p1 + p2 + p3): exact except z * p3.
    void AddProduct(double z, double p1, double p2, double p3) noexcept {
        double product = 0.0;
        double error = 0.0;
        TwoProduct(z, p1, product, error);
        Add(product);
        Add(error);
        TwoProduct(z, p2, product, error);
        Add(product);
        Add(error);
        Add(z * p3);
    }
};

// The double nearest to S1 + S2 + S3, given that this sum is not within its
// own error of a midpoint between two doubles.
double RoundToNearest(const TAccumulator& sum) noexcept {
    double a = 0.0;
    double b = 0.0;
    TwoSum(sum.S2, sum.S3, a, b);
    double high = 0.0;
    double c = 0.0;
    TwoSum(sum.S1, a, high, c);
    double middle = 0.0;
    double low = 0.0;
    TwoSum(c, b, middle, low);
    // Now high + middle + low is the exact sum; make high = RN(high + middle)
    // and |low| <= ulp(middle) / 2, so only an exact tie in high + middle
    // needs low to decide.
    double rest = 0.0;
    FastTwoSum(high, middle, high, rest);
    TwoSum(rest, low, middle, low);
    if (middle != 0.0) {
        const double neighbour = high + 2.0 * middle;
        if (neighbour - high == 2.0 * middle) {  // middle is half the gap: a tie
            return (low > 0.0) == (middle > 0.0) && low != 0.0 ? neighbour : high;
        }
    }
    return high;
}

}  // namespace

// The same reduction as the fast path, then log1p(z) by its series to z^17
// (the first terms in triple double) and a sum kept to about 2^-150 relative.
// Worst-case relative error: below 2^-124 (series truncation 2^-132, the tail
// in double 2^-130, E * log(2) 2^-126 absolute with |log x| >= 0.34 there).
double Accurate(double x) noexcept {
    if (!(x > 0.0)) {
        if (x == 0.0) return -std::numeric_limits<double>::infinity();
        return std::numeric_limits<double>::quiet_NaN();  // negative or NaN
    }
    if (x == std::numeric_limits<double>::infinity()) return x;
    double shift = 0.0;
    if (x < 0x1p-1022) {  // subnormal: scale exactly into the normal range
        x *= 0x1p54;
        shift = -54.0;
    }
    const TReduced reduced = Reduce(x);
    const double z = reduced.Z;
    const double exponent = reduced.Exponent + shift;
    const auto& series = log_table::kSeries;

    // The tail z^10 .. z^16 contributes under 2^-80 of the sum: doubles do.
    double tail = series[16][0];
    for (int k = 15; k >= 10; --k) tail = series[k][0] + z * tail;
    double p1 = tail;
    double p2 = 0.0;
    double p3 = 0.0;
    for (int k = 9; k >= 0; --k) {
        TAccumulator step;
        step.Add(series[k][0]);
        step.Add(series[k][1]);
        step.Add(series[k][2]);
        step.AddProduct(z, p1, p2, p3);
        p1 = step.S1;
        p2 = step.S2;
        p3 = step.S3;
    }

    TAccumulator sum;
    sum.Add(exponent * log_table::kLn2[0]);  // exact: 42-bit parts
    sum.Add(reduced.Entry->L[0]);
    sum.Add(exponent * log_table::kLn2[1]);
    sum.Add(reduced.Entry->L[1]);
    sum.AddProduct(z, p1, p2, p3);
    sum.Add(exponent * log_table::kLn2[2]);
    sum.Add(reduced.Entry->L[2]);
    return RoundToNearest(sum);
}

}  // namespace velmora::log_detail

namespace velmora {

VELMORA_VECTOR_CLONES void NaturalLogs(const double* x, double* result, int count) noexcept {
    using namespace log_detail;
    // Blocks small enough for the working arrays to stay in the first-level cache.
    constexpr int Block = 64;
    for (int from = 0; from < count; from += Block) {
        const int n = std::min(Block, count - from);
        const double* const in = x + from;
        // Reduce's steps split into loops without table reads, which
        // vectorise, and one that only reads the table. Every loop runs to a
        // whole number of the widest vectors, on 1s past the arguments,
        // rather than finish one argument at a time.
        const int padded = (n + 7) / 8 * 8;
        std::uint64_t bits[Block];
        for (int i = 0; i < padded; ++i) {
            bits[i] = std::bit_cast<std::uint64_t>(i < n ? in[i] : 1.0);
        }
        double mHigh[Block], mLow[Block], exponent[Block];
        std::uint32_t index[Block];
        std::uint8_t inDomain[Block];
        for (int i = 0; i < padded; ++i) {
            // Arguments outside the fast path's domain stand in as 1 here and
            // take the accurate path below.
            inDomain[i] = InFastDomain(bits[i]);
            const TParts parts =
                Split((bits[i] & -std::uint64_t{inDomain[i]}) |
                      (std::bit_cast<std::uint64_t>(1.0) & -std::uint64_t{!inDomain[i]}));
            index[i] = parts.Index;
            mHigh[i] = parts.MHigh;
            mLow[i] = parts.MLow;
            exponent[i] = parts.Exponent;
        }
        double r[Block], tableHigh[Block], tableLow[Block];
        for (int i = 0; i < padded; ++i) {
            const log_table::TEntry& entry = log_table::kEntries[index[i]];
            r[i] = entry.R;
            tableHigh[i] = entry.L[0];
            tableLow[i] = entry.L[1];
        }
        double high[Block];
        std::uint8_t settled[Block];
        std::uint8_t allSettled = 1;
        for (int i = 0; i < padded; ++i) {
            double rest = 0.0;
            FastSum(ReducedZ(mHigh[i], mLow[i], r[i]), exponent[i], tableHigh[i], tableLow[i],
                    high[i], rest);
            settled[i] = Settled(high[i], rest) & inDomain[i];
            allSettled &= settled[i];
        }
        std::copy_n(high, n, result + from);
        // Rarely any, about one block in fifty: no branch per argument otherwise.
        if (allSettled == 0) {
            for (int i = 0; i < n; ++i) {
                if (settled[i] == 0) result[from + i] = Accurate(in[i]);
            }
        }
    }
}

}  // namespace velmora
