#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "organisation.h"

namespace velmora {

// Puts a level's occupied positions in non-increasing score order, leaving
// vacant positions where they are, with the method org.Implementation selects.
void RankLevel(TOrganisation& org, int level);

// The reference ranking, the exchange pass: at each occupied position, swap
// with every later occupied record whose score is strictly higher than the
// best seen so far. Its order among equal scores is what every other ranking
// must reproduce.
void reordering(TOrganisation& org, std::uint8_t level) noexcept;

// Puts records in non-increasing score order, with working space; returns
// false when two scores are equal, the order then being unspecified.
bool SortDistinct(TMember* records, std::size_t count, TRankScratch& scratch);

// Puts the sentinels MergeInOrder needs on either side of a chain: the
// chain must have a free slot before it and one after it.
inline void Bracket(TMember* chain, std::size_t count) noexcept {
    chain[-1] = TMember{.Score = std::numeric_limits<double>::infinity()};
    chain[count] = TMember{.Score = -std::numeric_limits<double>::infinity()};
}

// Merges two chains of records in non-increasing score order, handing each
// record with its place in the result to emit, without a branch: which
// chain the next record comes from is a coin toss. The result is split in
// two halves at the point a binary search finds, and each half is merged
// from both ends at once: four independent chains of compares side by side.
// Each chain needs a sentinel on either side, above every score before it
// and below every score after it. With distinct scores in order this is the
// merge; otherwise its result must not be trusted (strictly falling scores
// in the result prove it right), but with finite scores no read goes beyond
// the sentinels.
template <typename Emit>
void MergeInOrder(const TMember* a, std::size_t aCount, const TMember* b, std::size_t bCount,
                  Emit emit) {
    // The compiler turns a conditional choice into a branch; a mask does not.
    const auto pick = [](bool first, const TMember* x, const TMember* y) {
        const auto ix = reinterpret_cast<std::uintptr_t>(x);
        const auto iy = reinterpret_cast<std::uintptr_t>(y);
        return *reinterpret_cast<const TMember*>(iy ^ ((ix ^ iy) & -std::uintptr_t{first}));
    };
    // One stretch of the result, merged from both ends: its front takes the
    // higher head, its back the lower tail. Within a stretch the first record
    // beyond it in each chain bounds it as a sentinel would.
    struct TEnds {
        const TMember *A, *B, *C, *D;
        std::size_t Front, Back;  // the next places at the front and the back
    };
    const auto step = [&](TEnds& e) {
        const bool front = e.A->Score > e.B->Score;
        emit(e.Front++, pick(front, e.A, e.B));
        e.A += front;
        e.B += !front;
        const bool back = e.C->Score < e.D->Score;
        emit(e.Back--, pick(back, e.C, e.D));
        e.C -= back;
        e.D -= !back;
    };
    // Runs at either end that lie wholly beyond the other chain, long where
    // the chains barely overlap, are handed on without the merge's compares;
    // what is left of each chain is still bounded by a sentinel or a record
    // handed on, as the merge needs.
    std::size_t placed = 0;
    std::size_t end = aCount + bCount;
    for (; aCount > 0 && a->Score > b->Score; --aCount) emit(placed++, *a++);
    for (; bCount > 0 && b->Score > a->Score; --bCount) emit(placed++, *b++);
    for (; aCount > 0 && a[aCount - 1].Score < b[bCount - 1].Score; --aCount) {
        emit(--end, a[aCount - 1]);
    }
    for (; bCount > 0 && b[bCount - 1].Score < a[aCount - 1].Score; --bCount) {
        emit(--end, b[bCount - 1]);
    }

    const std::size_t size = aCount + bCount;
    // The first half takes the best `split` of a and the best half - split of b.
    const std::size_t half = size / 2;
    std::size_t low = half > bCount ? half - bCount : 0;
    std::size_t high = std::min(half, aCount);
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (a[middle].Score > b[half - middle - 1].Score) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    const std::size_t split = low;
    TEnds first{a, b, a + split - 1, b + (half - split) - 1, placed, placed + half - 1};
    TEnds second{a + split,      b + (half - split), a + aCount - 1,
                 b + bCount - 1, placed + half,      placed + size - 1};
    const std::size_t firstSteps = half / 2;
    const std::size_t secondSteps = (size - half) / 2;
    const std::size_t both = std::min(firstSteps, secondSteps);
    for (std::size_t k = 0; k < both; ++k) {
        step(first);
        step(second);
    }
    for (std::size_t k = both; k < firstSteps; ++k) step(first);
    for (std::size_t k = both; k < secondSteps; ++k) step(second);
    for (TEnds* e : {&first, &second}) {
        if (e->Front == e->Back) {  // an odd stretch: one entry left in the middle
            emit(e->Front, pick(e->A->Score > e->B->Score, e->A, e->B));
        }
    }
}

}  // namespace velmora
