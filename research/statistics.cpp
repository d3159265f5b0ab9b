#include "research/statistics.h"

#include <array>
#include <cmath>
#include <limits>

namespace velmora::research {

namespace {

constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();

// Exact to the last digit shown for 1 to 30 degrees of freedom.
constexpr std::array<double, 30> SmallDfQuantiles = {
    12.706204736174705, 4.3026527297494639, 3.1824463052837096, 2.7764451051977944,
    2.5705818356363155, 2.44691185114497,   2.3646242515927853, 2.3060041352041667,
    2.2621571627982055, 2.2281388519862747, 2.2009851600916399, 2.1788128296672289,
    2.1603686564627925, 2.1447866879178038, 2.1314495455597757, 2.1199052992212547,
    2.1098155778333171, 2.1009220402410385, 2.0930240544083098, 2.0859634472658648,
    2.0796138447276804, 2.0738730679040262, 2.0686576104190487, 2.0638985616280258,
    2.0595385527532977, 2.0555294386428732, 2.0518305164802856, 2.0484071417952452,
    2.0452296421327043, 2.0422724563012383,
};

}  // namespace

void TRunningStats::Add(double value) noexcept {
    ++Count_;
    if (Count_ == 1) {
        Min_ = Max_ = value;
    } else {
        Min_ = std::fmin(Min_, value);
        Max_ = std::fmax(Max_, value);
    }
    Step(Count_, value, Mean_, M2_);
}

double TRunningStats::Mean() const noexcept { return Count_ > 0 ? Mean_ : NotANumber; }

double TRunningStats::StdDev() const noexcept {
    if (Count_ < 2) return NotANumber;
    return std::sqrt(M2_ / static_cast<double>(Count_ - 1));
}

double TRunningStats::Min() const noexcept { return Count_ > 0 ? Min_ : NotANumber; }

double TRunningStats::Max() const noexcept { return Count_ > 0 ? Max_ : NotANumber; }

double TRunningStats::HalfWidth95() const noexcept {
    if (Count_ < 2) return NotANumber;
    return StudentT975(Count_ - 1) * StdDev() / std::sqrt(static_cast<double>(Count_));
}

double StudentT975(std::int64_t degreesOfFreedom) noexcept {
    if (degreesOfFreedom < 1) return NotANumber;
    if (degreesOfFreedom <= 30) {
        return SmallDfQuantiles[static_cast<std::size_t>(degreesOfFreedom - 1)];
    }
    // Cornish-Fisher expansion around the normal quantile; above 30 degrees
    // of freedom its error is below 3e-8.
    const double z = 1.959963984540054;
    const double n = static_cast<double>(degreesOfFreedom);
    const double z2 = z * z;
    const double z3 = z2 * z;
    const double z5 = z3 * z2;
    const double z7 = z5 * z2;
    const double z9 = z7 * z2;
    return z + (z3 + z) / (4.0 * n) + (5.0 * z5 + 16.0 * z3 + 3.0 * z) / (96.0 * n * n) +
           (3.0 * z7 + 19.0 * z5 + 17.0 * z3 - 15.0 * z) / (384.0 * n * n * n) +
           (79.0 * z9 + 776.0 * z7 + 1482.0 * z5 - 1920.0 * z3 - 945.0 * z) /
               (92160.0 * n * n * n * n);
}

}  // namespace velmora::research
