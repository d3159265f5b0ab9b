#pragma once

#include "research/experiment.h"
#include "research/experiment_files.h"
#include "research/trajectory.h"

namespace velmora::research {

// An SVG chart of an experiment's trajectories: the share of women over the
// periods with 95% bands, one panel per level, the top level first, and one
// line per value of the first varied factor (the other varied factors at
// their first value, as the picture says). Points of a hypercube or a Sobol
// design are too many for lines: the first few are drawn, and the picture
// says so. The text goes to sink in parts.
void RenderTrajectoryPlot(const TExperimentPlan& plan, const TPointTrajectories& trajectories,
                          const TTextSink& sink);

}  // namespace velmora::research
