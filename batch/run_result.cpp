#include "batch/run_result.h"

namespace velmora::batch {

TLevelShares WomenShares(const TOrganisation& org) noexcept {
    TLevelShares shares;
    for (int k = 1; k <= LevelCount; ++k) {
        shares[k] = static_cast<double>(org.FemaleCount[k]) / org.LevelSize[k];
    }
    return shares;
}

TLevelShares WomenShares(const TRunResult& result) noexcept {
    TLevelShares shares;
    for (int k = 1; k <= LevelCount; ++k) {
        shares[k] = static_cast<double>(result.FemaleCount[k]) / result.LevelSize[k];
    }
    return shares;
}

}  // namespace velmora::batch
