#pragma once

#include "organisation.h"

namespace velmora {

// Women and mean score per recorded level, the count of positions held by
// people hired during the run, and the end of the run once that is all of them.
void Tally(TOrganisation& org) noexcept;

}  // namespace velmora
