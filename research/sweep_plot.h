#pragma once

#include <string>
#include <vector>

#include "research/batch_summary.h"
#include "research/experiment.h"
#include "research/experiment_files.h"

namespace velmora::research {

// An SVG chart of an experiment: the share of women at each level after the
// runs' last period. A grid's points lie on lines against the first varied
// factor, with 95% bands, in a panel for each value of the second (across,
// up to six) and of the third (down, up to six); what is left out is said
// in the picture. The points of a hypercube or of a Sobol design are drawn
// per varied factor as a scatter with the mean of each tenth of the range
// and its 95% interval. An experiment of one point without a varied factor
// shows the share at each level with its 95% interval. The text goes to
// sink in parts.
void RenderSweepPlot(const TExperimentPlan& plan, const TPointSummaries& summaries,
                     const TTextSink& sink);

// What the pictures of an experiment say of a factor: its caption with the
// unit.
std::string FactorCaption(const TFactor& factor);

// The notes under the title of an experiment's picture: its points, runs and
// seed, then the factors given once.
std::vector<std::string> PlanNotes(const TExperimentPlan& plan);

}  // namespace velmora::research
