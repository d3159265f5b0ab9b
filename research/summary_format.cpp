#include "research/summary_format.h"

namespace velmora::research {

double TBatchReport::RunsPerSecond() const noexcept {
    return WallSeconds > 0.0 ? static_cast<double>(Summary.Runs) / WallSeconds : 0.0;
}

std::string FormatSummary(const TBatchReport& report, TSummaryFormat format) {
    switch (format) {
        case TSummaryFormat::Csv:
            return FormatCsv(report);
        case TSummaryFormat::Json:
            return FormatJson(report);
        case TSummaryFormat::Table:
            break;
    }
    return FormatTable(report);
}

}  // namespace velmora::research
