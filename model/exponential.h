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
// triple doubles, exp(r) is its series to r^13 (the first terms in triple
// double), and every sum is kept to about 2^-140 relative before the one
// rounding, far below the 2^-113 or so that the hardest cases need
// (Lefèvre and Muller's search of all doubles). Slower than the C library's
// (about half a microsecond), so the model calls it only off its hot paths.
double Exponential(double x) noexcept;

}  // namespace velmora
