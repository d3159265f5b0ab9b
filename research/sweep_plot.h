#pragma once

#include <string>
#include <vector>

#include "research/batch_summary.h"
#include "research/experiment.h"
#include "research/experiment_files.h"

namespace velmora::research {

// An SVG chart of an experiment: the share of women at each level after the
// runs' last period against the first varied factor, with 95% bands; one
// panel per value of a second varied factor, up to six. A hypercube's points
// are shown as points only. An experiment of one point without a varied
// factor shows the share at each level with its 95% interval. The text goes
// to sink in parts.
void RenderSweepPlot(const TExperimentPlan& plan, const TPointSummaries& summaries,
                     const TTextSink& sink);

}  // namespace velmora::research
