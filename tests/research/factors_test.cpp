#include "research/factors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "research/usage_error.h"

namespace velmora::research {
namespace {

// A page builds its controls from each factor's range: the ends it states
// must be the ones the check keeps.
TEST(FactorTable, EveryRangeIsTheOneItsCheckAccepts) {
    int ranged = 0;
    for (const TFactor& factor : Factors()) {
        SCOPED_TRACE(std::string(factor.Name));
        EXPECT_FALSE(factor.Label.empty());
        const TRange& range = factor.Range;
        if (range.High <= range.Low) continue;
        ++ranged;
        const bool whole = factor.Kind == TValueKind::Whole;
        const auto text = [&](double value) -> TFactorValue {
            if (whole) return static_cast<std::int64_t>(value);
            return value;
        };
        const double below = whole ? range.Low - 1 : std::nextafter(range.Low, -INFINITY);
        const double above = whole ? range.High + 1 : std::nextafter(range.High, INFINITY);
        TRunSettings settings;
        EXPECT_NO_THROW(factor.Set(settings, text(range.High)));
        EXPECT_THROW(factor.Set(settings, text(above)), TUsageError);
        EXPECT_THROW(factor.Set(settings, text(range.LowOpen ? range.Low : below)), TUsageError);
        if (!range.LowOpen) {
            EXPECT_NO_THROW(factor.Set(settings, text(range.Low)));
        }
    }
    EXPECT_EQ(ranged, 13);
}

// Values a front end may pass that the factor refuses: the refusal names
// the factor, what it accepts and the value, for each front end to word.
struct TRefusedCase {
    const char* Name;
    const char* Factor;
    TFactorValue Value;
    const char* Accepted;  // part of it
    const char* Given;
};

void PrintTo(const TRefusedCase& c, std::ostream* os) { *os << c.Name; }

class RefusedValue : public ::testing::TestWithParam<TRefusedCase> {};

TEST_P(RefusedValue, NamesTheFactorWhatItAcceptsAndTheValue) {
    const TRefusedCase& c = GetParam();
    TRunSettings settings;
    try {
        FindFactor(c.Factor)->Set(settings, c.Value);
        ADD_FAILURE() << "accepted";
    } catch (const TUsageError& error) {
        EXPECT_EQ(error.Name(), c.Factor);
        EXPECT_NE(error.Accepted().find(c.Accepted), std::string::npos) << error.Accepted();
        EXPECT_EQ(error.Given(), c.Given);
        EXPECT_EQ(error.Worded([](std::string_view n) { return "<" + std::string(n) + ">"; }),
                  "<" + std::string(c.Factor) + "> must be " + error.Accepted() + ", got '" +
                      c.Given + "'");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Factors, RefusedValue,
    ::testing::Values(
        TRefusedCase{"above_the_range", "turnover-women", 1.5, "above 0 and at most 1", "1.5"},
        TRefusedCase{"not_a_number", "score-sd-men", NAN, "0 to 1000", "nan"},
        TRefusedCase{"text_for_a_number", "bias-points", std::string("x"), "-1000", "x"},
        TRefusedCase{"a_fraction_of_periods", "bias-ends", 1.5, "whole number", "1.5"},
        TRefusedCase{"no_periods", "periods", std::int64_t{0}, "whole number", "0"},
        TRefusedCase{"one_level", "levels", std::vector<double>{10}, "2 to 16", "10"},
        TRefusedCase{"a_fraction_of_a_level", "levels", std::vector<double>{10, 2.5}, "whole",
                     "10,2.5"},
        TRefusedCase{"a_share_of_a_level", "women-initial", std::vector<double>{0.5, 2}, "share",
                     "2"},
        TRefusedCase{"an_unknown_form", "form", std::string("circle"), "pyramid", "circle"},
        TRefusedCase{"a_number_for_the_form", "form", 2.0, "pyramid", "2"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Factors, TakeTheValuesOfEveryKindAndOverrideInTheirOrder) {
    TRunSettings settings;
    FindFactor("levels")->Set(settings, std::vector<double>{20, 10, 5});
    FindFactor("women-initial")->Set(settings, 0.25);
    EXPECT_EQ(settings.Shape.Levels, 3);
    EXPECT_FALSE(settings.Form);
    EXPECT_EQ(settings.Params.WomenInitial[3], 0.25);
    EXPECT_EQ(settings.WomenInitialGiven, 0);
    FindFactor("women-initial")->Set(settings, std::vector<double>{0.1, 0.2, 0.3});
    EXPECT_EQ(settings.WomenInitialGiven, 3);
    FindFactor("bias")->Set(settings, std::int64_t{1});
    EXPECT_EQ(settings.BiasChoice, 0);
    FindFactor("bias-points")->Set(settings, std::int64_t{3});
    EXPECT_FALSE(settings.BiasChoice);
    EXPECT_EQ(settings.Params.Bias, 3.0);
    FindFactor("max-periods")->Set(settings, 70.0);
    EXPECT_EQ(settings.MaxPeriods, 70);
    // A number given to the window's bias choice points to the factor that takes it.
    try {
        FindFactor("bias")->Set(settings, 3.0);
        ADD_FAILURE() << "accepted";
    } catch (const TUsageError& error) {
        EXPECT_EQ(error.Worded([](std::string_view n) { return "--" + std::string(n); }),
                  "--bias takes the window's choices 1 (\"1%\") or 5 (\"5%\"), got '3'; for a "
                  "bonus of 3 score points use --bias-points 3");
    }
}

}  // namespace
}  // namespace velmora::research
