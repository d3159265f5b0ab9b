#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/random.h"

namespace velmora {
namespace {

TEST(NextUniform, FirstValuesFromStateZero) {
    TRandom random;
    EXPECT_EQ(NextUniform(random), 1.0 / 4294967296.0);
    EXPECT_EQ(random.GeneratorState, 1u);
    EXPECT_EQ(NextUniform(random), 134775814.0 / 4294967296.0);
    EXPECT_EQ(random.GeneratorState, 134775814u);
}

TEST(NextUniform, WrapsModulo32BitsAndStaysBelowOne) {
    TRandom random{0xFFFFFFFFu};
    // (2^32 - 1) * 134775813 + 1 modulo 2^32
    const std::uint32_t expected = static_cast<std::uint32_t>(0xFFFFFFFFull * 134775813ull + 1ull);
    const double u = NextUniform(random);
    EXPECT_EQ(random.GeneratorState, expected);
    EXPECT_LT(u, 1.0);
    for (int i = 0; i < 100000; ++i) {
        const double v = NextUniform(random);
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
    }
}

// A scripted source of uniform draws, counting what was consumed.
struct Script {
    std::vector<double> values;
    std::size_t used = 0;
    double operator()() { return values.at(used++); }
};

TEST(PolarNormal, PairOnTheUnitCircleReturnsTheMean) {
    Script onAxisX{{0.5, 0.0}};  // x1 = 0, x2 = -1
    EXPECT_EQ(PolarNormal(onAxisX, 50.0, 10.0), 50.0);
    Script onAxisY{{0.0, 0.5}};  // x1 = -1, x2 = 0: f is 0
    EXPECT_EQ(PolarNormal(onAxisY, 50.0, 10.0), 50.0);
}

TEST(PolarNormal, RejectsPairsOutsideTheCircleAndConsumesWholePairs) {
    Script script{{0.99, 0.99, 0.01, 0.02, 0.75, 0.5}};  // two rejected pairs
    const double z = PolarNormal(script, 0.0, 1.0);
    EXPECT_EQ(script.used, 6u);
    const double x1 = 0.5;
    const double s = 0.25;
    EXPECT_EQ(z, x1 * std::sqrt(-2.0 * NaturalLog(s) / s));
}

TEST(PolarNormal, ScalesByMeanAndDeviation) {
    Script a{{0.75, 0.5}};
    Script b{{0.75, 0.5}};
    const double z = PolarNormal(a, 0.0, 1.0);
    EXPECT_EQ(PolarNormal(b, 50.0, 10.0), 50.0 + 10.0 * z);
}

TEST(Normal, AlwaysConsumesAnEvenNumberOfDraws) {
    TRandom random{12345u};
    for (int i = 0; i < 2000; ++i) {
        TRandom before = random;
        normal(random, 50.0, 10.0);
        int draws = 0;
        while (before.GeneratorState != random.GeneratorState) {
            NextUniform(before);
            ++draws;
            ASSERT_LT(draws, 1000);
        }
        ASSERT_EQ(draws % 2, 0);
        ASSERT_GE(draws, 2);
    }
}

TEST(Normal, HasTheRequestedMeanAndSpread) {
    TRandom random{7u};
    double sum = 0.0;
    double squares = 0.0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double x = normal(random, 50.0, 10.0);
        sum += x;
        squares += x * x;
    }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 50.0, 0.1);
    EXPECT_NEAR(std::sqrt(squares / n - mean * mean), 10.0, 0.1);
}

TEST(Seeding, SameSeedSameStreamAndClockSeedsDiffer) {
    TRandom a;
    TRandom b;
    SeedWith(a, 99u);
    SeedWith(b, 99u);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(NextUniform(a), NextUniform(b));
    TRandom c;
    const std::uint32_t first = SeedFromClock(c);
    EXPECT_EQ(c.GeneratorState, first);
    std::uint32_t second = first;
    for (int i = 0; i < 1000 && second == first; ++i) second = ClockSeed();
    EXPECT_NE(first, second);
}

}  // namespace
}  // namespace velmora
