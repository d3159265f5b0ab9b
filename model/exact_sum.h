#pragma once

namespace velmora::exact {

// Sums and products of doubles carried exactly, or nearly so, in several
// doubles: the steps of the correctly rounded logarithm and exponential. Only
// IEEE-754 addition, subtraction and multiplication, no fused multiply-add.
//
// The steps used by vector code are templates: a double, or a vector of
// doubles whose every lane takes exactly the same operations. Always
// inlined, so that a vector's steps are compiled for the vector unit of the
// function that uses them, even without optimisation; and they take and give
// their values by reference, since a call that passed a 512-bit vector by
// value from a function not built for that unit would change the ABI (clang
// refuses it, GCC warns).

// Exact a + b as (sum, error); any order of magnitudes. The outputs may be
// the inputs.
template <typename T>
[[gnu::always_inline]] inline void TwoSum(const T& x, const T& y, T& sum, T& error) noexcept {
    const T a = x;
    const T b = y;
    sum = a + b;
    const T bVirtual = sum - a;
    error = (a - (sum - bVirtual)) + (b - bVirtual);
}

// Exact a + b when |a| >= |b| or a == 0. The outputs may be the inputs.
template <typename T>
[[gnu::always_inline]] inline void FastTwoSum(const T& x, const T& y, T& sum, T& error) noexcept {
    const T a = x;
    const T b = y;
    sum = a + b;
    error = b - (sum - a);
}

// Dekker's exact product.
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

// The polynomial with coefficients series[0 .. last] (triple doubles) at z,
// by Horner's rule: the terms from series[inDoubles] on in doubles, where
// their roundings are negligible, the rest in triple double.
inline TAccumulator Horner(const double (*series)[3], int last, int inDoubles, double z) noexcept {
    double tail = series[last][0];
    for (int k = last - 1; k >= inDoubles; --k) tail = series[k][0] + z * tail;
    TAccumulator sum{tail, 0.0, 0.0};
    for (int k = inDoubles - 1; k >= 0; --k) {
        TAccumulator step;
        step.Add(series[k][0]);
        step.Add(series[k][1]);
        step.Add(series[k][2]);
        step.AddProduct(z, sum.S1, sum.S2, sum.S3);
        sum = step;
    }
    return sum;
}

// The double nearest to S1 + S2 + S3 (ties to even), given that this sum is
// not within its own error of a midpoint between two doubles.
inline double RoundToNearest(const TAccumulator& sum) noexcept {
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

}  // namespace velmora::exact
