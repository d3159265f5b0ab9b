#include "batch/trajectory.h"

namespace velmora::batch {

namespace {

void AddShares(TPerLevel<TRunningStats>& stats, const TLevelShares& shares) {
    for (int k = 1; k <= LevelCount; ++k) stats[k].Add(shares[k]);
}

}  // namespace

void TTrajectory::Add(const std::vector<TLevelShares>& shares) {
    AddPeriods(shares);
    EndRun();
}

void TTrajectory::AddPeriods(const std::vector<TLevelShares>& shares) {
    for (const TLevelShares& period : shares) {
        // A period that no earlier run reached: every earlier run had ended
        // and stands at its final state, which Final_ holds in run order.
        if (RunPeriods_ == PerPeriod_.size()) PerPeriod_.push_back(Final_);
        AddShares(PerPeriod_[RunPeriods_++], period);
        Last_ = period;
    }
}

void TTrajectory::EndRun() {
    if (RunPeriods_ == 0) return;
    // Later periods that earlier runs reached see this run at its end.
    for (std::size_t p = RunPeriods_; p < PerPeriod_.size(); ++p) AddShares(PerPeriod_[p], Last_);
    AddShares(Final_, Last_);
    RunPeriods_ = 0;
}

}  // namespace velmora::batch
