#include "model/keep_occupied.h"

#include "model/vector_clones.h"

namespace velmora {

namespace {

int KeepOneByOne(const TMember* from, int count, TMember* to) noexcept {
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        to[kept] = from[i];  // written either way: no branch on a coin toss
        kept += from[i].Occupied;
    }
    return kept;
}

#ifdef VELMORA_WIDE_VECTORS
// Stores the occupied of four records whole at `to`; returns how many.
VELMORA_WIDE int KeepGroup(__m512i records, TMember* to) noexcept {
    // Each record's flag byte copied over its four dwords: both of its
    // quadwords test as occupied or both not.
    const __mmask8 both = _mm512_test_epi64_mask(
        _mm512_maskz_shuffle_epi32(0xFFFF, records, _MM_PERM_BBBB), _mm512_set1_epi64(0xFF));
    _mm512_storeu_si512(to, _mm512_maskz_compress_epi64(both, records));
    return __builtin_popcount(both) / 2;
}

// Four records at a time: one vector compress of the occupied, stored whole,
// then moved on by as many. Half the instructions of one at a time, and no
// chain through each record's flag.
VELMORA_WIDE int KeepByVectors(const TMember* from, int count, TMember* to) noexcept {
    int kept = 0;
    int i = 0;
    for (; i + 4 <= count; i += 4) kept += KeepGroup(_mm512_loadu_si512(from + i), to + kept);
    // A partial last group reads zeros past its end: not occupied.
    if (i < count) {
        const auto lanes = static_cast<__mmask8>((1u << (2 * (count - i))) - 1u);
        kept += KeepGroup(_mm512_maskz_loadu_epi64(lanes, from + i), to + kept);
    }
    return kept;
}
#endif

}  // namespace

int KeepOccupied(const TMember* from, int count, TMember* to) noexcept {
#ifdef VELMORA_WIDE_VECTORS
    if (HasWideVectors()) return KeepByVectors(from, count, to);
#endif
    return KeepOneByOne(from, count, to);
}

}  // namespace velmora
