#include "model/random.h"

#include <chrono>

namespace velmora {

void SeedWith(TRandom& random, std::uint32_t seed) noexcept { random.GeneratorState = seed; }

std::uint32_t ClockSeed() noexcept {
    // The steady clock is the high-resolution counter here and never fails,
    // so no millisecond fallback is needed.
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint32_t>(ticks);
}

std::uint32_t SeedFromClock(TRandom& random) noexcept {
    const std::uint32_t seed = ClockSeed();
    SeedWith(random, seed);
    return seed;
}

double normal(TRandom& random, double mean, double sd) noexcept {
    return PolarNormal([&random] { return NextUniform(random); }, mean, sd);
}

}  // namespace velmora
