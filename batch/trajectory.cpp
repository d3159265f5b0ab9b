#include "batch/trajectory.h"

#include <algorithm>

namespace velmora::batch {

namespace {

void AddShares(TPerLevel<TRunningStats>& stats, const TLevelShares& shares) {
    // Levels beyond the organisation's hold zeros that nothing reads.
    for (int k = 1; k <= MaxLevels; ++k) stats[k].Add(shares[k]);
}

}  // namespace

void TTrajectory::Add(const std::vector<TLevelShares>& shares) {
    if (shares.empty()) return;
    const std::size_t known = PerPeriod_.size();
    const std::size_t own = shares.size();
    for (std::size_t p = 0; p < known; ++p) {
        AddShares(PerPeriod_[p], shares[std::min(p, own - 1)]);
    }
    // Periods that no earlier run reached: every earlier run had ended and
    // stands at its final state, which Final_ holds in run order.
    for (std::size_t p = known; p < own; ++p) {
        PerPeriod_.push_back(Final_);
        AddShares(PerPeriod_.back(), shares[p]);
    }
    AddShares(Final_, shares.back());
}

}  // namespace velmora::batch
