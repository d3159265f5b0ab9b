#include "model/keep_occupied.h"

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELMORA_COMPRESS 1
#endif

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

#ifdef VELMORA_COMPRESS
static_assert(offsetof(TMember, Occupied) == 4 && sizeof(bool) == 1,
              "the occupied flag is byte 4 of a record's first eight");

// Four records at a time: one vector compress of the occupied, stored whole,
// then moved on by as many. Half the instructions of one at a time, and no
// chain through each record's flag.
__attribute__((target("avx512f"))) int KeepByVectors(const TMember* from, int count,
                                                     TMember* to) noexcept {
    const __m512i flags =
        _mm512_set_epi64(0, 0xFF00000000, 0, 0xFF00000000, 0, 0xFF00000000, 0, 0xFF00000000);
    int kept = 0;
    for (int i = 0; i < count; i += 4) {
        // A partial last group reads zeros past its end: not occupied.
        const int left = count - i < 4 ? count - i : 4;
        const auto lanes = static_cast<__mmask8>((1u << (2 * left)) - 1u);
        const __m512i records = _mm512_maskz_loadu_epi64(lanes, from + i);
        const unsigned occupied = _mm512_test_epi64_mask(records, flags);  // even lanes
        const auto both = static_cast<__mmask8>(occupied | occupied << 1);
        _mm512_storeu_si512(to + kept, _mm512_maskz_compress_epi64(both, records));
        kept += __builtin_popcount(occupied);
    }
    return kept;
}
#endif

}  // namespace

int KeepOccupied(const TMember* from, int count, TMember* to) noexcept {
#ifdef VELMORA_COMPRESS
    static const bool vectors = __builtin_cpu_supports("avx512f");
    if (vectors) return KeepByVectors(from, count, to);
#endif
    return KeepOneByOne(from, count, to);
}

}  // namespace velmora
