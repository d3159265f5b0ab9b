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

// Merges two chains of entries in non-increasing order into the positions
// of the result, from both ends at once without a branch: which chain the
// next entry comes from is a coin toss, and two independent chains of
// compares run side by side. Each chain must have a sentinel on either side,
// above every score before it and below every score after it. With distinct
// scores in order, it is the merge; otherwise the result must not be trusted.
// With finite scores no read goes beyond the sentinels.
void MergeInOrder(const TRankEntry* a, std::size_t aCount, const TRankEntry* b, std::size_t bCount,
                  int* order) noexcept;

}  // namespace velmora
