#pragma once

// Marks a function with loops that vectorise to be compiled again for wider
// vector units, the clone picked once by the processor at load time. Every
// clone makes the same IEEE-754 operations lane by lane, and none of these
// targets fuses a multiply and an add (the build also forbids contraction),
// so the bits do not depend on the clone picked.
#if defined(__x86_64__) && defined(__GNUC__)
#define VELMORA_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define VELMORA_VECTOR_CLONES
#endif

// Functions written for 512-bit vectors, called only where
// HasWideVectors(): the processor is checked once, at the first call. Set
// VELMORA_NO_WIDE_VECTORS in the environment to take the portable paths
// instead, as on other processors (the tests run both).
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#include <cstdlib>
#define VELMORA_WIDE_VECTORS 1
#define VELMORA_WIDE __attribute__((target("avx512f")))
namespace velmora {
inline bool HasWideVectors() noexcept {
    static const bool wide =
        __builtin_cpu_supports("avx512f") && std::getenv("VELMORA_NO_WIDE_VECTORS") == nullptr;
    return wide;
}
}  // namespace velmora
#endif
