#include "model/run.h"

#include "model/movement.h"
#include "model/random.h"
#include "model/staffing.h"
#include "model/tally.h"

namespace velmora {

void BeginRun(TOrganisation& org, std::uint32_t seed, int formIndex, int biasIndex) {
    org.Seed = seed;
    SeedWith(org.Random, seed);
    SetupOrganisation(org, formIndex, biasIndex);
    StaffInitially(org);
    org.Period = 0;
    org.Finished = false;
}

void MoveAndTally(TOrganisation& org) {
    Departures(org);
    Promote(org);
    Hire(org);
    Tally(org);
}

void RunPeriod(TOrganisation& org) {
    ++org.Period;
    MoveAndTally(org);
}

bool RunToEnd(TOrganisation& org, std::int32_t maxPeriods,
              const std::function<void(const TOrganisation&)>& afterPeriod,
              const std::atomic<bool>* cancel) {
    while (!org.Finished && org.Period < maxPeriods) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) break;
        RunPeriod(org);
        if (afterPeriod) afterPeriod(org);
    }
    return org.Finished;
}

}  // namespace velmora
