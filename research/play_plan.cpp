#include "research/play_plan.h"

#include <algorithm>

namespace velmora::research {

bool PlayPlan(const TExperimentPlan& plan, const TPlayOptions& options, const TRunConsumer& consume,
              const std::atomic<bool>& cancel, const TProgressHook& progress) {
    const std::uint64_t runs =
        options.LastRun == 0 ? plan.ShardRuns() : std::min(options.LastRun, plan.ShardRuns());
    if (options.FirstRun > runs) return true;
    TBatchJob job;
    job.Plan = &plan;
    job.FirstRun = options.FirstRun;
    job.Runs = runs - (options.FirstRun - 1);
    job.Threads = options.Threads;
    job.Wants.LongTrace = options.LongTrace;
    job.Wants.Shares = options.Shares;
    return RunBatch(job, consume, cancel, progress);
}

TRunRecord::TRunRecord(const TRunResult& result) noexcept
    : Run(result.Run),
      Point(result.Point),
      Replication(result.Replication),
      Seed(result.Seed),
      Periods(result.Finished ? result.FinishedPeriod : result.Periods),
      Finished(result.Finished),
      Count_(result.Levels) {
    const TLevelShares shares = WomenShares(result);
    for (int k = 1; k <= result.Levels; ++k) {
        Levels_[static_cast<std::size_t>(k - 1)] = {k, result.LevelSize[k], result.FemaleCount[k],
                                                    shares[k], result.MeanScore[k]};
    }
}

}  // namespace velmora::research
