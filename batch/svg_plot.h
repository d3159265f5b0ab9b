#pragma once

#include <string>

#include "batch/options.h"
#include "batch/trajectory.h"

namespace velmora::batch {

// An SVG chart of the mean share of women per level over the periods, one
// line per level with its 95% confidence band, axes and a legend.
std::string RenderSvgPlot(const TTrajectory& trajectory, const TBatchOptions& options);

}  // namespace velmora::batch
