#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "model/draws.h"

namespace velmora {
namespace {

// The batches against the scalar calls they replace, bit for bit and in the
// state left behind. Thousands of draws cross many stretch ends at every
// offset, so pairs and sex draws cut off by them are covered too.
TEST(Draws, MatchTheScalarCallsBitForBit) {
    for (const std::uint32_t seed : {0u, 1u, 7u, 0x80000000u, 0xFFFFFFFFu}) {
        for (const int count : {0, 1, 2, 5, 127, 128, 129, 214, 1424, 5000}) {
            for (const std::uint64_t bound : {std::uint64_t{0}, std::uint64_t{1} << 31,
                                              std::uint64_t{1932735283}, std::uint64_t{1} << 32}) {
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
            }
        }
    }
}

}  // namespace
}  // namespace velmora
