#pragma once

#include <cstdint>

#include "model/random.h"

namespace velmora {

// Batched draws from the run's stream, the same bits as the scalar calls and
// leaving the generator in the same state, but without their serial chain:
// one normal call waits on the last one's rejection test, a branch that
// fails about one time in five.

// As `count` times { z[i] = normal(random, 0.0, 1.0); NextUniform(random);
// female[i] = the new state < womenBound }: the draws of that many hires.
void DrawEntrants(TRandom& random, int count, std::uint64_t womenBound, double* z,
                  std::uint8_t* female) noexcept;

// As `count` times z[i] = normal(random, 0.0, 1.0).
void DrawNormals(TRandom& random, int count, double* z) noexcept;

// As `count` times { NextUniform(random); below[i] = the new state < bound }
// for a bound up to 2^32, as UniformBound gives; returns how many are below.
int DrawBelow(TRandom& random, int count, std::uint64_t bound, std::uint8_t* below) noexcept;

}  // namespace velmora
