#pragma once

#include <cmath>

namespace velmora {

inline constexpr int OrgMapWidth = 250;
inline constexpr int OrgMapHeight = 200;
inline constexpr int MFMapWidth = 250;
inline constexpr int MFMapHeight = 200;
inline constexpr int ScoreMapWidth = 250;
inline constexpr int ScoreMapHeight = 200;

// All three charts stack the levels on the organisation chart's height:
// level n (1 bottom .. 8 top) occupies rows LevelTop(n) to LevelBottom(n) - 1,
// and its score dot is centred on LevelTop(n).
constexpr int LevelTop(int level) noexcept { return OrgMapHeight - 10 - 20 * level; }
constexpr int LevelBottom(int level) noexcept { return OrgMapHeight + 10 - 20 * level; }

// The data span: x from 25 to 225 for a level of 500, a share of 1, a score of 100.
inline constexpr int DataLeft = 25;
inline constexpr int DataRight = 225;

// Nearest integer, halves to even. Values beyond any chart coordinate are
// held at a bound far off the chart (NaN goes to 0) so that the conversion
// to int is always defined.
inline int RoundHalfEven(double value) noexcept {
    constexpr double Bound = 1.0e6;
    if (!(value == value)) {
        return 0;
    }
    if (value > Bound) {
        value = Bound;
    } else if (value < -Bound) {
        value = -Bound;
    }
    const double floor = std::floor(value);
    const double rest = value - floor;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(floor, 2.0) != 0.0)) {
        return static_cast<int>(floor) + 1;
    }
    return static_cast<int>(floor);
}

}  // namespace velmora
