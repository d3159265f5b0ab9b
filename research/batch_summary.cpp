#include "research/batch_summary.h"

namespace velmora::research {

void TBatchSummary::Add(const TRunResult& result) {
    ++Runs;
    Levels = result.Levels;
    const TLevelShares shares = WomenShares(result);
    for (int k = 1; k <= Levels; ++k) {
        WomenShare[k].Add(shares[k]);
        MeanScore[k].Add(result.MeanScore[k]);
    }
    if (result.Finished) {
        PeriodsToCompletion.Add(result.FinishedPeriod);
    } else {
        ++CutOff;
    }
}

TPointSummaries::TPointSummaries(const std::vector<int>& levels) : Points_(levels.size()) {
    std::uint64_t first = 0;
    for (std::size_t p = 0; p < levels.size(); ++p) {
        Points_[p].First = first;
        Points_[p].Levels = levels[p];
        first += 4 * static_cast<std::uint64_t>(levels[p]);
    }
    Moments_.assign(first, 0.0);
}

std::size_t TPointSummaries::BytesPerPoint(int levels) noexcept {
    return sizeof(TPoint) + 4 * sizeof(double) * static_cast<std::size_t>(levels);
}

void TPointSummaries::Add(const TRunResult& result) {
    TPoint& point = Points_[result.Point - 1];
    const auto count = static_cast<std::int64_t>(++point.Runs);
    const TLevelShares shares = WomenShares(result);
    double* m = Moments_.data() + point.First;
    for (int k = 1; k <= point.Levels; ++k, m += 4) {
        TRunningStats::Step(count, shares[k], m[0], m[1]);
        TRunningStats::Step(count, result.MeanScore[k], m[2], m[3]);
    }
    if (result.Finished) {
        point.Periods.Add(result.FinishedPeriod);
    } else {
        ++point.CutOff;
    }
}

TBatchSummary TPointSummaries::At(std::size_t p) const {
    const TPoint& point = Points_[p];
    TBatchSummary summary;
    summary.Runs = point.Runs;
    summary.CutOff = point.CutOff;
    summary.Levels = point.Levels;
    summary.PeriodsToCompletion = point.Periods;
    const auto count = static_cast<std::int64_t>(point.Runs);
    const double* m = Moments_.data() + point.First;
    for (int k = 1; k <= point.Levels; ++k, m += 4) {
        summary.WomenShare[k] = TRunningStats::Of(count, m[0], m[1]);
        summary.MeanScore[k] = TRunningStats::Of(count, m[2], m[3]);
    }
    return summary;
}

TRunningStats TPointSummaries::WomenShare(std::size_t p, int level) const {
    const TPoint& point = Points_[p];
    const double* m = Moments_.data() + point.First + 4 * static_cast<std::size_t>(level - 1);
    return TRunningStats::Of(static_cast<std::int64_t>(point.Runs), m[0], m[1]);
}

}  // namespace velmora::research
