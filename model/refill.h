#pragma once

#include "organisation.h"

namespace velmora {

// Promotion, hiring and ranking of a period in one go, for the usual period:
// no outside hires, and each level's vacancies filled from the level just
// below. Each level's new order is then a merge of two chains already in
// order: those who stayed, and either the best of the level below or the
// sorted hires. The levels are merged into a second roster, which then
// becomes the staff; a level with two equal scores is laid out as promotion
// and hiring would leave it and given to the exchange pass.
//
// Returns false, having changed nothing, when the period is not of that kind;
// Promote and Hire then do the period. Either way the same draws are made in
// the same order and the same roster results.
bool RefillByMerging(TOrganisation& org);

}  // namespace velmora
