#include "model/staffing.h"

#include "model/random.h"
#include "model/ranking.h"

namespace velmora {

void SetupOrganisation(TOrganisation& org, int formIndex, int biasIndex) noexcept {
    LoadForm(org, formIndex);
    if (biasIndex == 0 || biasIndex == 1) {
        org.Bias = org.Params.BiasChoices[static_cast<std::size_t>(biasIndex)];
    }
}

void StaffInitially(TOrganisation& org) {
    org.NextId = 0;
    for (int n = LevelCount; n >= 1; --n) {
        for (int i = 1; i <= org.LevelSize[n]; ++i) {
            ++org.NextId;
            TMember& member = org.Staff[org.NextId];
            member.Id = org.NextId;
            member.Occupied = true;
            member.Score = normal(org.Random, 50.0, 10.0);
            member.Level = static_cast<std::uint8_t>(n);
            member.Female = i % 2 == 0;  // the first on every level is a man
            if (!member.Female) member.Score += org.Bias;
        }
    }
    for (int n = LevelCount; n >= 1; --n) RankLevel(org, n);
}

}  // namespace velmora
