#pragma once

#include <cstdint>

namespace velmora {

// The pause after each period: a counted busy wait on the user-interface
// thread, so its length follows the machine's speed, as it always has.
inline constexpr int SpeedMaximum = 100;        // scroll bar at its right end: no pause
inline constexpr int RoundsPerUnit = 1000;      // countdowns per unit of pause
inline constexpr int StepsPerCountdown = 5000;  // steps of one countdown

// Units of pause for a speed position: 100 - position, none at 100 or above.
constexpr int PauseUnits(int speedPosition) noexcept {
    return speedPosition >= SpeedMaximum ? 0 : SpeedMaximum - speedPosition;
}

// Counts units x 1,000 x 5,000 steps down, every one carried out. Loops are
// nested rather than multiplied out so no count can overflow an int.
void BusyWait(int units) noexcept;

// Steps BusyWait(units) carries out, in 64 bits.
constexpr std::int64_t BusyWaitSteps(int units) noexcept {
    return units <= 0 ? 0 : std::int64_t{units} * RoundsPerUnit * StepsPerCountdown;
}

}  // namespace velmora
