#pragma once

#include "model/organisation.h"
#include "model/vector_clones.h"

#ifdef VELMORA_WIDE_VECTORS
namespace velmora {

// Eight roster records loaded as two 512-bit vectors of four, taken apart
// lane by lane: each record's first quadword (its id and flags), or its score.
VELMORA_WIDE inline __m512i HeadsOf(__m512i low, __m512i high) noexcept {
    return _mm512_permutex2var_epi64(low, _mm512_set_epi64(14, 12, 10, 8, 6, 4, 2, 0), high);
}
VELMORA_WIDE inline __m512d ScoresOf(__m512i low, __m512i high) noexcept {
    return _mm512_castsi512_pd(
        _mm512_permutex2var_epi64(low, _mm512_set_epi64(15, 13, 11, 9, 7, 5, 3, 1), high));
}

}  // namespace velmora
#endif
