#pragma once

#include "model/parameters.h"
#include "model/shape.h"

namespace velmora {

// The shape of an item of the window's organisation-form choice: "Pyramid"
// or "Rectangle"; null for an index that names no item.
const TShape* FormShape(int formIndex) noexcept;

// The bias of an item of the window's bias choice: "1%" or "5%"; an index
// that names no item keeps the current bias.
double ChoiceBias(int biasIndex, double current) noexcept;

}  // namespace velmora
