#pragma once

#include "organisation.h"

namespace velmora {

// The reference tally: women and mean score per recorded level, the count
// of positions held by people hired during the run, and the end of the run
// once that is all of them.
void Tally(TOrganisation& org) noexcept;

// One level's share of the tally: its records' scores summed in roster
// order, its women and those hired during the run.
struct TLevelTally {
    double Sum = 0.0;
    std::int32_t Women = 0;
    std::int32_t Replaced = 0;

    void Add(const TMember& member, std::int32_t total) noexcept {
        Sum += member.Score;
        Women += member.Female;
        Replaced += member.Id > total;
    }
};

// Puts the levels' shares in force as Tally would leave them, means and the
// end of the run included.
void RecordTally(TOrganisation& org, const TPerLevel<TLevelTally>& levels) noexcept;

}  // namespace velmora
