#pragma once

#include "organisation.h"

namespace velmora {

// Loads the level table of the chosen form and the bias of the chosen item;
// a bias index other than 0 or 1 leaves Bias as it was.
void SetupOrganisation(TOrganisation& org, int formIndex, int biasIndex) noexcept;

// Places a whole new staff, men and women alternating on every level, and
// ranks every level.
void StaffInitially(TOrganisation& org);

}  // namespace velmora
