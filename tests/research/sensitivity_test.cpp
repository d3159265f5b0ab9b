#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "research/sensitivity.h"

namespace velmora::research {
namespace {

// The points of two factors: per base sample A, the two mixed rows, B.
TEST(SaltelliDesign, PointsAreTheRowsOfAThenTheMixedThenB) {
    const TSaltelliDesign design(2, 5, 11);
    ASSERT_EQ(design.Points(), 20u);
    for (std::uint64_t j = 0; j < 5; ++j) {
        const auto a = design.Point(4 * j);
        const auto ab1 = design.Point(4 * j + 1);
        const auto ab2 = design.Point(4 * j + 2);
        const auto b = design.Point(4 * j + 3);
        EXPECT_EQ(ab1[0], b[0]) << j;
        EXPECT_EQ(ab1[1], a[1]) << j;
        EXPECT_EQ(ab2[0], a[0]) << j;
        EXPECT_EQ(ab2[1], b[1]) << j;
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_NE(a[i], b[i]) << j;  // independent matrices
            EXPECT_TRUE(a[i] >= 0.0 && a[i] < 1.0 && b[i] >= 0.0 && b[i] < 1.0);
        }
        for (std::uint64_t m = 0; m < 4; ++m) {
            EXPECT_EQ(design.Slot(4 * j + m).Sample, j);
            EXPECT_EQ(design.Slot(4 * j + m).Matrix, m);
        }
    }
    // The same seed gives the same design; another seed another.
    EXPECT_EQ(TSaltelliDesign(2, 5, 11).Point(7), design.Point(7));
    EXPECT_NE(TSaltelliDesign(2, 5, 12).Point(7), design.Point(7));
}

// Ishigami's function, a = 7 and b = 0.1, whose indices are known:
// first order 0.314, 0.442, 0; total 0.558, 0.442, 0.244.
TEST(SobolIndices, RecoverTheIshigamiFunctionsIndices) {
    constexpr std::uint64_t samples = 20000;
    const TSaltelliDesign design(3, samples, 2024);
    TSaltelliOutputs outputs(3, samples);
    for (std::uint64_t p = 0; p < design.Points(); ++p) {
        const auto u = design.Point(p);
        const auto x = [&](std::size_t i) { return std::numbers::pi * (2.0 * u[i] - 1.0); };
        const double s2 = std::sin(x(1));
        outputs.Set(design.Slot(p),
                    std::sin(x(0)) + 7.0 * s2 * s2 + 0.1 * std::pow(x(2), 4) * std::sin(x(0)));
    }
    const auto indices = SobolIndices(outputs, 300, 5);
    const double first[] = {0.3139, 0.4424, 0.0};
    const double total[] = {0.5576, 0.4424, 0.2437};
    for (std::size_t i = 0; i < 3; ++i) {
        const TSobolIndices& got = indices[i];
        EXPECT_LE(got.First.Low, first[i]) << "factor " << i + 1;
        EXPECT_GE(got.First.High, first[i]) << "factor " << i + 1;
        EXPECT_LE(got.Total.Low, total[i]) << "factor " << i + 1;
        EXPECT_GE(got.Total.High, total[i]) << "factor " << i + 1;
        EXPECT_LT(got.First.High - got.First.Low, 0.1) << "factor " << i + 1;
        EXPECT_LT(got.Total.High - got.Total.Low, 0.1) << "factor " << i + 1;
        EXPECT_TRUE(got.First.Low <= got.First.Value && got.First.Value <= got.First.High);
    }
}

TEST(SobolIndices, AreMissingWhereTheOutputDoesNotVary) {
    TSaltelliOutputs outputs(2, 10);
    for (auto* column : {&outputs.A, &outputs.B, &outputs.AB[0], &outputs.AB[1]}) {
        std::fill(column->begin(), column->end(), 0.25);
    }
    for (const TSobolIndices& index : SobolIndices(outputs, 20, 1)) {
        EXPECT_TRUE(std::isnan(index.First.Value) && std::isnan(index.Total.Value));
        EXPECT_TRUE(std::isnan(index.First.Low) && std::isnan(index.Total.High));
    }
}

}  // namespace
}  // namespace velmora::research
