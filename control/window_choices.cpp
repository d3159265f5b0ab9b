#include "control/window_choices.h"

#include <cstddef>

namespace velmora {

const TShape* FormShape(int formIndex) noexcept {
    if (formIndex == PyramidForm) return &PyramidShape;
    if (formIndex == RectangleForm) return &RectangleShape;
    return nullptr;
}

double ChoiceBias(int biasIndex, double current) noexcept {
    if (biasIndex != 0 && biasIndex != 1) return current;
    return BiasChoices[static_cast<std::size_t>(biasIndex)];
}

}  // namespace velmora
