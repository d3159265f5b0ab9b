#include "model/draws.h"

#include <algorithm>
#include <cmath>

#include "model/bit_cast.h"
#include "model/natural_log.h"
#include "model/vector_clones.h"

namespace velmora {

namespace {

// The stream is stepped in 32 lanes: four vectors of eight, so four
// independent chains of multiplications rather than one. The first 32
// positions come from the first eight, eight at a time.
constexpr int Lanes = 32;
constexpr std::uint32_t Multiplier8 = JumpMultiplier(8);
constexpr std::uint32_t Increment8 = JumpIncrement(8);
constexpr std::uint32_t MultiplierLanes = JumpMultiplier(Lanes);
constexpr std::uint32_t IncrementLanes = JumpIncrement(Lanes);

// Draws generated at once: enough for about 280 hires, a whole period's, and
// small enough for the working arrays to stay in the first-level cache.
constexpr int Chunk = 1024;

// A stretch of the stream and, for every position p, what PolarNormal would
// make of the pair of draws p and p + 1.
struct TStretch {
    std::uint32_t State[Chunk];     // after draw p
    double X[Chunk];                // 2u - 1 of draw p
    double S[Chunk];                // x1^2 + x2^2 of the pair from p
    std::uint64_t Accepted[Chunk];  // 0 or 1, as wide as S: no packing
};

// `size` draws following state `from`; size is a multiple of Lanes. Each step
// is a loop of independent iterations that the compiler vectorises.
VELMORA_VECTOR_CLONES void Fill(TStretch& stretch, std::uint32_t from, int size) noexcept {
    std::uint32_t state = from;
    for (int p = 0; p < 8; ++p) stretch.State[p] = state = state * GeneratorMultiplier + 1u;
    for (int p = 8; p < Lanes; ++p) {
        stretch.State[p] = stretch.State[p - 8] * Multiplier8 + Increment8;
    }
    for (int p = Lanes; p < size; ++p) {
        stretch.State[p] = stretch.State[p - Lanes] * MultiplierLanes + IncrementLanes;
    }
    for (int p = 0; p < size; ++p) {
        // 2u - 1 = (state - 2^31) 2^-31, both exact: a signed conversion
        // vectorises where an unsigned one does not.
        const auto centred = static_cast<std::int32_t>(stretch.State[p] ^ 0x80000000u);
        stretch.X[p] = static_cast<double>(centred) * 0x1p-31;
    }
    const double* const x = stretch.X;
    for (int p = 0; p + 1 < size; ++p) {
        // PolarNormal's own expression, in the same order.
        const double s = x[p] * x[p] + x[p + 1] * x[p + 1];
        stretch.S[p] = s;
        // Its test !(s > 1 || s == 0) on the bits: s is never negative, and
        // the bits of a non-negative double order as its value. Unlike the
        // comparisons of doubles, this vectorises.
        const auto bits = BitCast<std::int64_t>(s);
        const std::int64_t outside = (bits - 1) | (BitCast<std::int64_t>(1.0) - bits);
        stretch.Accepted[p] = static_cast<std::uint64_t>(~outside) >> 63;
    }
}

// The normal values from the pairs' first coordinates x, their logarithms
// and s, in place of x.
VELMORA_VECTOR_CLONES void Scale(double* x, const double* logs, const double* s,
                                 int count) noexcept {
    for (int i = 0; i < count; ++i) {
        const double f = std::sqrt(-2.0 * logs[i] / s[i]);
        x[i] = 0.0 + 1.0 * (x[i] * f);  // as PolarNormal(..., 0.0, 1.0), -0 included
    }
}

// The draws of `count` normals, each followed by a sex draw when WithSex.
template <bool WithSex>
void Draw(TRandom& random, int count, std::uint64_t womenBound, double* z,
          std::uint8_t* female) noexcept {
    // Positions one step may look at: a pair, then the sex draw if accepted.
    constexpr int Reach = WithSex ? 3 : 2;
    TStretch stretch;
    double s[Chunk / 2];
    double logs[Chunk / 2];
    std::uint32_t state = random.GeneratorState;
    int n = 0;
    while (n < count) {
        // A little more than the remaining draws are expected to take, so
        // that a period's hires mostly need one stretch.
        const int wanted = (Reach + 1) * (count - n) + Lanes;
        const int size = std::min(Chunk, (wanted + Lanes - 1) / Lanes * Lanes);
        Fill(stretch, state, size);
        // Follow the stream from pair to pair without a branch on the
        // rejection: every step writes, only an accepted pair moves n on.
        const int start = n;
        int p = 0;
        while (n < count && p + Reach <= size) {
            const int accepted = stretch.Accepted[p];
            z[n] = stretch.X[p];
            s[n - start] = stretch.S[p];
            if constexpr (WithSex) female[n] = stretch.State[p + 2] < womenBound;
            n += accepted;
            p += 2 + (WithSex ? accepted : 0);
        }
        // A pair or sex draw cut off by the end of the stretch starts the next.
        state = stretch.State[p - 1];
        // The costly part, now in independent iterations that overlap: the
        // logarithms in one batch, then the rest in a loop the compiler
        // vectorises.
        const int accepted = n - start;
        NaturalLogs(s, logs, accepted);
        Scale(z + start, logs, s, accepted);
    }
    random.GeneratorState = state;
}

// Draws at once in DrawBelow: more than a level's vacancies mostly are.
constexpr int BelowChunk = 256;

// The states of `size` draws following `from`, in lanes as Fill steps
// them, in loops that vectorise; then which lie at or under `last`.
VELMORA_VECTOR_CLONES int MarkBelow(std::uint32_t from, int size, bool any, std::uint32_t last,
                                    std::uint32_t* states, std::uint8_t* below) noexcept {
    std::uint32_t state = from;
    for (int p = 0; p < std::min(8, size); ++p) {
        states[p] = state = state * GeneratorMultiplier + 1u;
    }
    for (int p = 8; p < std::min(Lanes, size); ++p) {
        states[p] = states[p - 8] * Multiplier8 + Increment8;
    }
    for (int p = Lanes; p < size; ++p) {
        states[p] = states[p - Lanes] * MultiplierLanes + IncrementLanes;
    }
    int marked = 0;
    for (int p = 0; p < size; ++p) {
        const bool b = any & (states[p] <= last);
        below[p] = b;
        marked += b;
    }
    return marked;
}

}  // namespace

int DrawBelow(TRandom& random, int count, std::uint64_t bound, std::uint8_t* below) noexcept {
    // state < bound as state <= bound - 1, in 32 bits: every state is below 2^32.
    const bool any = bound > 0;
    const auto last = static_cast<std::uint32_t>(bound - 1);
    alignas(64) std::uint32_t states[BelowChunk];
    int marked = 0;
    for (int from = 0; from < count; from += BelowChunk) {
        const int size = std::min(BelowChunk, count - from);
        marked += MarkBelow(random.GeneratorState, size, any, last, states, below + from);
        random.GeneratorState = states[size - 1];
    }
    return marked;
}

void DrawEntrants(TRandom& random, int count, std::uint64_t womenBound, double* z,
                  std::uint8_t* female) noexcept {
    Draw<true>(random, count, womenBound, z, female);
}

void DrawNormals(TRandom& random, int count, double* z) noexcept {
    Draw<false>(random, count, 0, z, nullptr);
}

}  // namespace velmora
