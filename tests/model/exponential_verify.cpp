// Exponential against MPFR's correctly rounded exp, over classes of inputs.
//   exponential_verify [samples]       checks about `samples` inputs (default
//                                      10^6) and fixed cases: the bounds of
//                                      overflow, underflow and subnormal
//                                      results, the reduction's steps, specials;
//                                      with the whole function, its accurate
//                                      path and its fast path
//   exponential_verify --inputs FILE   checks the inputs in FILE (hex bit patterns)
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "model/exponential.h"
#include "mpfr_check.h"

namespace {

using namespace velmora::verify;

// MPFR's exp with the exponent range and subnormals of doubles, so that the
// one rounding is that of a double.
double Reference(mpfr_t in, mpfr_t out, double x) {
    mpfr_set_d(in, x, MPFR_RNDN);
    const int ternary = mpfr_exp(out, in, MPFR_RNDN);
    mpfr_subnormalize(out, ternary, MPFR_RNDN);
    return mpfr_get_d(out, MPFR_RNDN);
}

// Checks x with the whole function, the accurate path alone, and the fast
// path where it claims a result.
void Check(double x, mpfr_t in, mpfr_t out, TCounts& counts) {
    const double expected = Reference(in, out, x);
    const double got = velmora::Exponential(x);
    const double accurate = velmora::exp_detail::Accurate(x);
    double fast = expected;
    if (!velmora::exp_detail::TryFast(x, fast)) counts.Slow.fetch_add(1);
    ++counts.Checked;
    if ((!Same(got, expected) || !Same(accurate, expected) || !Same(fast, expected)) &&
        counts.Mismatches.fetch_add(1) < 20) {
        std::printf("MISMATCH x=%a (%016" PRIx64 ") mpfr=%a exp=%a accurate=%a fast=%a\n", x,
                    velmora::BitCast<std::uint64_t>(x), expected, got, accurate, fast);
    }
}

// Checks on two threads, each with its own MPFR numbers in double's range.
template <typename Inputs>
void CheckOnTwoThreads(TCounts& counts, Inputs inputs) {
    OnTwoThreads([&](int thread) {
        mpfr_set_emin(-1073);  // 2^-1074 is 0.5 * 2^-1073 to MPFR
        mpfr_set_emax(1024);
        mpfr_t in, out;
        mpfr_inits2(53, in, out, static_cast<mpfr_ptr>(nullptr));
        inputs(thread, [&](double x) { Check(x, in, out, counts); });
        mpfr_clears(in, out, static_cast<mpfr_ptr>(nullptr));
    });
}

double Uniform(std::uint64_t& rng, double low, double high) {
    return low + (high - low) * (static_cast<double>(SplitMix(rng) >> 11) * 0x1p-53);
}

struct TInputClass {
    const char* Name;
    double Share;
    double (*Make)(std::uint64_t& rng);
};

const TInputClass Classes[] = {
    // The turnover slope's logits, and the grid's.
    {"the model's logits (-40, 40)", 0.30,
     [](std::uint64_t& rng) { return Uniform(rng, -40, 40); }},
    {"|x| < 1", 0.15, [](std::uint64_t& rng) { return Uniform(rng, -1, 1); }},
    {"tiny: |x| from 2^-1074 to 2^-20", 0.10,
     [](std::uint64_t& rng) {
         const std::uint64_t r = SplitMix(rng);
         const std::uint64_t exponent = r % 1003;  // biased exponents 0 .. 1002
         return FromBits((r & 0x8000000000000000ull) | (exponent << 52) |
                         (SplitMix(rng) & 0x000FFFFFFFFFFFFFull));
     }},
    {"the whole range (-746, 710)", 0.25,
     [](std::uint64_t& rng) { return Uniform(rng, -746, 710); }},
    {"subnormal results (-745.2, -708.3)", 0.10,
     [](std::uint64_t& rng) { return Uniform(rng, -745.2, -708.3); }},
    {"any double", 0.10, [](std::uint64_t& rng) { return FromBits(SplitMix(rng)); }},
};

// Where the result changes kind, every integer, the midpoints between the
// reduction's steps, specials; each with its neighbours.
std::vector<double> FixedInputs() {
    std::vector<double> centres = {0.0,
                                   709.782712893383973096,  // log(DBL_MAX)
                                   709.78271289338399684,   // where exp rounds to infinity
                                   -708.39641853226410622,  // log(2^-1022)
                                   -744.44007192138126231,  // log(2^-1074)
                                   -745.13321910194110842,  // log(2^-1075): rounds to 0 below
                                   std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::min(),
                                   std::numeric_limits<double>::denorm_min(),
                                   std::numeric_limits<double>::infinity()};
    for (int i = -746; i <= 710; ++i) centres.push_back(i);
    for (int k = -137000; k <= 131000; k += 997)
        centres.push_back((k + 0.5) * 0.0054152123481245725);
    std::vector<double> inputs;
    for (const double c : centres) {
        for (const double x : {c, -c}) {
            inputs.push_back(x);
            inputs.push_back(std::nextafter(x, -std::numeric_limits<double>::infinity()));
            inputs.push_back(std::nextafter(x, std::numeric_limits<double>::infinity()));
        }
    }
    inputs.push_back(std::numeric_limits<double>::quiet_NaN());
    return inputs;
}

int CheckSamples(std::int64_t total) {
    int failed = 0;
    std::uint64_t c = 0;
    for (const TInputClass& kind : Classes) {
        const auto n = static_cast<std::int64_t>(static_cast<double>(total) * kind.Share);
        TCounts counts;
        CheckOnTwoThreads(counts, [&](int thread, auto check) {
            std::uint64_t rng = 0xE5EED000ull + c * 16 + static_cast<std::uint64_t>(thread);
            for (std::int64_t i = thread; i < n; i += 2) check(kind.Make(rng));
        });
        failed |= Report(kind.Name, counts, "accurate path");
        ++c;
    }
    const std::vector<double> fixed = FixedInputs();
    TCounts counts;
    CheckOnTwoThreads(counts, [&](int thread, auto check) {
        for (std::size_t i = static_cast<std::size_t>(thread); i < fixed.size(); i += 2) {
            check(fixed[i]);
        }
    });
    failed |= Report("bounds, integers, reduction midpoints, specials", counts, "accurate path");
    return failed;
}

int CheckFile(const char* path) {
    std::vector<double> inputs;
    if (!ReadInputs(path, inputs)) return 2;
    TCounts counts;
    CheckOnTwoThreads(counts, [&](int thread, auto check) {
        for (std::size_t i = static_cast<std::size_t>(thread); i < inputs.size(); i += 2) {
            check(inputs[i]);
        }
    });
    return Report(path, counts, "accurate path");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--inputs") == 0) return CheckFile(argv[2]);
    const std::int64_t samples = argc == 2 ? std::atoll(argv[1]) : 1000000;
    const int failed = CheckSamples(samples);
    mpfr_free_cache();
    return failed;
}
