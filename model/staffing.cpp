#include "model/staffing.h"

#include <cmath>

#include "model/draws.h"
#include "model/random.h"
#include "model/ranking.h"

namespace velmora {

bool InitiallyFemale(std::int32_t i, double share) noexcept {
    if (share >= 0.0 && share <= 1.0) {
        // Products in [0, 100000]: truncation is their floor, without a call.
        return static_cast<std::int64_t>(i * share) > static_cast<std::int64_t>((i - 1) * share);
    }
    return std::floor(i * share) > std::floor((i - 1) * share);
}

void StaffInitially(TOrganisation& org) {
    double* const z = org.Scratch.EntrantZ.data();
    if (org.Implementation == TImplementation::Reference) {
        for (int i = 0; i < LevelLast(org, 1); ++i) z[i] = normal(org.Random, 0.0, 1.0);
    } else {
        DrawNormals(org.Random, LevelLast(org, 1), z);
    }
    org.NextId = 0;
    TNewcomers newcomers(org);
    for (int n = org.Levels, id = 0; n >= 1; --n) {
        const double share = org.Params.WomenInitial[n];
        for (std::int32_t i = 1; i <= org.LevelSize[n]; ++i, ++id) {
            org.Staff[id + 1] = newcomers.Next(n, z[id], InitiallyFemale(i, share));
        }
    }
    newcomers.Done(org);
    for (int n = org.Levels; n >= 1; --n) RankLevel(org, n);
}

}  // namespace velmora
