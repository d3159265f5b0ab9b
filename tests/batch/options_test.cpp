#include "batch/options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace velmora::batch {
namespace {

using ::testing::HasSubstr;

using TField = std::optional<std::string> TRawOptions::*;

struct TBadCase {
    const char* Name;
    TField Field;
    const char* Value;
    const char* Message;  // must name the option and what it accepts
};

const TBadCase BadCases[] = {
    {"form", &TRawOptions::Form, "triangle", "--form must be pyramid or rectangle"},
    {"form case", &TRawOptions::Form, "Pyramid", "--form must be"},
    {"bias", &TRawOptions::Bias, "3", "--bias must be 1 or 5"},
    {"bias points text", &TRawOptions::BiasPoints, "abc",
     "--bias-points must be a number from -1000 to 1000"},
    {"bias points nan", &TRawOptions::BiasPoints, "nan", "--bias-points"},
    {"bias points inf", &TRawOptions::BiasPoints, "inf", "--bias-points"},
    {"bias points large", &TRawOptions::BiasPoints, "1e6", "--bias-points"},
    {"runs zero", &TRawOptions::Runs, "0", "--runs must be a whole number from 1 to 4294967296"},
    {"runs negative", &TRawOptions::Runs, "-5", "--runs"},
    {"runs fraction", &TRawOptions::Runs, "2.5", "--runs"},
    {"runs too many", &TRawOptions::Runs, "4294967297", "--runs"},
    {"runs trailing", &TRawOptions::Runs, "10x", "--runs"},
    {"seed too big", &TRawOptions::Seed, "4294967296",
     "--seed must be a whole number from 0 to 4294967295"},
    {"seed negative", &TRawOptions::Seed, "-1", "--seed"},
    {"seed empty", &TRawOptions::Seed, "", "--seed"},
    {"threads zero", &TRawOptions::Threads, "0", "--threads must be a whole number from 1 to 256"},
    {"threads huge", &TRawOptions::Threads, "100000", "--threads"},
    {"turnover zero", &TRawOptions::Turnover, "0",
     "--turnover must be a probability above 0 and at most 1"},
    {"turnover above one", &TRawOptions::Turnover, "1.5", "--turnover"},
    {"turnover negative", &TRawOptions::Turnover, "-0.1", "--turnover"},
    {"women below zero", &TRawOptions::WomenHired, "-0.01",
     "--women-hired must be a probability from 0 to 1"},
    {"women above one", &TRawOptions::WomenHired, "1.01", "--women-hired"},
    {"women nan", &TRawOptions::WomenHired, "nan", "--women-hired"},
    {"max periods zero", &TRawOptions::MaxPeriods, "0",
     "--max-periods must be a whole number from 1 to 2147483647"},
    {"max periods big", &TRawOptions::MaxPeriods, "2147483648", "--max-periods"},
    {"format", &TRawOptions::Format, "xml", "--format must be table, csv or json"},
    {"trace empty", &TRawOptions::Trace, "", "--trace needs a file name"},
    {"plot stdout", &TRawOptions::Plot, "-", "--plot needs a file name"},
};

void ExpectRejected(const TRawOptions& raw, const std::string& message) {
    try {
        ValidateOptions(raw, 2);
        ADD_FAILURE() << "accepted";
    } catch (const TUsageError& error) {
        EXPECT_THAT(error.what(), HasSubstr(message));
        EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
    }
}

TEST(ValidateOptions, RejectsEveryBadValueNamingOptionAndAcceptedValues) {
    for (const TBadCase& c : BadCases) {
        SCOPED_TRACE(c.Name);
        TRawOptions raw;
        raw.*c.Field = std::string(c.Value);
        ExpectRejected(raw, c.Message);
    }
    TRawOptions same;
    same.Trace = std::string(BadCases[0].Value) + ".out";
    same.Plot = "./" + *same.Trace;
    ExpectRejected(same, "--trace and --plot must name different files");
}

TEST(ValidateOptions, DefaultsAreThoseOfTheWindow) {
    const TBatchOptions options = ValidateOptions(TRawOptions{}, 2);
    EXPECT_EQ(options.Settings.FormIndex, PyramidForm);
    EXPECT_EQ(options.Settings.BiasPoints(), 4.58);
    EXPECT_EQ(options.Settings.Params.DepartureProbability, 0.15);
    EXPECT_EQ(options.Settings.Params.WomanHireProbability, 0.5);
    EXPECT_EQ(options.Settings.MaxPeriods, 100000);
    EXPECT_EQ(options.Runs, 100u);
    EXPECT_TRUE(options.SeedFromClock);
    EXPECT_EQ(options.Threads, 2u);
    EXPECT_EQ(options.Format, TSummaryFormat::Table);
}

TEST(ValidateOptions, TakesEveryGoodValue) {
    TRawOptions raw;
    raw.Form = "rectangle";
    raw.Bias = "1";
    raw.Runs = "4294967296";
    raw.Seed = "4294967295";
    raw.Threads = "3";
    raw.Turnover = "1";
    raw.WomenHired = "0";
    raw.MaxPeriods = "7";
    raw.Format = "json";
    raw.Trace = "-";
    raw.Plot = "p.svg";
    const TBatchOptions options = ValidateOptions(raw, 2);
    EXPECT_EQ(options.Settings.FormIndex, RectangleForm);
    EXPECT_EQ(options.Settings.BiasPoints(), 2.01);
    EXPECT_EQ(options.Runs, 4294967296u);
    EXPECT_EQ(options.Seed, 4294967295u);
    EXPECT_FALSE(options.SeedFromClock);
    EXPECT_EQ(options.Threads, 3u);
    EXPECT_EQ(options.Settings.Params.DepartureProbability, 1.0);
    EXPECT_EQ(options.Settings.Params.WomanHireProbability, 0.0);
    EXPECT_EQ(options.Settings.MaxPeriods, 7);
    EXPECT_EQ(options.Format, TSummaryFormat::Json);

    raw.BiasPoints = "-2.5";  // overrides --bias
    EXPECT_EQ(ValidateOptions(raw, 2).Settings.BiasPoints(), -2.5);
    raw.BiasPoints = "-0";  // shown as "0" in summaries and plots
    EXPECT_FALSE(std::signbit(ValidateOptions(raw, 2).Settings.BiasPoints()));
    EXPECT_EQ(ValidateOptions(TRawOptions{}, 5000).Threads, MaxThreads);  // a very large machine
}

}  // namespace
}  // namespace velmora::batch
