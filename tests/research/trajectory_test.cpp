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

// Runs of an experiment come replication-major, points interleaved, and a
// long one in parts that name its point: each point's trajectory must be
// the one of its own runs, however they were cut.
TEST(PointTrajectories, KeepEachPointsRunsApartWholeOrInParts) {
    const std::vector<std::vector<TLevelShares>> runs = {
        SharesOf({0.5, 0.4}), SharesOf({0.2, 0.3, 0.1}),  // replication 1, points 1 and 2
        SharesOf({0.1, 0.6, 0.3}), SharesOf({0.7})};      // replication 2
    for (const std::size_t part : {std::size_t{0}, std::size_t{1}, std::size_t{2}}) {
        SCOPED_TRACE(part);  // 0: whole runs; n: parts of n periods
        TPointTrajectories points({LevelCount, LevelCount});
        TTrajectory expected[2];
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const std::uint64_t point = r % 2 + 1;
            expected[point - 1].Add(runs[r]);
            TRunResult result;
            result.Point = point;
            std::size_t at = 0;
            for (; part > 0 && runs[r].size() - at > part; at += part) {
                result.Partial = true;
                result.Shares.assign(runs[r].begin() + at, runs[r].begin() + at + part);
                points.Add(result);
            }
            result.Partial = false;
            result.Shares.assign(runs[r].begin() + at, runs[r].end());
            points.Add(result);
        }
        EXPECT_EQ(points.MostPeriods(), 3);
        for (std::size_t p = 0; p < 2; ++p) {
            ASSERT_EQ(points.At(p).Periods(), expected[p].Periods());
            for (std::int32_t t = 1; t <= expected[p].Periods(); ++t) {
                EXPECT_EQ(points.At(p).At(t)[1].Count(), 2);
                EXPECT_EQ(points.At(p).At(t)[1].Mean(), expected[p].At(t)[1].Mean());
                EXPECT_EQ(points.At(p).At(t)[3].StdDev(), expected[p].At(t)[3].StdDev());
            }
        }
    }
}

}  // namespace
}  // namespace velmora::research
