#include "batch/experiment_arguments.h"

#include "research/factors.h"

namespace velmora::batch {

using namespace velmora::research;

void AppendPlanArguments(std::vector<std::string>& arguments, const TExperimentPlan& plan,
                         bool tracePeriods) {
    if (Sampled(plan.Design)) {
        arguments.push_back("--design=" + std::string(DesignName(plan.Design)));
        arguments.push_back("--samples=" + std::to_string(plan.Samples));
    }
    if (plan.Seeds == TSeedScheme::Independent) arguments.push_back("--seeds=independent");
    arguments.push_back("--runs=" + std::to_string(plan.Replications));
    arguments.push_back("--seed=" + std::to_string(plan.Seed));
    if (tracePeriods) arguments.push_back("--trace-periods");
}

std::vector<std::string> PlanArguments(const TExperimentPlan& plan, bool tracePeriods) {
    std::vector<std::string> arguments;
    for (const TFactor& factor : Factors()) {
        if (const auto given = plan.Fixed.find(factor.Name); given != plan.Fixed.end()) {
            arguments.push_back("--" + std::string(factor.Name) + "=" + ValueText(given->second));
        }
    }
    for (const TVaried& varied : plan.Varied) {
        std::string vary = "--vary=" + std::string(varied.Factor->Name) + "=";
        if (Sampled(plan.Design) && varied.Values.size() == 2) {
            vary += ValueText(varied.Values[0]) + ".." + ValueText(varied.Values[1]);
        }
        for (std::size_t i = 0; !Sampled(plan.Design) && i < varied.Values.size(); ++i) {
            if (i > 0) vary += varied.Factor->Kind == TValueKind::List ? ';' : ',';
            vary += varied.Label(i);
        }
        arguments.push_back(vary);
    }
    AppendPlanArguments(arguments, plan, tracePeriods);
    return arguments;
}

}  // namespace velmora::batch
