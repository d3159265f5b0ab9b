#pragma once

#include <string>

#include "research/batch_request.h"
#include "research/batch_summary.h"

namespace velmora::research {

// Everything a summary reports: the request, its results and its cost.
enum class TSummaryFormat { Table, Csv, Json };

struct TBatchReport {
    const TBatchRequest& Request;
    const TBatchSummary& Summary;
    double WallSeconds = 0.0;
    unsigned Threads = 1;  // threads actually used

    double RunsPerSecond() const noexcept;
};

std::string FormatTable(const TBatchReport& report);
std::string FormatCsv(const TBatchReport& report);
std::string FormatJson(const TBatchReport& report);

std::string FormatSummary(const TBatchReport& report, TSummaryFormat format);

}  // namespace velmora::research
