#pragma once

#include <array>
#include <cstdint>

#include "indexed.h"

namespace velmora {

// The organisation of the desktop program: eight levels, 1424 positions.
inline constexpr int TotalPositions = 1424;
inline constexpr int LevelCount = 8;

// Any organisation the model can run: 2 to 16 levels of at least one
// position each, at most 100,000 positions in all.
inline constexpr int MinLevels = 2;
inline constexpr int MaxLevels = 16;
inline constexpr std::int32_t MaxPositions = 100000;

template <typename T>
using TPerLevel = TIndexed<T, 1, MaxLevels>;
using TLevelSizes = TPerLevel<std::int32_t>;

// Positions per level, levels 1 (bottom) to 8 (top); the row is the item
// index of the organisation-form choice. Each row sums to TotalPositions.
inline constexpr std::array<TLevelSizes, 2> OrgFormSizes = {{
    {{{500, 350, 200, 150, 100, 74, 40, 10}}},     // "Pyramid"
    {{{178, 178, 178, 178, 178, 178, 178, 178}}},  // "Rectangle"
}};
inline constexpr int PyramidForm = 0;
inline constexpr int RectangleForm = 1;

// The number of levels and the size of each, level 1 (bottom) up.
struct TShape {
    int Levels = LevelCount;
    TLevelSizes Sizes{};

    std::int32_t Total() const noexcept {
        std::int32_t total = 0;
        for (int k = 1; k <= Levels; ++k) total += Sizes[k];
        return total;
    }
    friend bool operator==(const TShape&, const TShape&) = default;
};

// The two organisation forms of the desktop program.
inline constexpr TShape PyramidShape{LevelCount, OrgFormSizes[PyramidForm]};
inline constexpr TShape RectangleShape{LevelCount, OrgFormSizes[RectangleForm]};

// Whether a shape is one the model can run.
bool IsValidShape(const TShape& shape) noexcept;

}  // namespace velmora
