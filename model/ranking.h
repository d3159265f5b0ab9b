#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "organisation.h"

namespace velmora {

// Puts a level's occupied positions in non-increasing score order, leaving
// vacant positions where they are, with the method org.Ranking selects.
void RankLevel(TOrganisation& org, int level);

// The exchange pass: at each occupied position, swap with every later occupied
// record whose score is strictly higher than the best seen so far. Its order
// among equal scores is what every other ranking must reproduce.
void reordering(TOrganisation& org, std::uint8_t level) noexcept;

// Puts entries in non-increasing order, with working space; returns false
// when two scores are equal, the order then being unspecified.
bool SortDistinct(TRankEntry* entries, std::size_t count, TRankScratch& scratch);

// Whether a score is finite, without the branches of std::isfinite.
inline bool IsFiniteScore(double score) noexcept {
    constexpr std::uint64_t ExponentBits = 0x7FF0000000000000ull;  // all set: infinite or NaN
    return (std::bit_cast<std::uint64_t>(score) & ExponentBits) != ExponentBits;
}

// Merges two chains of entries in non-increasing order, handing each
// entry's position with its place in the result to emit, from both ends at
// once and without a branch: which chain the next entry comes from is a coin
// toss, and two independent chains of compares run side by side. Each chain
// needs a sentinel on either side, above every score before it and below
// every score after it. With distinct scores in order this is the merge;
// otherwise its result must not be trusted (strictly falling scores in the
// result prove it right), but with
// finite scores no read goes beyond the sentinels.
template <typename Emit>
void MergeInOrder(const TRankEntry* a, std::size_t aCount, const TRankEntry* b, std::size_t bCount,
                  Emit emit) {
    // The compiler turns a conditional choice into a branch; a mask does not.
    const auto pick = [](bool first, int x, int y) { return y ^ ((x ^ y) & -int{first}); };
    const TRankEntry* c = a + aCount - 1;
    const TRankEntry* d = b + bCount - 1;
    const std::size_t size = aCount + bCount;
    const std::size_t half = size / 2;
    for (std::size_t k = 0; k < half; ++k) {
        const bool front = a->Score > b->Score;
        emit(k, pick(front, a->Position, b->Position));
        a += front;
        b += !front;
        const bool back = c->Score < d->Score;
        emit(size - 1 - k, pick(back, c->Position, d->Position));
        c -= back;
        d -= !back;
    }
    if (size % 2 != 0) emit(half, pick(a->Score > b->Score, a->Position, b->Position));
}

}  // namespace velmora
