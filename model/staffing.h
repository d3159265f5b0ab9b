#pragma once

#include "organisation.h"

namespace velmora {

// Places a whole new staff, level by level from the top, and ranks every
// level. The i-th person placed on a level is a woman exactly when
// floor(i * share) > floor((i - 1) * share), share being the level's initial
// share of women: at one half, men and women alternate, a man first.
void StaffInitially(TOrganisation& org);

// Whether the i-th person (from 1) placed on a level with that initial share
// of women is a woman. Uses no random draw.
bool InitiallyFemale(std::int32_t i, double share) noexcept;

// A person's score on entry: the standard normal value z spread by the
// deviation of their sex around the common mean, plus the bias for a man.
inline double EntryScore(const TOrganisation& org, double z, bool female) noexcept {
    // Picked from tables rather than by a branch on the sex, a coin toss for
    // hires. A woman's sum is never -0, so adding +0 to it changes no bit.
    const double spread[2] = {org.Params.ScoreSdMen, org.Params.ScoreSdWomen};
    const double bonus[2] = {org.Bias, 0.0};
    return ScoreMean + spread[female] * z + bonus[female];
}

// A person entering a level, on the initial staff or hired: the next id, and
// the score of the normal value z drawn for them.
inline TMember NewEntrant(TOrganisation& org, int level, double z, bool female) noexcept {
    ++org.NextId;
    return {org.NextId, true, female, static_cast<std::uint8_t>(level), EntryScore(org, z, female)};
}

}  // namespace velmora
