#pragma once

#include <cstdint>

#include "batch/run_result.h"
#include "batch/statistics.h"

namespace velmora::batch {

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

}  // namespace velmora::batch
