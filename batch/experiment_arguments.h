#pragma once

#include <string>
#include <vector>

#include "research/experiment.h"

namespace velmora::batch {

// The options after an experiment's factors that say how its points are
// made and seeded and how many runs each gets, as experiment.json records
// them.
void AppendPlanArguments(std::vector<std::string>& arguments, const research::TExperimentPlan& plan,
                         bool tracePeriods);

// The command line that makes a plan built from values, as experiment.json
// records it: each value as ValueText writes it. Made before CompletePlan,
// which rounds a sampled design's ends. A front end other than the command
// line writes this, so that a folder it starts can be resumed from the
// command line and the other way round.
std::vector<std::string> PlanArguments(const research::TExperimentPlan& plan, bool tracePeriods);

}  // namespace velmora::batch
