#include "research/portable_chars.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "model/bit_cast.h"

namespace velmora::research {
namespace {

std::string StandardShortest(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::optional<double> StandardRead(std::string_view text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
        return {};
    }
    return value;
}

void ExpectSameText(double value) {
    const std::string standard = StandardShortest(value);
    ASSERT_EQ(PortableShortest(value), standard) << "bits " << BitCast<std::uint64_t>(value);
    const auto back = PortableRead(standard);
    ASSERT_TRUE(back.has_value()) << standard;
    ASSERT_EQ(BitCast<std::uint64_t>(*back), BitCast<std::uint64_t>(value)) << standard;
}

// Every kind of double a trace or a factor can hold and the edges of the
// choice between fixed and scientific: whole numbers past 2^53, powers of
// two (whose lower neighbours lie twice as close), powers of ten, subnormals.
TEST(PortableChars, ShortestTextAsToCharsOnEdges) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  0.1,
                                  0.3,
                                  2.01,
                                  4.58,
                                  0.15,
                                  1e-3,
                                  1e-4,
                                  1e4,
                                  1e5,
                                  1234e-7,
                                  1234e5,
                                  1234e6,
                                  123456,
                                  5e-324,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  9007199254740993.0,
                                  1180591620717411303424.0,
                                  1e22,
                                  1e23};
    for (int e = -1074; e <= 1023; ++e) {
        const double power = std::ldexp(1.0, e);
        values.insert(values.end(),
                      {power, std::nextafter(power, 0.0), std::nextafter(power, INFINITY), -power});
    }
    for (int e = -323; e <= 308; ++e)
        values.push_back(std::strtod(("1e" + std::to_string(e)).c_str(), nullptr));
    for (const double value : values) ExpectSameText(value);
}

TEST(PortableChars, ShortestTextAsToCharsOnRandomDoubles) {
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> score(0, 100);
    for (int i = 0; i < 50000; ++i) {
        ExpectSameText(score(random));  // means of scores, as in every trace
        const double any = BitCast<double>(random());
        if (std::isfinite(any)) ExpectSameText(any);
        ExpectSameText(static_cast<double>(random() >> (i % 64)));
    }
}

TEST(PortableChars, ReadsAsFromChars) {
    const char* texts[] = {"0",     "-0",    "1",    "1.",     ".5",       "-.5",   "2.01",
                           "1e5",   "1E-5",  "1e+5", "+1",     "",         "-",     ".",
                           "1e",    "1e+",   "e5",   " 1",     "1 ",       "0x10",  "1,5",
                           "1.2.3", "inf",   "-inf", "nan",    "Infinity", "1e400", "-1e400",
                           "0010",  "1_000", "--1",  "1e-310", "4.58abc"};
    for (const char* text : texts) {
        const auto standard = StandardRead(text);
        const auto portable = PortableRead(text);
        ASSERT_EQ(portable.has_value(), standard.has_value()) << "'" << text << "'";
        if (standard && !std::isnan(*standard)) {
            EXPECT_EQ(*portable, *standard) << text;
        }
    }
}

TEST(PortableChars, FixedAsToChars) {
    for (const double value : {0.0, -0.0, 0.125, 2.5, 3.5, -1.005, 1e21, 123.456, 1e-7}) {
        for (const int decimals : {0, 1, 2, 3, 6}) {
            std::array<char, 400> buffer{};
            const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                              std::chars_format::fixed, decimals);
            EXPECT_EQ(PortableFixed(value, decimals), std::string(buffer.data(), result.ptr))
                << value << " to " << decimals;
        }
    }
}

}  // namespace
}  // namespace velmora::research
