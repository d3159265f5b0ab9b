#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "organisation.h"

namespace velmora {

// The rules a run with these parameters needs: the baseline ones whenever
// the general rules would do exactly the same.
TRules RulesFor(const TParameters& params) noexcept;

// The model side of starting a run: seed, shape, parameters and bias, a new
// staff, period 0, not finished. The shape must be valid (IsValidShape).
void BeginRun(TOrganisation& org, std::uint32_t seed, const TShape& shape,
              const TParameters& params);

// The movement of one period and its tally: the end of the bias when its
// period has come, departures, promotions, hiring, tally. The period counter
// is the caller's, since the window shows it first.
void MoveAndTally(TOrganisation& org);

// The model side of one period: advance the period, then MoveAndTally.
void RunPeriod(TOrganisation& org);

// Runs periods until the run finishes or maxPeriods have run, calling
// afterPeriod (if given) after each tally; a set cancel flag stops it between
// two periods. Returns true when the run finished.
bool RunToEnd(TOrganisation& org, std::int32_t maxPeriods,
              const std::function<void(const TOrganisation&)>& afterPeriod = {},
              const std::atomic<bool>* cancel = nullptr);

// Runs exactly the given number of periods, whether or not the run reaches
// its end meanwhile; otherwise as RunToEnd. Returns false when cancelled.
bool RunPeriods(TOrganisation& org, std::int32_t periods,
                const std::function<void(const TOrganisation&)>& afterPeriod = {},
                const std::atomic<bool>* cancel = nullptr);

}  // namespace velmora
