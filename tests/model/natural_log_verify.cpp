// NaturalLog against MPFR's correctly rounded log, over classes of inputs.
//   natural_log_verify [samples]       checks about `samples` inputs (default
//                                      VELMORA_LOG_SAMPLES, else 10^6), and the
//                                      whole function, its accurate path and every
//                                      lane of NaturalLogs
//   natural_log_verify --inputs FILE   checks the inputs in FILE (hex bit patterns)
#include <mpfr.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "model/natural_log.h"
#include "mpfr_check.h"

namespace {

using namespace velmora::verify;

// The model's own generator and its accepted s = x1^2 + x2^2.
struct TPolarInputs {
    std::uint32_t State;
    double Next() {
        for (;;) {
            State = State * 134775813u + 1u;
            const double x1 = 2.0 * (State * (1.0 / 4294967296.0)) - 1.0;
            State = State * 134775813u + 1u;
            const double x2 = 2.0 * (State * (1.0 / 4294967296.0)) - 1.0;
            const double s = x1 * x1 + x2 * x2;
            if (s <= 1.0 && s != 0.0) return s;
        }
    }
};

// Classes of inputs: the i-th input of a class from a seeded stream.
using TClass = std::function<double(std::uint64_t& rng, TPolarInputs& polar, std::int64_t i)>;

struct TInputClass {
    const char* Name;
    double Share;
    TClass Make;
};

const std::vector<TInputClass>& Classes() {
    static const std::vector<TInputClass> classes = {
        {"uniform (0,1)", 0.30,
         [](std::uint64_t& rng, TPolarInputs&, std::int64_t) {
             std::uint64_t k = 0;
             while (k == 0) k = SplitMix(rng) >> 11;
             return static_cast<double>(k) * 0x1p-53;
         }},
        {"polar-method s", 0.30,
         [](std::uint64_t&, TPolarInputs& polar, std::int64_t) { return polar.Next(); }},
        {"near 1 (next doubles, then random within 2^-7)", 0.15,
         [](std::uint64_t& rng, TPolarInputs&, std::int64_t i) {
             const std::int64_t k = i / 2 + 1;
             if (k <= 2000000) return i % 2 ? 1.0 + k * 0x1p-52 : 1.0 - k * 0x1p-53;
             const double d = static_cast<double>(SplitMix(rng) >> 11) * 0x1p-60;  // < 2^-7
             return i % 2 ? 1.0 + d : 1.0 - d;
         }},
        {"subnormal and tiny normal", 0.10,
         [](std::uint64_t& rng, TPolarInputs&, std::int64_t i) {
             const std::uint64_t r = SplitMix(rng);
             const std::uint64_t fraction = r & 0x000FFFFFFFFFFFFFull;
             if (i % 2) return FromBits(fraction == 0 ? 1 : fraction);
             return FromBits(((1 + (r >> 58)) << 52) | fraction);  // 2^-1022 .. 2^-959
         }},
        {"any positive double", 0.15,
         [](std::uint64_t& rng, TPolarInputs&, std::int64_t) {
             std::uint64_t b = 0;
             while (b == 0 || b >= 0x7FF0000000000000ull) b = SplitMix(rng) >> 1;
             return FromBits(b);
         }},
    };
    return classes;
}

double Reference(mpfr_t in, mpfr_t out, double x) {
    mpfr_set_d(in, x, MPFR_RNDN);
    mpfr_log(out, in, MPFR_RNDN);
    return mpfr_get_d(out, MPFR_RNDN);
}

// Checks x with the whole function, the accurate path alone and the pair.
void Check(double x, mpfr_t in, mpfr_t out, TCounts& counts) {
    const double expected = Reference(in, out, x);
    const double got = velmora::NaturalLog(x);
    const double accurate = velmora::log_detail::Accurate(x);
    // Enough copies to fill the widest vector lanes NaturalLogs may use.
    constexpr int Lanes = 9;
    double copies[Lanes];
    double batch[Lanes];
    std::fill_n(copies, Lanes, x);
    velmora::NaturalLogs(copies, batch, Lanes);
    double fast = 0.0;
    if (!velmora::log_detail::TryFast(x, fast)) counts.Slow.fetch_add(1);
    ++counts.Checked;
    const bool batched =
        std::all_of(batch, batch + Lanes, [&](double y) { return Same(y, expected); });
    if (!Same(got, expected) || !Same(accurate, expected) || !batched) {
        if (counts.Mismatches.fetch_add(1) < 20) {
            std::printf("MISMATCH x=%a (%016" PRIx64 ") mpfr=%a log=%a accurate=%a batch=%a %a\n",
                        x, velmora::BitCast<std::uint64_t>(x), expected, got, accurate, batch[0],
                        batch[Lanes - 1]);
        }
    }
}

int CheckSamples(std::int64_t total) {
    int failed = 0;
    for (std::size_t c = 0; c < Classes().size(); ++c) {
        const auto& kind = Classes()[c];
        const auto n = static_cast<std::int64_t>(static_cast<double>(total) * kind.Share);
        TCounts counts;
        OnTwoThreads([&](int thread) {
            mpfr_t in, out;
            mpfr_inits2(53, in, out, static_cast<mpfr_ptr>(nullptr));
            std::uint64_t rng = 0x5EED0000ull + c * 16 + static_cast<std::uint64_t>(thread);
            TPolarInputs polar{static_cast<std::uint32_t>(thread) * 0x80000000u + 1u};
            for (std::int64_t i = thread; i < n; i += 2) {
                Check(kind.Make(rng, polar, i), in, out, counts);
            }
            mpfr_clears(in, out, static_cast<mpfr_ptr>(nullptr));
        });
        failed |= Report(kind.Name, counts, "accurate path");
    }

    // Every power of two, the extremes, and the hardest case known for log
    // (Lefèvre and Muller): 1.0110001010101000100001100001001101100010100110110110b * 2^678.
    std::vector<double> fixed;
    for (int e = -1074; e <= 1023; ++e) fixed.push_back(std::ldexp(1.0, e));
    const double hard = std::ldexp(
        static_cast<double>(0b10110001010101000100001100001001101100010100110110110ull), 678 - 52);
    fixed.insert(fixed.end(),
                 {hard, std::nextafter(hard, 0.0), std::nextafter(hard, 1e300),
                  std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                  std::numeric_limits<double>::denorm_min(), 0.0, -0.0, -1.0,
                  std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                  std::numeric_limits<double>::quiet_NaN()});
    TCounts counts;
    mpfr_t in, out;
    mpfr_inits2(53, in, out, static_cast<mpfr_ptr>(nullptr));
    for (double x : fixed) Check(x, in, out, counts);
    mpfr_clears(in, out, static_cast<mpfr_ptr>(nullptr));
    failed |= Report("powers of two, extremes, specials, hard case", counts, "accurate path");
    return failed;
}

int CheckFile(const char* path) {
    std::vector<double> inputs;
    if (!ReadInputs(path, inputs)) return 2;
    TCounts counts;
    OnTwoThreads([&](int thread) {
        mpfr_t in, out;
        mpfr_inits2(53, in, out, static_cast<mpfr_ptr>(nullptr));
        for (std::size_t i = static_cast<std::size_t>(thread); i < inputs.size(); i += 2) {
            Check(inputs[i], in, out, counts);
        }
        mpfr_clears(in, out, static_cast<mpfr_ptr>(nullptr));
    });
    return Report(path, counts, "accurate path");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--inputs") == 0) return CheckFile(argv[2]);
    std::int64_t samples = 1000000;
    if (const char* env = std::getenv("VELMORA_LOG_SAMPLES")) samples = std::atoll(env);
    if (argc == 2) samples = std::atoll(argv[1]);
    const int failed = CheckSamples(samples);
    mpfr_free_cache();
    return failed;
}
