#include "model/ranking.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "model/bit_cast.h"
#include "model/record_lanes.h"
#include "model/vector_clones.h"

namespace velmora {

void reordering(TOrganisation& org, std::uint8_t level) noexcept {
    const int first = LevelStart(org, level);
    const int last = first + org.LevelSize[level] - 1;
    if (org.LevelSize[level] < 2) return;
    for (int i = first; i <= last - 1; ++i) {
        if (!org.Staff[i].Occupied) continue;
        double best = org.Staff[i].Score;
        for (int j = i; j <= last; ++j) {
            if (org.Staff[j].Occupied && org.Staff[j].Score > best) {
                best = org.Staff[j].Score;
                std::swap(org.Staff[i], org.Staff[j]);
            }
        }
    }
}

namespace {

bool Higher(const TMember& a, const TMember& b) { return a.Score > b.Score; }

// The buckets of both sorts: twice as many as entries over the scores'
// range, an entry's bucket min(Last, (Top - score) * Scale), which never
// decreases as the score falls, so a higher score never lands in a later
// bucket. Of no use when the range or the scale is not finite.
struct TBuckets {
    TBuckets(double top, double bottom, std::size_t count) noexcept
        : Top(top),
          Range(top - bottom),
          Last(static_cast<double>(2 * count - 1)),
          Scale(Last / Range) {}

    bool Usable() const noexcept { return std::isfinite(Range) && std::isfinite(Scale); }

    double Top, Range, Last, Scale;
};

// Whether a score is finite, without the branches of std::isfinite.
bool IsFiniteScore(double score) noexcept {
    constexpr std::uint64_t ExponentBits = 0x7FF0000000000000ull;  // all set: infinite or NaN
    return (BitCast<std::uint64_t>(score) & ExponentBits) != ExponentBits;
}

// Whether a chain is in non-increasing order, and whether it is strictly
// decreasing, i.e. in order with no two scores equal.
struct TOrder {
    bool InOrder = true;
    bool Distinct = true;
};

TOrder OrderOf(const TMember* entries, std::size_t count) {
    TOrder order;
    for (std::size_t i = 1; i < count; ++i) {
        order.InOrder &= entries[i].Score <= entries[i - 1].Score;
        order.Distinct &= entries[i].Score != entries[i - 1].Score;
    }
    order.Distinct = order.Distinct && order.InOrder;
    return order;
}

// Returns whether the scores strictly fall: an insertion can only make two
// neighbours equal (or leave a NaN in) where it stops, every record it moves
// past being strictly lower.
bool InsertionSort(TMember* first, TMember* last) {
    bool distinct = true;
    for (TMember* i = first + 1; i < last; ++i) {
        const TMember entry = *i;
        TMember* j = i;
        for (; j > first && (j - 1)->Score < entry.Score; --j) *j = *(j - 1);
        *j = entry;
        distinct &= j == first || (j - 1)->Score > entry.Score;
    }
    return distinct;
}

// At most this many entries are sorted by their ranks.
constexpr std::size_t RankedAtMost = 32;

// Few entries, as a level's outside hires: each placed at the count of the
// scores above its own, every pair compared without a branch, in loops that
// vectorise; the buckets' fixed work would cost more. Returns false, the
// entries unchanged, when two scores are equal (or one is a NaN, equal to
// none, itself included).
VELMORA_VECTOR_CLONES bool SortByRanks(TMember* entries, std::size_t count,
                                       TRankScratch& scratch) noexcept {
    double* const scores = scratch.Scores.data();
    for (std::size_t i = 0; i < count; ++i) scores[i] = entries[i].Score;
    std::uint32_t rank[RankedAtMost];
    std::uint32_t tied = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t above = 0;
        std::uint32_t equal = 0;
        for (std::size_t j = 0; j < count; ++j) {
            above += scores[j] > scores[i];
            equal += scores[j] == scores[i];
        }
        rank[i] = above;
        tied |= equal ^ 1u;
    }
    if (tied != 0) return false;
    TMember* const sorted = scratch.Sorted.data();
    for (std::size_t i = 0; i < count; ++i) sorted[rank[i]] = entries[i];
    std::copy_n(sorted, count, entries);
    return true;
}

}  // namespace

#ifdef VELMORA_WIDE_VECTORS
namespace {

enum class TWideSort { Sorted, Tied, Declined };

// The same buckets, with 512-bit vectors: the scores and their buckets eight
// at a time, then each entry placed straight where it belongs by counting
// the scores above it in its bucket, eight compared at once, instead of
// insertion. Declines (nothing changed) where a bucket holds more than eight
// or the range is not finite.
VELMORA_WIDE TWideSort SortByVectors(TMember* entries, std::size_t count,
                                     TRankScratch& scratch) noexcept {
    const int n = static_cast<int>(count);
    double* const scores = scratch.Scores.data();
    std::uint32_t* const bucketOf = scratch.BucketOf.data();
    // Scores to a plain array, with their bounds and whether any is a NaN.
    __m512d high = _mm512_set1_pd(-std::numeric_limits<double>::infinity());
    __m512d low = _mm512_set1_pd(std::numeric_limits<double>::infinity());
    __mmask8 nan = 0;
    for (int i = 0; i < n; i += 8) {
        const int left = std::min(8, n - i);
        const auto lanes = static_cast<__mmask8>((1u << left) - 1u);
        const auto first = static_cast<__mmask8>((1u << std::min(8, 2 * left)) - 1u);
        const auto second = static_cast<__mmask8>(left > 4 ? (1u << (2 * left - 8)) - 1u : 0u);
        const __m512d s = ScoresOf(_mm512_maskz_loadu_epi64(first, entries + i),
                                   _mm512_maskz_loadu_epi64(second, entries + i + 4));
        _mm512_mask_storeu_pd(scores + i, lanes, s);
        high = _mm512_mask_max_pd(high, lanes, high, s);
        low = _mm512_mask_min_pd(low, lanes, low, s);
        nan |= _mm512_mask_cmp_pd_mask(lanes, s, s, _CMP_UNORD_Q);
    }
    if (nan != 0) return TWideSort::Tied;  // a NaN is in order with nothing
    alignas(64) double highs[8];
    alignas(64) double lows[8];
    _mm512_store_pd(highs, high);
    _mm512_store_pd(lows, low);
    const TBuckets by(*std::max_element(highs, highs + 8), *std::min_element(lows, lows + 8),
                      count);
    if (by.Range == 0.0) return TWideSort::Tied;
    if (!by.Usable()) return TWideSort::Declined;
    const int buckets = 2 * n;
    for (int i = 0; i < n; i += 8) {
        const auto lanes = static_cast<__mmask8>((1u << std::min(8, n - i)) - 1u);
        const __m512d at = _mm512_maskz_min_pd(
            0xFF, (_mm512_set1_pd(by.Top) - _mm512_maskz_loadu_pd(lanes, scores + i)) * by.Scale,
            _mm512_set1_pd(by.Last));
        // Whole: BucketOf has room for a last vector.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(bucketOf + i),
                            _mm512_maskz_cvttpd_epi32(0xFF, at));
    }
    std::uint32_t* const starts = scratch.BucketStarts.data();
    std::fill(starts, starts + buckets + 1, 0u);
    for (int i = 0; i < n; ++i) ++starts[bucketOf[i] + 1];
    // Counts to starts, sixteen at a time: a running sum within the vector
    // in four shifted additions, plus the sum so far.
    const __m512i zero = _mm512_setzero_si512();
    __m512i sum = zero;
    __m512i crowd = zero;
    for (int b = 1; b <= buckets; b += 16) {
        const auto lanes = static_cast<__mmask16>((1u << std::min(16, buckets + 1 - b)) - 1u);
        __m512i x = _mm512_maskz_loadu_epi32(lanes, starts + b);
        crowd = _mm512_maskz_max_epu32(0xFFFF, crowd, x);
        x += _mm512_maskz_alignr_epi32(0xFFFF, x, zero, 15);
        x += _mm512_maskz_alignr_epi32(0xFFFF, x, zero, 14);
        x += _mm512_maskz_alignr_epi32(0xFFFF, x, zero, 12);
        x += _mm512_maskz_alignr_epi32(0xFFFF, x, zero, 8);
        x += sum;
        _mm512_mask_storeu_epi32(starts + b, lanes, x);
        sum = _mm512_maskz_permutexvar_epi32(0xFFFF, _mm512_set1_epi32(15), x);
    }
    alignas(64) std::uint32_t crowds[16];
    _mm512_store_si512(crowds, crowd);
    if (*std::max_element(crowds, crowds + 16) > 8) return TWideSort::Declined;
    // The scores in bucket order.
    std::uint32_t* const next = scratch.BucketNext.data();
    double* const keys = scratch.Keys.data();
    std::copy_n(starts, buckets, next);
    for (int i = 0; i < n; ++i) keys[next[bucketOf[i]]++] = scores[i];
    // Each entry's place: its bucket's start plus the scores above it there;
    // exactly one equal to it, itself, unless two are tied.
    TMember* const sorted = scratch.Sorted.data();
    unsigned tied = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t lo = starts[bucketOf[i]];
        const auto inBucket = static_cast<__mmask8>((1u << (starts[bucketOf[i] + 1] - lo)) - 1u);
        const __m512d bucket = _mm512_maskz_loadu_pd(inBucket, keys + lo);
        const __m512d key = _mm512_set1_pd(scores[i]);
        const unsigned above = _mm512_mask_cmp_pd_mask(inBucket, bucket, key, _CMP_GT_OQ);
        const unsigned equal = _mm512_mask_cmp_pd_mask(inBucket, bucket, key, _CMP_EQ_OQ);
        tied |= static_cast<unsigned>(__builtin_popcount(equal)) ^ 1u;
        sorted[lo + static_cast<std::uint32_t>(__builtin_popcount(above))] = entries[i];
    }
    // Tied, places may clash: the entries stay as they were.
    if (tied != 0) return TWideSort::Tied;
    std::copy_n(sorted, count, entries);
    return TWideSort::Sorted;
}

}  // namespace
#endif

// Puts entries in non-increasing order; returns false when two scores are
// equal. A counting sort on a bucket that falls with the score, twice as many
// buckets as entries, then insertion over the whole: new hires' scores spread
// evenly enough over their range that few entries share a bucket, and
// insertion moves an entry only within its bucket, while a comparison sort
// would mispredict most of its branches. Crowded buckets (clustered scores)
// get a comparison sort instead.
bool SortDistinct(TMember* entries, std::size_t count, TRankScratch& scratch) {
    if (count < 2) return true;
    if (count <= RankedAtMost) return SortByRanks(entries, count, scratch);
#ifdef VELMORA_WIDE_VECTORS
    if (HasWideVectors()) {
        const TWideSort sort = SortByVectors(entries, count, scratch);
        if (sort != TWideSort::Declined) return sort == TWideSort::Sorted;
    }
#endif
    // Two of each bound: two short chains of dependent compares, not one long.
    double high[2] = {entries[0].Score, entries[count - 1].Score};
    double low[2] = {high[0], high[1]};
    for (std::size_t i = 1; i + 1 < count; i += 2) {
        for (std::size_t j = 0; j < 2; ++j) {
            high[j] = std::max(high[j], entries[i + j].Score);
            low[j] = std::min(low[j], entries[i + j].Score);
        }
    }
    const TBuckets by(std::max(high[0], high[1]), std::min(low[0], low[1]), count);
    if (by.Range == 0.0) return false;
    const std::size_t buckets = 2 * count;
    TMember* const sorted = scratch.Sorted.data();
    std::uint32_t crowd = 0;
    if (by.Usable()) {
        std::uint32_t* const starts = scratch.BucketStarts.data();
        std::uint32_t* const bucketOf = scratch.BucketOf.data();
        std::fill(starts, starts + buckets + 1, 0u);
        for (std::size_t i = 0; i < count; ++i) {
            // Clamped before the conversion, a NaN to the last bucket.
            const auto b = static_cast<std::uint32_t>(
                std::min(by.Last, (by.Top - entries[i].Score) * by.Scale));
            bucketOf[i] = b;
            crowd = std::max(crowd, ++starts[b + 1]);
        }
        for (std::size_t b = 1; b <= buckets; ++b) starts[b] += starts[b - 1];
        for (std::size_t i = 0; i < count; ++i) sorted[starts[bucketOf[i]]++] = entries[i];
    } else {
        crowd = static_cast<std::uint32_t>(count);
        std::copy_n(entries, count, sorted);
    }
    bool distinct = false;
    if (crowd > 16) {
        std::sort(sorted, sorted + count, Higher);
        distinct = OrderOf(sorted, count).Distinct;
    } else {
        distinct = InsertionSort(sorted, sorted + count);
    }
    std::copy_n(sorted, count, entries);
    return distinct;
}

namespace {

// Any level: the chains of those who stayed, were promoted and were hired,
// each put in order and merged into working space. For a new staff, the end
// of the bias, and periods that promotion and hiring play step by step.
void RankByChains(TOrganisation& org, int level) {
    const int first = LevelStart(org, level);
    const int size = org.LevelSize[level];
    TRankScratch& scratch = org.Scratch;
    // After the slot for each chain's first sentinel.
    TMember* const heads[] = {scratch.Stayed.data() + 1, scratch.Promoted.data() + 1,
                              scratch.Hired.data() + 1};

    // One pass sorts each occupied position into its chain and notes whether
    // the level is in non-increasing order already: then the exchange pass
    // would not touch it either, ties or not. Each entry is written to every
    // chain and only its own chain's count moves: no branch to mispredict and
    // the counts stay in registers.
    bool ranked = true;
    bool finite = true;
    double previous = std::numeric_limits<double>::infinity();
    const TMember* staff = &org.Staff[first];
    const TArrival* arrived = &org.Arrived[first];
    std::size_t counts[3] = {0, 0, 0};
    for (int i = 0; i < size; ++i) {
        if (!staff[i].Occupied) continue;
        const TMember& entry = staff[i];
        ranked = ranked && entry.Score <= previous;
        finite &= IsFiniteScore(entry.Score);  // else it could meet the sentinels
        previous = entry.Score;
        const auto chain = static_cast<int>(arrived[i]);
        heads[0][counts[0]] = entry;
        heads[1][counts[1]] = entry;
        heads[2][counts[2]] = entry;
        counts[0] += chain == 0;
        counts[1] += chain == 1;
        counts[2] += chain == 2;
    }
    if (ranked) return;

    bool distinct = finite;
    for (int c = 0; c < 3; ++c) {
        const TOrder order = OrderOf(heads[c], counts[c]);
        distinct = distinct &&
                   (order.InOrder ? order.Distinct : SortDistinct(heads[c], counts[c], scratch));
        Bracket(heads[c], counts[c]);
    }
    if (!distinct) {
        reordering(org, static_cast<std::uint8_t>(level));
        return;
    }

    // Only a level with outside hires above level 1 has both kinds of newcomer.
    const TMember* newcomers = counts[1] == 0 ? heads[2] : heads[1];
    const std::size_t newcomerCount = counts[1] + counts[2];
    if (counts[1] > 0 && counts[2] > 0) {
        TMember* const merged = scratch.Newcomers.data() + 1;
        MergeInOrder(heads[1], counts[1], heads[2], counts[2],
                     [&](std::size_t k, const TMember& record) { merged[k] = record; });
        Bracket(merged, newcomerCount);
        newcomers = merged;
    }
    TMember* const records = scratch.Records.data();
    MergeInOrder(heads[0], counts[0], newcomers, newcomerCount,
                 [&](std::size_t k, const TMember& record) { records[k] = record; });
    const std::size_t occupied = counts[0] + newcomerCount;
    // Strictly falling scores prove the merge; otherwise two chains share a score.
    if (!OrderOf(records, occupied).Distinct) {
        reordering(org, static_cast<std::uint8_t>(level));
        return;
    }

    if (occupied == static_cast<std::size_t>(size)) {
        std::copy_n(records, occupied, &org.Staff[first]);
        return;
    }
    std::size_t next = 0;
    for (int p = first; p < first + size; ++p) {
        if (org.Staff[p].Occupied) org.Staff[p] = records[next++];
    }
}

}  // namespace

void RankLevel(TOrganisation& org, int level) {
    if (org.LevelSize[level] >= 2) {
        if (org.Implementation == TImplementation::Reference) {
            reordering(org, static_cast<std::uint8_t>(level));
        } else {
            RankByChains(org, level);
        }
    }
    if (org.LevelSize[level] > 0) {
        std::fill_n(&org.Arrived[LevelStart(org, level)], org.LevelSize[level], TArrival::Stayed);
    }
}

}  // namespace velmora
