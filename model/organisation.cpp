#include "model/organisation.h"

namespace velmora {

int LevelStart(const TOrganisation& org, int level) noexcept {
    int start = 1;
    for (int m = LevelCount; m > level; --m) start += org.LevelSize[m];
    return start;
}

int LevelLast(const TOrganisation& org, int level) noexcept {
    return LevelStart(org, level) + org.LevelSize[level] - 1;
}

void LoadForm(TOrganisation& org, int formIndex) noexcept {
    // Like the bias choice, an index that names no form changes nothing.
    if (formIndex != PyramidForm && formIndex != RectangleForm) return;
    org.LevelSize = OrgFormSizes[static_cast<std::size_t>(formIndex)];
}

}  // namespace velmora
