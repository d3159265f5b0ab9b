#pragma once

#include <string>
#include <vector>

#include "batch/batch_summary.h"
#include "batch/experiment.h"

namespace velmora::batch {

// An SVG chart of an experiment: the share of women at each level after the
// runs' last period against the first varied factor, with 95% bands; one
// panel per value of a second varied factor, up to six. A hypercube's points
// are shown as points only.
std::string RenderSweepPlot(const TExperimentPlan& plan,
                            const std::vector<TBatchSummary>& summaries);

}  // namespace velmora::batch
