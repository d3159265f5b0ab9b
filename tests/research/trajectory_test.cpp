#include "research/trajectory.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora::research {
namespace {

std::vector<TLevelShares> SharesOf(std::initializer_list<double> level1Shares) {
    std::vector<TLevelShares> shares;
    for (double s : level1Shares) {
        TLevelShares period;
        for (int k = 1; k <= LevelCount; ++k) period[k] = s / k;
        shares.push_back(period);
    }
    return shares;
}

TEST(Trajectory, HoldsAnEndedRunAtItsFinalState) {
    // A short run between two longer ones: each period averages all three.
    TTrajectory trajectory;
    trajectory.Add(SharesOf({0.5, 0.4}));
    trajectory.Add(SharesOf({0.3, 0.2, 0.1, 0.6}));
    trajectory.Add(SharesOf({0.1}));
    ASSERT_EQ(trajectory.Periods(), 4);
    const double expected[] = {(0.5 + 0.3 + 0.1) / 3, (0.4 + 0.2 + 0.1) / 3, (0.4 + 0.1 + 0.1) / 3,
                               (0.4 + 0.6 + 0.1) / 3};
    for (std::int32_t p = 1; p <= 4; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(trajectory.At(p)[1].Count(), 3);
        EXPECT_NEAR(trajectory.At(p)[1].Mean(), expected[p - 1], 1e-15);
        EXPECT_NEAR(trajectory.At(p)[4].Mean(), expected[p - 1] / 4, 1e-15);
    }
    // Period 4 of the first run is its final value 0.4: sd of {0.4, 0.6, 0.1}.
    EXPECT_NEAR(trajectory.At(4)[1].StdDev(), 0.2516611478423583, 1e-12);
}

}  // namespace
}  // namespace velmora::research
