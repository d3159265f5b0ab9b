#pragma once

#include <string>

#include "batch/batch_summary.h"
#include "batch/options.h"

namespace velmora::batch {

// Everything a summary reports: the request, its results and its cost.
struct TBatchReport {
    const TBatchOptions& Options;
    const TBatchSummary& Summary;
    double WallSeconds = 0.0;
    unsigned Threads = 1;  // threads actually used

    double RunsPerSecond() const noexcept;
};

std::string FormatTable(const TBatchReport& report);
std::string FormatCsv(const TBatchReport& report);
std::string FormatJson(const TBatchReport& report);

// In the format the options ask for.
std::string FormatSummary(const TBatchReport& report);

}  // namespace velmora::batch
