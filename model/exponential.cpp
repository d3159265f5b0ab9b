#include "model/exponential.h"

#include <cstdint>
#include <limits>

#include "model/bit_cast.h"
#include "model/exact_sum.h"
#include "model/exponential_table.h"

namespace velmora {

namespace {

using exact::TAccumulator;

// 2^n for a normal power, -1022 <= n <= 1023.
double PowerOfTwo(int n) noexcept {
    return BitCast<double>(static_cast<std::uint64_t>(n + 1023) << 52);
}

// The nearest integer to t1 + t2 + t3 (ties to even), t1 in [0, 2^53) and
// the parts ordered as the accumulator leaves them.
double NearestInteger(double t1, double t2, double t3) noexcept {
    // Below 2^52, adding 2^52 rounds to an integer; from there on t1 is one.
    const double a = t1 < 0x1p52 ? (t1 + 0x1p52) - 0x1p52 : t1;
    double fraction = 0.0;
    double error = 0.0;
    exact::TwoSum(t1 - a, t2 + t3, fraction, error);  // t1 - a is exact
    if (fraction > 0.5 || (fraction == 0.5 && error > 0.0)) return a + 1.0;
    if (fraction < -0.5 || (fraction == -0.5 && error < 0.0)) return a - 1.0;
    if ((fraction == 0.5 || fraction == -0.5) && error == 0.0) {  // a tie: the even one
        const double other = a + fraction * 2.0;
        return static_cast<std::int64_t>(a) % 2 == 0 ? a : other;
    }
    return a;
}

// k = 128 m + j nearest x * 128 / log(2); |k| < 2^18 for the arguments
// that reach it, so k times each of the first three parts of log(2)/128 is
// exact, and x - k * part[0] too (the two lie within a factor 2 of each
// other, or k is 0).
double ReductionStep(double x) noexcept {
    constexpr double Round = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to an integer
    return (x * exp_table::kInvLn2By128 + Round) - Round;
}

// The fast path: exp(x) / 2^m as high + rest, within 2^-66.9 of it (the
// roundings of the series and the sums; the series' truncation, the third
// parts of log(2)/128 and of the table add under 2^-82). Ziv's test with a
// margin of 2^-63, eight times that, then tells whether high is the
// correctly rounded result, for all but about one argument in 500.
bool FastSum(double x, double kd, double& high) noexcept {
    const auto& c = exp_table::kLn2By128;
    double r = 0.0;
    double rLow = 0.0;
    exact::TwoSum(x - kd * c[0], -(kd * c[1]), r, rLow);
    rLow -= kd * c[2];
    // exp(r + rLow) - 1 - r = rLow (1 + r) + r^2/2 + ... to r^7: |r| < 2^-8.5.
    const double series =
        r * r *
        (1.0 / 2 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 + r * (1.0 / 720 + r / 5040)))));
    const double q = (rLow + rLow * r) + series;
    const auto& power = exp_table::kPowers[static_cast<std::int32_t>(kd) & 127];
    // 2^(j/128) (1 + r + q), its largest product exact.
    double product = 0.0;
    double productError = 0.0;
    exact::TwoProduct(power[0], r, product, productError);
    const double low = ((productError + power[0] * q) + power[1]) + power[1] * r;
    double sum = 0.0;
    double sumError = 0.0;
    exact::FastTwoSum(power[0], product, sum, sumError);
    double rest = 0.0;
    exact::FastTwoSum(sum, sumError + low, high, rest);
    const double margin = high * 0x1p-63;
    return (high + (rest + margin) == high) & (high + (rest - margin) == high);
}

// The exponent m of k = 128 m + j.
int PowerOf(double kd) noexcept { return static_cast<std::int32_t>(kd) >> 7; }  // floor(k / 128)

// A result rounded as 2^-m exp(x), times 2^m for a normal result or an
// overflow: exact, in two powers of two.
double Scaled(double rounded, int m) noexcept {
    return rounded * PowerOfTwo(m / 2) * PowerOfTwo(m - m / 2);
}

// exp(710) overflows; exp(-746) lies below half the least subnormal.
bool InRange(double x) noexcept { return x >= -746.0 && x <= 710.0; }

}  // namespace

namespace exp_detail {

bool TryFast(double x, double& result) noexcept {
    if (!InRange(x)) return false;
    const double kd = ReductionStep(x);
    const int m = PowerOf(kd);
    double high = 0.0;
    if (m < -1021 || !FastSum(x, kd, high)) return false;  // subnormal results: Accurate
    result = Scaled(high, m);
    return true;
}

double Accurate(double x) noexcept {
    if (x != x) return x;  // NaN
    if (!InRange(x)) return x > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
    const double kd = ReductionStep(x);
    const auto k = static_cast<std::int32_t>(kd);
    const int m = PowerOf(kd);

    // r = x - k log(2)/128 in triple double.
    const auto& c = exp_table::kLn2By128;
    TAccumulator r;
    r.Add(x - kd * c[0]);
    r.Add(-(kd * c[1]));
    r.Add(-(kd * c[2]));
    r.Add(-(kd * c[3]));  // the one rounding: under 2^-146

    // exp(r1) for the leading part r1 of r: the tail r1^8 .. r1^13 in
    // doubles (under 2^-83 of the sum, so their roundings stay under
    // 2^-136), the rest in triple double.
    const TAccumulator p = exact::Horner(exp_table::kSeries, 13, 8, r.S1);
    const double p1 = p.S1;
    const double p2 = p.S2;
    const double p3 = p.S3;
    // exp(r) = exp(r1) * exp(d), d = r2 + r3 under 2^-60: 1 + d + d^2/2 is
    // exact to 2^-180.
    TAccumulator e;
    e.Add(p1);
    e.Add(p2);
    e.Add(p3);
    e.AddProduct(r.S2, p1, p2, p3);
    e.Add((r.S3 + 0.5 * r.S2 * r.S2) * p1);

    // Times 2^(j/128): every product exact but those under 2^-100.
    const auto& power = exp_table::kPowers[k & 127];
    TAccumulator v;
    v.AddProduct(power[0], e.S1, e.S2, e.S3);
    double product = 0.0;
    double error = 0.0;
    exact::TwoProduct(power[1], e.S1, product, error);
    v.Add(product);
    v.Add(error);
    v.Add(power[1] * e.S2 + power[2] * e.S1);

    if (m >= -1021) return Scaled(exact::RoundToNearest(v), m);
    // Subnormal, or 2^-1022 at most: rounded once on the grid of 2^-1074,
    // as the nearest integer to v * 2^(m + 1074) (every part scales exactly).
    const double scale = PowerOfTwo(m + 1074);
    return NearestInteger(v.S1 * scale, v.S2 * scale, v.S3 * scale) * 0x1p-1074;
}

}  // namespace exp_detail

double Exponential(double x) noexcept {
    double result = 0.0;
    if (exp_detail::TryFast(x, result)) return result;
    return exp_detail::Accurate(x);
}

}  // namespace velmora
