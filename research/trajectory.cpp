#include "research/trajectory.h"

#include <algorithm>

namespace velmora::research {

namespace {

void AddLevels(TRunningStats* stats, int levels, const TLevelShares& shares) {
    for (int k = 1; k <= levels; ++k) stats[k - 1].Add(shares[k]);
}

}  // namespace

void TTrajectory::AddShares(std::size_t period, const TLevelShares& shares) {
    AddLevels(&PerPeriod_[period * Levels()], Levels_, shares);
}

void TTrajectory::Add(const std::vector<TLevelShares>& shares) {
    AddPeriods(shares);
    EndRun();
}

void TTrajectory::AddPeriods(const std::vector<TLevelShares>& shares) {
    for (const TLevelShares& period : shares) {
        // A period that no earlier run reached: every earlier run had ended
        // and stands at its final state, which Final_ holds in run order.
        if (RunPeriods_ == static_cast<std::size_t>(Periods())) {
            PerPeriod_.insert(PerPeriod_.end(), Final_.begin(), Final_.end());
        }
        AddShares(RunPeriods_++, period);
        Last_ = period;
    }
}

void TTrajectory::EndRun() {
    if (RunPeriods_ == 0) return;
    // Later periods that earlier runs reached see this run at its end.
    for (std::size_t p = RunPeriods_; p < static_cast<std::size_t>(Periods()); ++p) {
        AddShares(p, Last_);
    }
    AddLevels(Final_.data(), Levels_, Last_);
    RunPeriods_ = 0;
}

TPointTrajectories::TPointTrajectories(const std::vector<int>& levels) {
    Points_.reserve(levels.size());
    for (const int k : levels) Points_.emplace_back(k);
}

void TPointTrajectories::Add(const TRunResult& result) {
    TTrajectory& point = Points_[result.Point - 1];
    point.AddPeriods(result.Shares);
    if (!result.Partial) point.EndRun();
}

void TPointTrajectories::Add(std::uint64_t point, const std::vector<TLevelShares>& shares) {
    Points_[point - 1].Add(shares);
}

std::int32_t TPointTrajectories::MostPeriods() const noexcept {
    std::int32_t most = 0;
    for (const TTrajectory& point : Points_) most = std::max(most, point.Periods());
    return most;
}

}  // namespace velmora::research
