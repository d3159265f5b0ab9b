#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "batch/experiment.h"
#include "batch/options.h"

namespace velmora::batch {
namespace {

TEST(Experiment, GridRangesAreExactAndTheFirstFactorVariesSlowest) {
    const TVaried bias = ParseVaried("bias-points=0:1:0.1", TDesign::Grid);
    ASSERT_EQ(bias.Values.size(), 11u);  // the stop is reached despite rounding
    EXPECT_EQ(bias.Values[3], "0.3");    // 3 * 0.1 to the decimals typed, not a running sum
    EXPECT_EQ(ParseVaried("turnover=0.05:0.3:0.05", TDesign::Grid).Values[2], "0.15");
    EXPECT_EQ(bias.Values.back(), "1");
    const TVaried levels = ParseVaried("levels=10,10,10;100,50,10", TDesign::Grid);
    const auto points = BuildPoints(
        {}, {levels, ParseVaried("turnover=0.1,0.2,0.3", TDesign::Grid)}, TDesign::Grid, 0, 1);
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[2].Settings.Shape.Total(), 30);
    EXPECT_EQ(points[3].Settings.Shape.Total(), 160);
    EXPECT_EQ(points[3].Settings.Params.TurnoverWomen, 0.1);
}

TEST(Experiment, ALatinHypercubeHasOneSampleInEveryStratumOfEveryFactor) {
    const std::vector<TVaried> varied = {ParseVaried("bias-points=0..5", TDesign::LatinHypercube),
                                         ParseVaried("turnover=0.05..0.3", TDesign::LatinHypercube),
                                         ParseVaried("bias-ends=10..60", TDesign::LatinHypercube)};
    constexpr std::uint64_t Samples = 25;
    const auto points = BuildPoints({}, varied, TDesign::LatinHypercube, Samples, 42);
    ASSERT_EQ(points.size(), Samples);
    for (std::size_t d = 0; d < 2; ++d) {
        const double low = std::stod(varied[d].Values[0]);
        const double high = std::stod(varied[d].Values[1]);
        std::set<std::uint64_t> strata;
        for (const TPoint& point : points) {
            const double at = (std::stod(point.Values[d]) - low) / (high - low) * Samples;
            strata.insert(static_cast<std::uint64_t>(std::floor(at)));
        }
        EXPECT_EQ(strata.size(), Samples) << d;
        EXPECT_LT(*strata.rbegin(), Samples);
    }
    for (const TPoint& point : points) EXPECT_EQ(point.Values[2].find('.'), std::string::npos);
    // The same seed gives the same design; another seed another.
    EXPECT_EQ(BuildPoints({}, varied, TDesign::LatinHypercube, Samples, 42)[7].Values,
              points[7].Values);
    EXPECT_NE(BuildPoints({}, varied, TDesign::LatinHypercube, Samples, 43)[7].Values,
              points[7].Values);
}

TEST(Experiment, ShardsPlayEveryRunOnceWithItsSeed) {
    TExperimentPlan plan;
    plan.Points.resize(3);
    plan.Replications = 4;
    plan.Seed = 4294967295u;
    std::set<std::uint64_t> seen;
    for (std::uint64_t k = 1; k <= 5; ++k) {
        plan.Shard = {k, 5};
        for (std::uint64_t n = 1; n <= plan.ShardRuns(); ++n) {
            const TRunPlace place = plan.Place(n);
            EXPECT_TRUE(seen.insert(place.Global).second);
            EXPECT_EQ(place.Seed, static_cast<std::uint32_t>(plan.Seed + place.Replication - 1));
        }
    }
    EXPECT_EQ(seen.size(), 12u);
    plan.Seeds = TSeedScheme::Independent;
    EXPECT_EQ(plan.PlaceOfGlobal(12).Seed, 10u);
}

}  // namespace
}  // namespace velmora::batch
