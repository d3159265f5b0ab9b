#include "research/run_result.h"

namespace velmora::research {

namespace {

TLevelShares SharesOf(const TPerLevel<std::int32_t>& women, const TLevelSizes& sizes,
                      int levels) noexcept {
    TLevelShares shares{};
    for (int k = 1; k <= levels; ++k) {
        shares[k] = static_cast<double>(women[k]) / sizes[k];
    }
    return shares;
}

}  // namespace

TLevelShares WomenShares(const TOrganisation& org) noexcept {
    return SharesOf(org.FemaleCount, org.LevelSize, org.Levels);
}

TLevelShares WomenShares(const TRunResult& result) noexcept {
    return SharesOf(result.FemaleCount, result.LevelSize, result.Levels);
}

}  // namespace velmora::research
