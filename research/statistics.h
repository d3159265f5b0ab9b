#pragma once

#include <cstdint>

namespace velmora::research {

// Mean and spread of a stream of values, updated one value at a time
// (Welford's method). Feeding the same values in the same order always gives
// the same bits, which keeps results independent of the thread count.
class TRunningStats {
  public:
    void Add(double value) noexcept;
    // One step of the mean and the sum of squared deviations, as Add takes
    // it, the count already raised: lets a caller keep many statistics in
    // two numbers each and still get the bits Add gives.
    static void Step(std::int64_t count, double value, double& mean, double& m2) noexcept {
        const double delta = value - mean;
        mean += delta / static_cast<double>(count);
        m2 += delta * (value - mean);
    }
    // The statistic that Step gave; no minimum or maximum.
    static TRunningStats Of(std::int64_t count, double mean, double m2) noexcept {
        TRunningStats stats;
        stats.Count_ = count;
        stats.Mean_ = mean;
        stats.M2_ = m2;
        return stats;
    }

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

}  // namespace velmora::research
