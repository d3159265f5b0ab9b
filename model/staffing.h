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

// Newcomers, on the initial staff or hired: each takes the next id, and the
// score of the normal value z drawn for them, spread by the deviation of
// their sex around the common mean, plus the bias for a man. Works on copies
// of what it reads, so that a loop of them keeps these in registers rather
// than reloading them after every record it writes; Done hands the last id
// back.
class TNewcomers {
  public:
    explicit TNewcomers(const TOrganisation& org) noexcept
        : Spread{org.Params.ScoreSdMen, org.Params.ScoreSdWomen},
          Bonus{org.Bias, 0.0},
          LastId(org.NextId) {}

    TMember Next(int level, double z, bool female) noexcept {
        // Picked from tables rather than by a branch on the sex, a coin toss
        // for hires. A woman's sum is never -0, so adding +0 to it changes no bit.
        const double score = ScoreMean + Spread[female] * z + Bonus[female];
        return {++LastId, true, female, static_cast<std::uint8_t>(level), score};
    }

    void Done(TOrganisation& org) const noexcept { org.NextId = LastId; }

  private:
    double Spread[2];
    double Bonus[2];
    std::int32_t LastId;
};

}  // namespace velmora
