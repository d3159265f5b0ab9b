#pragma once

// What the checks of the model's correctly rounded functions against MPFR
// share: seeded inputs, bitwise comparison, counts kept by two threads.
#include <atomic>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include <mpfr.h>

#include "model/bit_cast.h"

namespace velmora::verify {

inline std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

inline double FromBits(std::uint64_t bits) { return BitCast<double>(bits); }

// The same bits, or both NaN.
inline bool Same(double a, double b) {
    return BitCast<std::uint64_t>(a) == BitCast<std::uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

struct TCounts {
    std::atomic<std::int64_t> Checked{0};
    std::atomic<std::int64_t> Mismatches{0};
    std::atomic<std::int64_t> Slow{0};  // inputs that took the slow path
};

// body(0) and body(1) at once, each with MPFR's per-thread state freed after.
template <typename Body>
void OnTwoThreads(Body body) {
    std::thread other([&] {
        body(1);
        mpfr_free_cache();
    });
    body(0);
    other.join();
}

inline int Report(const char* name, const TCounts& counts, const char* slowName = nullptr) {
    std::printf("%-48s checked %12" PRId64 "  mismatches %" PRId64, name, counts.Checked.load(),
                counts.Mismatches.load());
    if (slowName != nullptr) std::printf("  %s %" PRId64, slowName, counts.Slow.load());
    std::printf("\n");
    return counts.Mismatches.load() == 0 ? 0 : 1;
}

// Inputs as hexadecimal bit patterns, one a line; false if the file cannot be read.
inline bool ReadInputs(const char* path, std::vector<double>& inputs) {
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    std::uint64_t bits = 0;
    while (std::fscanf(file, "%" SCNx64, &bits) == 1) inputs.push_back(FromBits(bits));
    std::fclose(file);
    return true;
}

}  // namespace velmora::verify
