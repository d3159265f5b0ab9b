#pragma once

#include <cstdint>

#include "organisation.h"

namespace velmora {

// Puts a level's occupied positions in non-increasing score order, leaving
// vacant positions where they are, with the method org.Ranking selects.
void RankLevel(TOrganisation& org, int level);

// The exchange pass: at each occupied position, swap with every later occupied
// record whose score is strictly higher than the best seen so far. Its order
// among equal scores is what every other ranking must reproduce.
void reordering(TOrganisation& org, std::uint8_t level) noexcept;

}  // namespace velmora
