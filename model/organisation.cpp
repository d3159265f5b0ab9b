#include "model/organisation.h"

#include <algorithm>

namespace velmora {

namespace {

void SizeScratch(TOrganisation& org, std::int32_t largestLevel, std::int32_t total) {
    const auto size = static_cast<std::size_t>(largestLevel);
    const auto positions = static_cast<std::size_t>(total);
    TRankScratch& scratch = org.Scratch;
    for (auto* chain : {&scratch.Stayed, &scratch.Promoted, &scratch.Hired, &scratch.Newcomers,
                        &scratch.Sorted}) {
        chain->resize(size + 2);
    }
    scratch.BucketStarts.resize(2 * size + 1);
    scratch.BucketOf.resize(size + 8);
    scratch.Scores.resize(size);
    scratch.Keys.resize(size);
    scratch.BucketNext.resize(2 * size + 1);
    scratch.Records.resize(size);
    scratch.Vacancies.resize(positions);
    scratch.LeftToHiring.resize(positions);
    scratch.EntrantZ.resize(positions);
    scratch.EntrantFemale.resize(positions);
    scratch.Held.resize(positions + 2 * MaxLevels + 2 + 4);  // 4: KeepOccupied's overrun
}

}  // namespace

// Level sizes stay zero until a form or shape is loaded; the roster and the
// working space are those of the desktop program's organisation.
TOrganisation::TOrganisation()
    : Staff(TotalPositions), Next(TotalPositions), Arrived(TotalPositions) {
    SizeScratch(*this, TotalPositions, TotalPositions);
}

int LevelStart(const TOrganisation& org, int level) noexcept {
    int start = 1;
    for (int m = org.Levels; m > level; --m) start += org.LevelSize[m];
    return start;
}

int LevelLast(const TOrganisation& org, int level) noexcept {
    return LevelStart(org, level) + org.LevelSize[level] - 1;
}

void SetShape(TOrganisation& org, const TShape& shape) {
    org.Levels = shape.Levels;
    org.LevelSize = shape.Sizes;
    org.Total = shape.Total();
    const auto total = static_cast<std::size_t>(org.Total);
    org.Staff.Resize(total);
    org.Next.Resize(total);
    org.Arrived.Resize(total);
    SizeScratch(org, *std::max_element(&shape.Sizes[1], &shape.Sizes[1] + shape.Levels), org.Total);
}

}  // namespace velmora
