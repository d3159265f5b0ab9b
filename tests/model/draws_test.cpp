#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "model/draws.h"
#include "model/natural_log.h"
#include "test_support.h"

namespace velmora {
namespace {

// The batches (hires' draws, normal values, marks below a bound) against
// the scalar calls they replace, bit for bit and in the state left behind. Thousands of draws cross
// many stretch ends at every offset, so pairs and sex draws cut off by them are covered too.
TEST(Draws, MatchTheScalarCallsBitForBit) {
    testing::OnEveryVectorPath([&] {
        for (const std::uint32_t seed : {0u, 1u, 7u, 0x80000000u, 0xFFFFFFFFu}) {
            for (const int count : {0, 1, 2, 5, 127, 128, 129, 214, 1424, 5000}) {
                for (const std::uint64_t bound :
                     {std::uint64_t{0}, std::uint64_t{1} << 31, std::uint64_t{1932735283},
                      std::uint64_t{1} << 32}) {
                    SCOPED_TRACE(::testing::Message() << seed << " " << count << " " << bound);
                    TRandom scalar{seed};
                    TRandom batch{seed};
                    TRandom normals{seed};
                    std::vector<double> z(static_cast<std::size_t>(count));
                    std::vector<double> zOnly(z.size());
                    std::vector<std::uint8_t> female(z.size());
                    DrawEntrants(batch, count, bound, z.data(), female.data());
                    for (int i = 0; i < count; ++i) {
                        const double expected = normal(scalar, 0.0, 1.0);
                        NextUniform(scalar);
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(z[i]),
                                  std::bit_cast<std::uint64_t>(expected));
                        ASSERT_EQ(female[i] != 0, scalar.GeneratorState < bound);
                    }
                    ASSERT_EQ(batch.GeneratorState, scalar.GeneratorState);

                    scalar = TRandom{seed};
                    DrawNormals(normals, count, zOnly.data());
                    for (int i = 0; i < count; ++i) {
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(zOnly[i]),
                                  std::bit_cast<std::uint64_t>(normal(scalar, 0.0, 1.0)));
                    }
                    ASSERT_EQ(normals.GeneratorState, scalar.GeneratorState);

                    scalar = TRandom{seed};
                    TRandom marks{seed};
                    std::vector<std::uint8_t> below(z.size());
                    int expectedBelow = 0;
                    const int counted = DrawBelow(marks, count, bound, below.data());
                    for (int i = 0; i < count; ++i) {
                        NextUniform(scalar);
                        ASSERT_EQ(below[i] != 0, scalar.GeneratorState < bound);
                        expectedBelow += below[i];
                    }
                    ASSERT_EQ(counted, expectedBelow);
                    ASSERT_EQ(marks.GeneratorState, scalar.GeneratorState);
                }
            }
        }
    });
}

// A batch of logarithms, lane by lane, against the scalar one, which is
// checked against MPFR elsewhere: counts on either side of the vector widths
// and the blocks (padded with 1s), and arguments outside the fast path's
// domain at every lane position among the polar method's own.
TEST(NaturalLogs, GiveEachArgumentTheScalarResultWhateverItsLane) {
    testing::OnEveryVectorPath([&] {
        using Limits = std::numeric_limits<double>;
        const double specials[] = {0.0,
                                   -0.0,
                                   -1.0,
                                   Limits::quiet_NaN(),
                                   Limits::infinity(),
                                   1.0,
                                   Limits::denorm_min(),
                                   Limits::min(),
                                   0x1.fffffffffffffp-1,
                                   Limits::max()};
        TRandom random{3u};
        for (const int count : {0, 1, 7, 8, 9, 63, 64, 65, 200}) {
            for (const int every :
                 {0, 3, 11}) {  // a special argument at every such position; 0: none
                std::vector<double> x(static_cast<std::size_t>(count));
                for (int i = 0; i < count; ++i) {
                    const double u = 2.0 * NextUniform(random) - 1.0;
                    const double v = 2.0 * NextUniform(random) - 1.0;
                    x[static_cast<std::size_t>(i)] =
                        every > 0 && i % every == every - 1
                            ? specials[static_cast<std::size_t>(i) % 10]
                            : u * u + v * v;
                }
                std::vector<double> logs(x.size());
                NaturalLogs(x.data(), logs.data(), count);
                for (std::size_t i = 0; i < x.size(); ++i) {
                    const double expected = NaturalLog(x[i]);
                    if (std::isnan(expected)) {
                        EXPECT_TRUE(std::isnan(logs[i])) << count << " " << i;
                    } else {
                        EXPECT_EQ(std::bit_cast<std::uint64_t>(logs[i]),
                                  std::bit_cast<std::uint64_t>(expected))
                            << count << " " << i << " " << x[i];
                    }
                }
            }
        }
    });
}

}  // namespace
}  // namespace velmora
