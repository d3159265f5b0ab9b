#include "research/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velmora::research {
namespace {

struct TStatsCase {
    const char* Name;
    std::vector<double> Values;
    double Mean, Sd, Min, Max, HalfWidth;
};

// Hand-computed: {0.2, 0.4, 0.6} has sd 0.2 and t(0.975, 2) = 4.302652729749464.
const TStatsCase StatsCases[] = {
    {"three", {0.2, 0.4, 0.6}, 0.4, 0.2, 0.2, 0.6, 4.302652729749464 * 0.2 / std::sqrt(3.0)},
    {"two", {1.0, 3.0}, 2.0, std::sqrt(2.0), 1.0, 3.0, 12.706204736174705},
    {"equal", {5.0, 5.0, 5.0, 5.0}, 5.0, 0.0, 5.0, 5.0, 0.0},
    {"one", {7.0}, 7.0, NAN, 7.0, 7.0, NAN},
    {"none", {}, NAN, NAN, NAN, NAN, NAN},
};

void ExpectNear(double expected, double actual, const char* what) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << what << " " << actual;
    } else {
        EXPECT_NEAR(expected, actual, 1e-12) << what;
    }
}

TEST(RunningStats, MatchesHandComputedValues) {
    for (const TStatsCase& c : StatsCases) {
        SCOPED_TRACE(c.Name);
        TRunningStats stats;
        for (double v : c.Values) stats.Add(v);
        EXPECT_EQ(stats.Count(), static_cast<std::int64_t>(c.Values.size()));
        ExpectNear(c.Mean, stats.Mean(), "mean");
        ExpectNear(c.Sd, stats.StdDev(), "sd");
        ExpectNear(c.Min, stats.Min(), "min");
        ExpectNear(c.Max, stats.Max(), "max");
        ExpectNear(c.HalfWidth, stats.HalfWidth95(), "half width");
    }
}

TEST(StudentT975, MatchesReferenceQuantiles) {
    // Reference values computed to 17 digits with arbitrary precision.
    const struct {
        std::int64_t Df;
        double Quantile;
    } cases[] = {{1, 12.706204736174705},   {2, 4.3026527297494639},   {10, 2.2281388519862747},
                 {30, 2.0422724563012383},  {31, 2.0395134463964086},  {40, 2.0210753903062733},
                 {100, 1.9839715185235522}, {1000, 1.9623390808264085}};
    for (const auto& c : cases) EXPECT_NEAR(StudentT975(c.Df), c.Quantile, 3e-8) << c.Df;
    EXPECT_TRUE(std::isnan(StudentT975(0)));
}

}  // namespace
}  // namespace velmora::research
