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

void RunPeriod(TOrganisation& org) {
    ++org.Period;
    Departures(org);
    Promote(org);
    Hire(org);
    Tally(org);
}

bool RunToEnd(TOrganisation& org, std::int32_t maxPeriods,
              const std::function<void(const TOrganisation&)>& afterPeriod) {
    while (!org.Finished && org.Period < maxPeriods) {
        RunPeriod(org);
        if (afterPeriod) afterPeriod(org);
    }
    return org.Finished;
}

}  // namespace velmora
