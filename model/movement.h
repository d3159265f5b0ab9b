#pragma once

#include "organisation.h"

namespace velmora {

// Each position is vacated with the departure probability; one draw per position.
void Departures(TOrganisation& org) noexcept;

// Empties a position whose holder has been promoted; Female keeps its value.
void ClearPosition(TOrganisation& org, int position) noexcept;

// Fills vacancies from the top level down with the next occupied people
// further down the roster.
void Promote(TOrganisation& org) noexcept;

// Fills every remaining vacancy with a new person and ranks every level.
void Hire(TOrganisation& org);

}  // namespace velmora
