#pragma once

#include <cstdint>

#include "organisation.h"

namespace velmora {

// The integer bound equivalent to a probability: NextUniform(random) < p
// exactly when the generator's new state is below UniformBound(p).
std::uint64_t UniformBound(double p) noexcept;

// Each position is vacated with its holder's departure probability; one draw
// per position, occupied or not. The fast code (bounds on the generator's
// state, the logistic grid, eight positions at a time), or with the
// reference implementation DeparturesReference.
void Departures(TOrganisation& org) noexcept;

// The reference departure rule: every position in roster order takes one
// draw, and its holder leaves when the draw is below their
// DepartureProbability.
void DeparturesReference(TOrganisation& org) noexcept;

// The reference departure probability of a person in a period: the
// turnover of their sex, moved by the turnover slope on the logit scale by
// how far their recorded score lies from the mean.
double DepartureProbability(const TParameters& params, const TMember& member) noexcept;

// Empties a position whose holder has been promoted; Female keeps its value.
void ClearPosition(TOrganisation& org, int position) noexcept;

// The reference promotion rule: fills vacancies from the top level down with
// the next occupied people further down the roster; with outside hiring,
// each vacancy above level 1 may first be left to hiring.
void Promote(TOrganisation& org) noexcept;

// The reference hiring rule: fills every remaining vacancy with a new person
// and ranks every level.
void Hire(TOrganisation& org);

// Takes the bonus off every man's recorded score, so that no later hire gets
// it either, and ranks every level again.
void RemoveBias(TOrganisation& org);

}  // namespace velmora
