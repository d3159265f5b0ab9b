#pragma once

#include "organisation.h"

namespace velmora {

// Promotion, hiring, ranking and tally of a period in one go. Promotion
// takes a level's best in roster order, so the people who fill a level's
// vacancies are the best remaining of the levels below, taken in order, and
// its hires; each level's new order is a merge of those who stayed with the
// newcomers, each chain put in order first. The levels are merged into a
// second roster, which then becomes the staff; a level with two equal
// scores is laid out as promotion and hiring would leave it and given to
// the exchange pass. The same draws are made in the same order as by
// Promote and Hire, and the same roster and tally result.
//
// Returns false, having changed nothing, with the exchange ranking or with
// spreads or a bias so large that a score might not be finite; Promote, Hire
// and Tally then do the period.
bool RefillByMerging(TOrganisation& org);

}  // namespace velmora
