#pragma once

#include <cstdint>
#include <vector>

#include "batch/run_result.h"
#include "batch/statistics.h"

namespace velmora::batch {

// Share of women per level and period across the runs of a batch. Runs end
// at different periods; a run that has ended is held at its final state, so
// every period averages over all runs and the curves show no survivor effect.
class TTrajectory {
  public:
    // One whole run's shares, one entry per period; runs must come in run order.
    void Add(const std::vector<TLevelShares>& shares);

    // The same, a run taken period by period so that it need not be held
    // whole: the next periods of the current run, then EndRun once it is
    // over. The statistics come out exactly as with Add.
    void AddPeriods(const std::vector<TLevelShares>& shares);
    void EndRun();

    std::int32_t Periods() const noexcept { return static_cast<std::int32_t>(PerPeriod_.size()); }
    // Statistics of period p, 1 to Periods().
    const TPerLevel<TRunningStats>& At(std::int32_t period) const {
        return PerPeriod_[static_cast<std::size_t>(period - 1)];
    }

  private:
    std::vector<TPerLevel<TRunningStats>> PerPeriod_;
    TPerLevel<TRunningStats> Final_;  // final states of the runs ended so far
    std::size_t RunPeriods_ = 0;      // periods of the current run so far
    TLevelShares Last_{};             // its latest period
};

}  // namespace velmora::batch
