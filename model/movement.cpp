#include "model/movement.h"

#include "model/random.h"
#include "model/ranking.h"

namespace velmora {

void Departures(TOrganisation& org) noexcept {
    // One draw per position, occupied or not, keeps the stream's order fixed.
    // No branch: whether someone leaves is a coin toss no processor predicts.
    for (int p = 1; p <= TotalPositions; ++p) {
        const bool leaves = NextUniform(org.Random) < org.Params.DepartureProbability;
        org.Staff[p].Occupied = org.Staff[p].Occupied && !leaves;
    }
}

void ClearPosition(TOrganisation& org, int position) noexcept {
    TMember& member = org.Staff[position];
    member.Id = 0;
    member.Occupied = false;
    member.Score = 0.0;
    member.Level = 0;
}

void Promote(TOrganisation& org) noexcept {
    int first = 1;
    for (int n = LevelCount; n >= 2; --n) {
        const int last = first + org.LevelSize[n] - 1;
        // The cursor only moves forward within a level, so each vacancy takes
        // the next occupied person below, down to the end of the roster.
        int cursor = last;
        for (int i = first; i <= last; ++i) {
            if (org.Staff[i].Occupied) continue;
            do {
                ++cursor;
            } while (cursor <= TotalPositions && !org.Staff[cursor].Occupied);
            if (cursor > TotalPositions) continue;  // left to hiring
            org.Staff[cursor].Level = static_cast<std::uint8_t>(n);
            org.Staff[i] = org.Staff[cursor];
            org.Arrived[i] = TArrival::Promoted;
            ClearPosition(org, cursor);
        }
        first = last + 1;
    }
}

void Hire(TOrganisation& org) {
    int first = 1;
    for (int n = LevelCount; n >= 1; --n) {
        const int last = first + org.LevelSize[n] - 1;
        for (int i = first; i <= last; ++i) {
            TMember& member = org.Staff[i];
            if (member.Occupied) continue;
            ++org.NextId;
            member.Id = org.NextId;
            member.Occupied = true;
            member.Score = normal(org.Random, 50.0, 10.0);
            member.Level = static_cast<std::uint8_t>(n);
            member.Female = NextUniform(org.Random) < org.Params.WomanHireProbability;
            if (!member.Female) member.Score += org.Bias;
            org.Arrived[i] = TArrival::Hired;
        }
        RankLevel(org, n);
        first = last + 1;
    }
}

}  // namespace velmora
