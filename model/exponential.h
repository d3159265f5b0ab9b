#pragma once

namespace velmora {

// The exponential, correctly rounded to nearest (ties to even) for every
// double, subnormal results included: +0 below about -745.13, +infinity
// above about 709.78, exp(+-0) = 1, and NaN for NaN.
//
// As NaturalLog, and for the same reason: the C library's exp gives other
// bits on other processors and libraries, and a seeded run must not depend
// on that. Only IEEE-754 addition, subtraction and multiplication on doubles.
//
// Method: x = (128 m + j) log(2)/128 + r with |r| <= log(2)/256 (plus a
// hair), so exp(x) = 2^m * 2^(j/128) * exp(r); the table holds 2^(j/128) as
// triple doubles. A fast path sums 2^(j/128) exp(r) as a double double
// within 2^-66, and Ziv's rounding test accepts it unless it lies near a
// rounding boundary, about once in 500 calls; then, and for subnormal
// results, the accurate path takes exp(r) by its series to r^13 (the first
// terms in triple double) and keeps every sum to about 2^-140 relative
// before the one rounding, far below the 2^-113 or so that the hardest cases
// need (Lefèvre and Muller's search of all doubles).
double Exponential(double x) noexcept;

namespace exp_detail {

// Sets `result` and returns true unless the fast path's result may round
// the wrong way, or x lies outside its domain (NaN, an overflow, an
// underflow, a subnormal result).
bool TryFast(double x, double& result) noexcept;

// The accurate path alone (also used for every argument the fast path leaves).
double Accurate(double x) noexcept;

}  // namespace exp_detail

}  // namespace velmora
