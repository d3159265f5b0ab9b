#pragma once

#include <cstdint>
#include <functional>

#include "organisation.h"

namespace velmora {

// The model side of starting a run: seed, level table and bias, a new staff,
// period 0, not finished.
void BeginRun(TOrganisation& org, std::uint32_t seed, int formIndex, int biasIndex);

// The model side of one period: advance the period, departures, promotions,
// hiring, tally.
void RunPeriod(TOrganisation& org);

// Runs periods until the run finishes or maxPeriods have run, calling
// afterPeriod (if given) after each tally. Returns true when it finished.
bool RunToEnd(TOrganisation& org, std::int32_t maxPeriods,
              const std::function<void(const TOrganisation&)>& afterPeriod = {});

}  // namespace velmora
