// Finds the inputs on which the C library's logarithm variants disagree.
// glibc chooses its log by CPU at run time, so scripts/verify-log.sh runs
//   libm-log-variants values N
// once as is and once with FMA turned off by GLIBC_TUNABLES, compares the two
// outputs (raw doubles) with cmp -l, and feeds the differing byte offsets to
//   libm-log-variants select N
// which prints those inputs as hex bit patterns. The inputs: N s values of the
// model's polar method from state 0, then N uniform doubles in (0, 1).
#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace {

struct TInputs {
    std::int64_t N;
    std::int64_t Index = 0;
    std::uint32_t State = 0;       // the model's generator
    std::uint64_t Mix = 0x11Bull;  // splitmix64

    double Next() {
        if (Index++ < N) {
            for (;;) {
                State = State * 134775813u + 1u;
                const double x1 = 2.0 * (State * (1.0 / 4294967296.0)) - 1.0;
                State = State * 134775813u + 1u;
                const double x2 = 2.0 * (State * (1.0 / 4294967296.0)) - 1.0;
                const double s = x1 * x1 + x2 * x2;
                if (s <= 1.0 && s != 0.0) return s;
            }
        }
        std::uint64_t k = 0;
        while (k == 0) {
            std::uint64_t z = (Mix += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            k = (z ^ (z >> 31)) >> 11;
        }
        return static_cast<double>(k) * 0x1p-53;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    TInputs inputs{std::atoll(argv[2])};
    if (std::strcmp(argv[1], "values") == 0) {
        std::vector<double> buffer;
        for (std::int64_t i = 0; i < 2 * inputs.N; ++i) {
            buffer.push_back(std::log(inputs.Next()));
            if (buffer.size() == 65536 || i + 1 == 2 * inputs.N) {
                std::fwrite(buffer.data(), sizeof(double), buffer.size(), stdout);
                buffer.clear();
            }
        }
        return 0;
    }
    std::set<std::int64_t> wanted;
    long long offset = 0;  // cmp -l lines start with a 1-based byte offset
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        if (std::sscanf(line, "%lld", &offset) == 1) wanted.insert((offset - 1) / 8);
    }
    for (std::int64_t i = 0; i < 2 * inputs.N && !wanted.empty(); ++i) {
        const double x = inputs.Next();
        if (wanted.erase(i) != 0) std::printf("%016" PRIx64 "\n", std::bit_cast<std::uint64_t>(x));
    }
    return 0;
}
