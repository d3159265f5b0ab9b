#pragma once

#include <cstdint>
#include <vector>

#include "research/run_result.h"
#include "research/statistics.h"

namespace velmora::research {

// Results of a batch gathered run by run, in run order.
struct TBatchSummary {
    // After each run's last period, cut-off runs included.
    TPerLevel<TRunningStats> WomenShare;
    TPerLevel<TRunningStats> MeanScore;
    TRunningStats PeriodsToCompletion;  // finished runs only
    std::uint64_t Runs = 0;
    std::uint64_t CutOff = 0;  // runs stopped by the period limit
    int Levels = LevelCount;   // of the runs added

    void Add(const TRunResult& result);
};

// The summaries of every point of an experiment, gathered run by run in run
// order. Held compactly, two numbers per statistic and level, since an
// experiment may have many points; each point's summary is rebuilt on request
// with the very bits a TBatchSummary of its runs would hold (minimum and
// maximum left out but for the periods to completion).
class TPointSummaries {
  public:
    // One entry per point: the levels it has.
    explicit TPointSummaries(const std::vector<int>& levels);

    void Add(const TRunResult& result);         // result.Point is 1-based
    TBatchSummary At(std::size_t point) const;  // 0-based
    TRunningStats WomenShare(std::size_t point, int level) const;
    std::size_t Size() const noexcept { return Points_.size(); }
    // Bytes held for a point of that many levels, for a limit on points.
    static std::size_t BytesPerPoint(int levels) noexcept;

  private:
    struct TPoint {
        TRunningStats Periods;
        std::uint64_t Runs = 0;
        std::uint64_t CutOff = 0;
        std::uint64_t First = 0;  // of its levels' numbers in Moments_
        int Levels = 0;
    };
    std::vector<TPoint> Points_;
    // Per point and level: the women's share's mean and M2, then the mean
    // score's.
    std::vector<double> Moments_;
};

}  // namespace velmora::research
