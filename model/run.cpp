#include "model/run.h"

#include "model/movement.h"
#include "model/random.h"
#include "model/refill.h"
#include "model/staffing.h"
#include "model/tally.h"

namespace velmora {

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

}  // namespace

TRules RulesFor(const TParameters& params) noexcept {
    const bool oneRate = params.TurnoverMen == params.TurnoverWomen && params.TurnoverSlope == 0.0;
    return oneRate && params.ExternalHires == 0.0 ? TRules::OneRate : TRules::General;
}

void BeginRun(TOrganisation& org, std::uint32_t seed, const TShape& shape,
              const TParameters& params) {
    org.Seed = seed;
    SeedWith(org.Random, seed);
    SetShape(org, shape);
    org.Params = params;
    org.Rules = RulesFor(params);
    org.Bias = params.Bias;
    StaffInitially(org);
    org.Period = 0;
    org.Finished = false;
    org.FinishedPeriod = 0;
}

void MoveAndTally(TOrganisation& org) {
    if (org.Period == org.Params.BiasEnds) RemoveBias(org);
    Departures(org);
    if (!RefillByMerging(org)) {
        Promote(org);
        Hire(org);
        Tally(org);
    }
}

void RunPeriod(TOrganisation& org) {
    ++org.Period;
    MoveAndTally(org);
}

bool RunToEnd(TOrganisation& org, std::int32_t maxPeriods,
              const std::function<void(const TOrganisation&)>& afterPeriod,
              const std::atomic<bool>* cancel) {
    while (!org.Finished && org.Period < maxPeriods) {
        if (Cancelled(cancel)) break;
        RunPeriod(org);
        if (afterPeriod) afterPeriod(org);
    }
    return org.Finished;
}

bool RunPeriods(TOrganisation& org, std::int32_t periods,
                const std::function<void(const TOrganisation&)>& afterPeriod,
                const std::atomic<bool>* cancel) {
    while (org.Period < periods) {
        if (Cancelled(cancel)) return false;
        RunPeriod(org);
        if (afterPeriod) afterPeriod(org);
    }
    return true;
}

}  // namespace velmora
