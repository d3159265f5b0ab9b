#include "model/tally.h"

namespace velmora {

void Tally(TOrganisation& org) noexcept {
    for (int k = 1; k <= LevelCount; ++k) {
        org.FemaleCount[k] = 0;
        org.MeanScore[k] = 0.0;
    }
    org.ReplacedCount = 0;
    // Keyed by each record's own level; after hiring every position is held.
    for (const TMember& member : org.Staff) {
        const int k = member.Level;
        if (member.Female) ++org.FemaleCount[k];
        org.MeanScore[k] += member.Score;
        if (member.Id > TotalPositions) ++org.ReplacedCount;
    }
    for (int k = 1; k <= LevelCount; ++k) {
        org.MeanScore[k] = org.MeanScore[k] / static_cast<double>(org.LevelSize[k]);
    }
    if (org.ReplacedCount == TotalPositions) org.Finished = true;
}

}  // namespace velmora
