#include "research/summary_fields.h"

#include "research/factors.h"

namespace velmora::research {

void AppendFactorColumns(std::string& out) {
    for (const TFactor& factor : Factors()) {
        out += ',';
        out += factor.Column;
    }
}

void FactorFields(TCsvRow& row, const TRunSettings& settings) {
    for (const TFactor& factor : Factors()) row.Text(factor.Show(settings));
}

void StatsFields(TCsvRow& row, const TRunningStats& stats, bool interval) {
    row.Number(stats.Mean()).Number(stats.StdDev());
    if (interval) {
        const double half = stats.HalfWidth95();
        row.Number(stats.Mean() - half).Number(stats.Mean() + half);
    }
}

}  // namespace velmora::research
