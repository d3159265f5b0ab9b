#include "batch/run_result.h"

namespace velmora::batch {

namespace {

TLevelShares SharesOf(const TPerLevel<std::int32_t>& women, const TLevelSizes& sizes) noexcept {
    TLevelShares shares;
    for (int k = 1; k <= LevelCount; ++k) {
        shares[k] = static_cast<double>(women[k]) / sizes[k];
    }
    return shares;
}

}  // namespace

TLevelShares WomenShares(const TOrganisation& org) noexcept {
    return SharesOf(org.FemaleCount, org.LevelSize);
}

TLevelShares WomenShares(const TRunResult& result) noexcept {
    return SharesOf(result.FemaleCount, result.LevelSize);
}

}  // namespace velmora::batch
