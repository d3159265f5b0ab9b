#include "model/tally.h"

namespace velmora {

namespace {

// Sums to means, and the end of the run once every position is held by a hire.
void FinishTally(TOrganisation& org) noexcept {
    for (int k = 1; k <= org.Levels; ++k) {
        org.MeanScore[k] = org.MeanScore[k] / static_cast<double>(org.LevelSize[k]);
    }
    if (org.ReplacedCount == org.Total && !org.Finished) {
        org.Finished = true;
        org.FinishedPeriod = org.Period;
    }
}

}  // namespace

void Tally(TOrganisation& org) noexcept {
    for (int k = 1; k <= org.Levels; ++k) {
        org.FemaleCount[k] = 0;
        org.MeanScore[k] = 0.0;
    }
    org.ReplacedCount = 0;
    // Keyed by each record's own level; after hiring every position is held.
    // The sum of a level is carried in a local while the level stays the
    // same: the same additions in the same order, without a store and reload
    // for each of them.
    const std::int32_t total = org.Total;
    const TMember* member = org.Staff.begin();
    const TMember* const end = org.Staff.end();
    while (member != end) {
        const int k = member->Level;
        double sum = org.MeanScore[k];
        std::int32_t women = 0;
        std::int32_t replaced = 0;
        for (; member != end && member->Level == k; ++member) {
            women += member->Female;
            sum += member->Score;
            replaced += member->Id > total;
        }
        org.FemaleCount[k] += women;
        org.MeanScore[k] = sum;
        org.ReplacedCount += replaced;
    }
    FinishTally(org);
}

void RecordTally(TOrganisation& org, const TPerLevel<TLevelTally>& levels) noexcept {
    org.ReplacedCount = 0;
    for (int k = 1; k <= org.Levels; ++k) {
        org.FemaleCount[k] = levels[k].Women;
        org.MeanScore[k] = levels[k].Sum;
        org.ReplacedCount += levels[k].Replaced;
    }
    FinishTally(org);
}

}  // namespace velmora
