#include "model/shape.h"

namespace velmora {

bool IsValidShape(const TShape& shape) noexcept {
    if (shape.Levels < MinLevels || shape.Levels > MaxLevels) return false;
    std::int64_t total = 0;
    for (int k = 1; k <= shape.Levels; ++k) {
        if (shape.Sizes[k] < 1) return false;
        total += shape.Sizes[k];
    }
    for (int k = shape.Levels + 1; k <= MaxLevels; ++k) {
        if (shape.Sizes[k] != 0) return false;
    }
    return total <= MaxPositions;
}

}  // namespace velmora
