#pragma once

#include <string>

#include "research/batch_request.h"
#include "research/trajectory.h"

namespace velmora::research {

// An SVG chart of the mean share of women per level over the periods, one
// line per level with its 95% confidence band, axes and a legend.
std::string RenderSvgPlot(const TTrajectory& trajectory, const TBatchRequest& options);

}  // namespace velmora::research
