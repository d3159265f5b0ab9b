#pragma once

#include <vector>

#include "research/batch_summary.h"
#include "research/experiment.h"
#include "research/experiment_files.h"
#include "research/sensitivity.h"

namespace velmora::research {

// Bootstrap resamples behind every interval of a sensitivity analysis.
inline constexpr std::uint32_t SensitivityResamples = 1000;

// The Sobol indices of a Sobol design's experiment for the share of women
// at the end of the runs at each level: [level - 1][factor], from the mean
// of each point's runs. Empty for another design.
std::vector<std::vector<TSobolIndices>> LevelSensitivity(const TExperimentPlan& plan,
                                                         const TPointSummaries& summaries);

// sensitivity.csv: per level and varied factor its first-order index
// (Saltelli et al. 2010) and total-order index (Jansen 1999), each with a
// bootstrap 95% interval.
void SensitivityCsv(const TExperimentPlan& plan,
                    const std::vector<std::vector<TSobolIndices>>& indices, const TTextSink& sink);

// sensitivity.svg: the top level's indices as bars with their intervals.
void RenderSensitivityPlot(const TExperimentPlan& plan,
                           const std::vector<std::vector<TSobolIndices>>& indices,
                           const TTextSink& sink);

}  // namespace velmora::research
