#include <gtest/gtest.h>

#include "batch/vary_syntax.h"
#include "research/number_format.h"

namespace velmora::batch {
namespace {

using namespace velmora::research;

TEST(VarySyntax, GridRangesAreExactAndTheFirstFactorVariesSlowest) {
    const TVaried bias = ParseVaried("bias-points=0:1:0.1", TDesign::Grid);
    ASSERT_EQ(bias.Labels.size(), 11u);  // the stop is reached despite rounding
    EXPECT_EQ(bias.Labels[3], "0.3");    // 3 * 0.1 to the decimals typed, not a running sum
    EXPECT_EQ(std::get<double>(bias.Values[3]), 0.3);
    EXPECT_EQ(ParseVaried("turnover=0.05:0.3:0.05", TDesign::Grid).Labels[2], "0.15");
    EXPECT_EQ(bias.Labels.back(), "1");
    const TVaried levels = ParseVaried("levels=10,10,10;100,50,10", TDesign::Grid);
    TExperimentPlan plan;
    plan.Varied = {levels, ParseVaried("turnover=0.1,0.2,0.3", TDesign::Grid)};
    CompletePlan(plan);
    const auto& points = plan.Points;
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[2].Settings.Shape.Total(), 30);
    EXPECT_EQ(points[3].Settings.Shape.Total(), 160);
    EXPECT_EQ(points[3].Settings.Params.TurnoverWomen, 0.1);
}

TEST(VarySyntax, RangesOfManyTypedDecimalsKeepTheirValues) {
    const std::string zeros(400, '0');
    const TVaried bias = ParseVaried("bias-points=1:2:0.5" + zeros, TDesign::Grid);
    EXPECT_EQ(bias.Labels, (std::vector<std::string>{"1", "1.5", "2"}));
    EXPECT_EQ(Fixed(0.25, 2000).substr(0, 6), "0.2500");
    EXPECT_EQ(Fixed(-1.5e300, 1).size(), 304u);
}

}  // namespace
}  // namespace velmora::batch
