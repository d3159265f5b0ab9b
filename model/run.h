#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "organisation.h"

namespace velmora {

// The model side of starting a run: seed, level table and bias, a new staff,
// period 0, not finished.
void BeginRun(TOrganisation& org, std::uint32_t seed, int formIndex, int biasIndex);

// The movement of one period and its tally: departures, promotions, hiring,
// tally. The period counter is the caller's, since the window shows it first.
void MoveAndTally(TOrganisation& org);

// The model side of one period: advance the period, then MoveAndTally.
void RunPeriod(TOrganisation& org);

// Runs periods until the run finishes or maxPeriods have run, calling
// afterPeriod (if given) after each tally; a set cancel flag stops it between
// two periods. Returns true when the run finished.
bool RunToEnd(TOrganisation& org, std::int32_t maxPeriods,
              const std::function<void(const TOrganisation&)>& afterPeriod = {},
              const std::atomic<bool>* cancel = nullptr);

}  // namespace velmora
