#include "batch/batch_summary.h"

namespace velmora::batch {

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

}  // namespace velmora::batch
