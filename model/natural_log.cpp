#include "model/natural_log.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "model/bit_cast.h"
#include "model/vector_clones.h"

namespace velmora::log_detail {

using exact::RoundToNearest;
using exact::TAccumulator;

// The same reduction as the fast path, then log1p(z) by its series to z^17
// (the first terms in triple double) and a sum kept to about 2^-150 relative.
// Worst-case relative error: below 2^-124 (series truncation 2^-132, the tail
// in double 2^-130, E * log(2) 2^-126 absolute with |log x| >= 0.34 there).
double Accurate(double x) noexcept {
    if (!(x > 0.0)) {
        if (x == 0.0) return -std::numeric_limits<double>::infinity();
        return std::numeric_limits<double>::quiet_NaN();  // negative or NaN
    }
    if (x == std::numeric_limits<double>::infinity()) return x;
    double shift = 0.0;
    if (x < 0x1p-1022) {  // subnormal: scale exactly into the normal range
        x *= 0x1p54;
        shift = -54.0;
    }
    const TReduced reduced = Reduce(x);
    const double z = reduced.Z;
    const double exponent = reduced.Exponent + shift;

    // The tail z^10 .. z^16 contributes under 2^-80 of the sum: doubles do.
    const TAccumulator p = exact::Horner(log_table::kSeries, 16, 10, z);
    const double p1 = p.S1;
    const double p2 = p.S2;
    const double p3 = p.S3;

    TAccumulator sum;
    sum.Add(exponent * log_table::kLn2[0]);  // exact: 42-bit parts
    sum.Add(reduced.Entry->L[0]);
    sum.Add(exponent * log_table::kLn2[1]);
    sum.Add(reduced.Entry->L[1]);
    sum.AddProduct(z, p1, p2, p3);
    sum.Add(exponent * log_table::kLn2[2]);
    sum.Add(reduced.Entry->L[2]);
    return RoundToNearest(sum);
}

}  // namespace velmora::log_detail

namespace velmora {

namespace {

#ifdef VELMORA_WIDE_VECTORS
VELMORA_WIDE __m512i Broadcast(std::uint64_t bits) noexcept {
    return _mm512_set1_epi64(static_cast<std::int64_t>(bits));
}

// The doubles at base + offsets[k] bytes. (The masked form: GCC 12's
// unmasked one warns of an uninitialised register.)
VELMORA_WIDE __m512d GatherAt(__m256i offsets, const char* base) noexcept {
    return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, offsets, base, 1);
}

// Settled, lane by lane. (Comparisons of whole vectors would be taken
// apart lane by lane.)
VELMORA_WIDE __mmask8 SettledLanes(__m512d high, __m512d rest) noexcept {
    const __mmask8 negative = _mm512_cmp_pd_mask(high, _mm512_setzero_pd(), _CMP_LT_OQ);
    const __m512d margin = _mm512_mask_blend_pd(negative, high, -high) * 0x1p-65;
    return _mm512_cmp_pd_mask(high + (rest + margin), high, _CMP_EQ_OQ) &
           _mm512_cmp_pd_mask(high + (rest - margin), high, _CMP_EQ_OQ);
}

// Eight arguments at a time in 512-bit vectors, the table read by gathers:
// Split and the fast path's very operations in each lane.
VELMORA_WIDE void WideLogs(const double* x, double* result, int count) noexcept {
    using namespace log_detail;
    const __m512i one = Broadcast(BitCast<std::uint64_t>(1.0));
    const auto* const entries = reinterpret_cast<const char*>(log_table::kEntries);
    for (int from = 0; from < count; from += 8) {
        const int n = std::min(8, count - from);
        const auto lanes = static_cast<__mmask8>((1u << n) - 1u);
        // Past the arguments and outside the fast path's domain: 1, as in
        // the loops below.
        __m512i bits = _mm512_mask_loadu_epi64(one, lanes, x + from);
        const __mmask8 inDomain =
            _mm512_cmplt_epu64_mask(_mm512_sub_epi64(bits, Broadcast(0x0010000000000000ull)),
                                    Broadcast(0x7FE0000000000000ull));
        bits = _mm512_mask_mov_epi64(one, inDomain, bits);
        // Split
        const __m512i fraction = _mm512_and_epi64(bits, Broadcast(0x000FFFFFFFFFFFFFull));
        const __m512i index = _mm512_maskz_srli_epi64(0xFF, fraction, 44);
        const __m512i m = _mm512_or_epi64(fraction, Broadcast(0x3FF0000000000000ull));
        const __m512d mHigh = _mm512_castsi512_pd(_mm512_and_epi64(m, Broadcast(~0x1FFull)));
        const __m512d mLow = _mm512_castsi512_pd(m) - mHigh;
        const __mmask8 upper = _mm512_cmpge_epu64_mask(index, Broadcast(log_table::kUpperFrom));
        const __m512d exponent =
            (_mm512_castsi512_pd(_mm512_or_epi64(_mm512_maskz_srli_epi64(0xFF, bits, 52),
                                                 Broadcast(0x4330000000000000ull))) -
             (0x1p52 + 1023.0)) +
            _mm512_maskz_mov_pd(upper, _mm512_set1_pd(1.0));
        // The table: entries of 32 bytes.
        const __m256i offsets =
            _mm512_maskz_cvtepi64_epi32(0xFF, _mm512_maskz_slli_epi64(0xFF, index, 5));
        const __m512d r = GatherAt(offsets, entries + offsetof(log_table::TEntry, R));
        const __m512d tableHigh = GatherAt(offsets, entries + offsetof(log_table::TEntry, L));
        const __m512d tableLow =
            GatherAt(offsets, entries + offsetof(log_table::TEntry, L) + sizeof(double));
        __m512d z{};
        ReducedZ(mHigh, mLow, r, z);
        __m512d high{};
        __m512d rest{};
        FastSum(z, exponent, tableHigh, tableLow, high, rest);
        _mm512_mask_storeu_pd(result + from, lanes, high);
        // Unsettled or outside the domain: the accurate path.
        unsigned open = ~(SettledLanes(high, rest) & inDomain) & lanes;
        for (; open != 0; open &= open - 1) {
            const int k = __builtin_ctz(open);
            result[from + k] = Accurate(x[from + k]);
        }
    }
}
#endif

VELMORA_VECTOR_CLONES void ClonedLogs(const double* x, double* result, int count) noexcept {
    using namespace log_detail;
    // Blocks small enough for the working arrays to stay in the first-level cache.
    constexpr int Block = 64;
    for (int from = 0; from < count; from += Block) {
        const int n = std::min(Block, count - from);
        const double* const in = x + from;
        // Reduce's steps split into loops without table reads, which
        // vectorise, and one that only reads the table. Every loop runs to a
        // whole number of the widest vectors, on 1s past the arguments,
        // rather than finish one argument at a time.
        const int padded = (n + 7) / 8 * 8;
        std::uint64_t bits[Block];
        for (int i = 0; i < padded; ++i) {
            bits[i] = BitCast<std::uint64_t>(i < n ? in[i] : 1.0);
        }
        double mHigh[Block], mLow[Block], exponent[Block];
        std::uint32_t index[Block];
        std::uint8_t inDomain[Block];
        for (int i = 0; i < padded; ++i) {
            // Arguments outside the fast path's domain stand in as 1 here and
            // take the accurate path below.
            inDomain[i] = InFastDomain(bits[i]);
            const TParts parts =
                Split((bits[i] & -std::uint64_t{inDomain[i]}) |
                      (BitCast<std::uint64_t>(1.0) & -std::uint64_t{!inDomain[i]}));
            index[i] = parts.Index;
            mHigh[i] = parts.MHigh;
            mLow[i] = parts.MLow;
            exponent[i] = parts.Exponent;
        }
        double r[Block], tableHigh[Block], tableLow[Block];
        for (int i = 0; i < padded; ++i) {
            const log_table::TEntry& entry = log_table::kEntries[index[i]];
            r[i] = entry.R;
            tableHigh[i] = entry.L[0];
            tableLow[i] = entry.L[1];
        }
        double high[Block];
        std::uint8_t settled[Block];
        std::uint8_t allSettled = 1;
        for (int i = 0; i < padded; ++i) {
            double z = 0.0;
            ReducedZ(mHigh[i], mLow[i], r[i], z);
            double rest = 0.0;
            FastSum(z, exponent[i], tableHigh[i], tableLow[i], high[i], rest);
            settled[i] = Settled(high[i], rest) & inDomain[i];
            allSettled &= settled[i];
        }
        std::copy_n(high, n, result + from);
        // Rarely any, about one block in fifty: no branch per argument otherwise.
        if (allSettled == 0) {
            for (int i = 0; i < n; ++i) {
                if (settled[i] == 0) result[from + i] = Accurate(in[i]);
            }
        }
    }
}

}  // namespace

void NaturalLogs(const double* x, double* result, int count) noexcept {
#ifdef VELMORA_WIDE_VECTORS
    if (HasWideVectors()) return WideLogs(x, result, count);
#endif
    ClonedLogs(x, result, count);
}

}  // namespace velmora
