#pragma once

#include <cmath>
#include <cstdint>

#include "model/natural_log.h"

namespace velmora {

// The one pseudo-random stream of a run: a 32-bit linear congruential
// generator. Kept in a value so that runs in parallel never share it.
struct TRandom {
    std::uint32_t GeneratorState = 0;
};

inline constexpr std::uint32_t GeneratorMultiplier = 134775813u;

// A generator state as the fraction in [0, 1) that NextUniform returns.
inline double UniformOf(std::uint32_t state) noexcept {
    return static_cast<double>(state) * (1.0 / 4294967296.0);
}

// Advances the state and returns it as a fraction in [0, 1). Inline: it is
// the innermost step of every period.
inline double NextUniform(TRandom& random) noexcept {
    random.GeneratorState = random.GeneratorState * GeneratorMultiplier + 1u;  // wraps modulo 2^32
    return UniformOf(random.GeneratorState);
}

// The generator stepped `draws` at a time: the state `draws` later is
// JumpMultiplier * state + JumpIncrement modulo 2^32, so that several lanes
// of the stream run side by side instead of one chain of dependent
// multiplications, and draw k still falls to position k.
constexpr std::uint32_t JumpMultiplier(int draws) noexcept {
    std::uint32_t result = 1;
    for (int i = 0; i < draws; ++i) result *= GeneratorMultiplier;
    return result;
}
constexpr std::uint32_t JumpIncrement(int draws) noexcept {
    std::uint32_t sum = 0;
    for (int i = 0; i < draws; ++i) sum += JumpMultiplier(i);
    return sum;
}

// Hands f each of the next `count` draws as (k, the generator's state after
// draw k), in order, and leaves the stream as after as many NextUniform
// calls. The stream runs in eight lanes stepped eight draws at once, so that
// a loop of decisions on the states need not wait on one chain of
// multiplications.
template <typename F>
void ForEachState(TRandom& random, int count, F f) noexcept {
    constexpr int Lanes = 8;
    constexpr std::uint32_t Multiplier8 = JumpMultiplier(Lanes);
    constexpr std::uint32_t Increment8 = JumpIncrement(Lanes);
    std::uint32_t state = random.GeneratorState;
    int i = 0;
    if (count >= Lanes) {
        std::uint32_t lane[Lanes];
        for (std::uint32_t& draw : lane) draw = state = state * GeneratorMultiplier + 1u;
        for (;;) {
            for (int j = 0; j < Lanes; ++j) f(i + j, lane[j]);
            i += Lanes;
            state = lane[Lanes - 1];
            if (i + Lanes > count) break;
            for (std::uint32_t& draw : lane) draw = draw * Multiplier8 + Increment8;
        }
    }
    for (; i < count; ++i) {
        state = state * GeneratorMultiplier + 1u;
        f(i, state);
    }
    random.GeneratorState = state;
}

// Sets the state to a given seed, so that a run can be repeated.
void SeedWith(TRandom& random, std::uint32_t seed) noexcept;

// The low 32 bits of the steady high-resolution clock: differs from run to run.
std::uint32_t ClockSeed() noexcept;

// Seeds from the clock and returns the seed it used.
std::uint32_t SeedFromClock(TRandom& random) noexcept;

// Marsaglia's polar method over any source of uniform draws in [0, 1).
// NaturalLog rather than std::log: the C library's differs by CPU.
// Consumes whole pairs of draws and returns one deviate; the order of draws
// is part of a run's identity.
template <typename UniformSource>
double PolarNormal(UniformSource&& nextUniform, double mean, double sd) {
    double x1 = 0.0;
    double s = 0.0;
    do {
        const double u1 = nextUniform();
        const double u2 = nextUniform();
        x1 = 2.0 * u1 - 1.0;
        const double x2 = 2.0 * u2 - 1.0;
        s = x1 * x1 + x2 * x2;
        // s == 0 cannot come from our generator (no two successive 0.5s);
        // rejecting it keeps log(0) out for any other source.
    } while (s > 1.0 || s == 0.0);
    const double f = std::sqrt(-2.0 * NaturalLog(s) / s);
    const double z1 = x1 * f;
    return mean + sd * z1;
}

// A normal deviate from the run's own stream.
double normal(TRandom& random, double mean, double sd) noexcept;

}  // namespace velmora
