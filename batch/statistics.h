#pragma once

#include <cstdint>

namespace velmora::batch {

// Mean and spread of a stream of values, updated one value at a time
// (Welford's method). Feeding the same values in the same order always gives
// the same bits, which keeps results independent of the thread count.
class TRunningStats {
  public:
    void Add(double value) noexcept;

    std::int64_t Count() const noexcept { return Count_; }
    double Mean() const noexcept;         // NaN when empty
    double StdDev() const noexcept;       // sample standard deviation; NaN below two values
    double Min() const noexcept;          // NaN when empty
    double Max() const noexcept;          // NaN when empty
    double HalfWidth95() const noexcept;  // of the mean's 95% interval; NaN below two values

  private:
    std::int64_t Count_ = 0;
    double Mean_ = 0.0;
    double M2_ = 0.0;
    double Min_ = 0.0;
    double Max_ = 0.0;
};

// The 0.975 quantile of Student's t distribution with the given degrees of
// freedom (at least 1): the factor of a two-sided 95% confidence interval.
double StudentT975(std::int64_t degreesOfFreedom) noexcept;

}  // namespace velmora::batch
