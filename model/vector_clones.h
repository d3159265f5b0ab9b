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
// instead, as on other processors; UseWideVectors switches within a process
// (for tests that hold the paths against each other), never while runs go.
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#include <cstdlib>
#define VELMORA_WIDE_VECTORS 1
#define VELMORA_WIDE __attribute__((target("avx512f")))
#endif

namespace velmora {

#ifdef VELMORA_WIDE_VECTORS
namespace vector_detail {
inline bool& WideVectorsInUse() noexcept {
    static bool wide =
        __builtin_cpu_supports("avx512f") && std::getenv("VELMORA_NO_WIDE_VECTORS") == nullptr;
    return wide;
}
}  // namespace vector_detail

inline bool HasWideVectors() noexcept { return vector_detail::WideVectorsInUse(); }
#endif

// Takes the 512-bit paths from now on if `wide` and the processor has them,
// else the portable ones; returns whether the 512-bit paths are taken.
inline bool UseWideVectors(bool wide) noexcept {
#ifdef VELMORA_WIDE_VECTORS
    vector_detail::WideVectorsInUse() = wide && __builtin_cpu_supports("avx512f");
    return vector_detail::WideVectorsInUse();
#else
    (void)wide;
    return false;
#endif
}

}  // namespace velmora
