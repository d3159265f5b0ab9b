#include "batch/options.h"

#include "research/factors.h"
#include "research/number_format.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace velmora::batch {

using namespace velmora::research;
namespace {

using ::testing::HasSubstr;

struct TBadCase {
    const char* Name;
    const char* Option;  // without the dashes
    const char* Value;
    const char* Message;  // must name the option and what it accepts
};

const TBadCase BadCases[] = {
    {"form", "form", "triangle", "--form must be pyramid or rectangle"},
    {"bias", "bias", "ten", "--bias must be 1 or 5"},
    {"bias in points", "bias", "3", "for a bonus of 3 score points use --bias-points 3"},
    {"bias points text", "bias-points", "abc", "--bias-points must be a number from -1000 to 1000"},
    {"bias points nan", "bias-points", "nan", "--bias-points"},
    {"bias points inf", "bias-points", "inf", "--bias-points"},
    {"bias points large", "bias-points", "1e6", "--bias-points"},
    {"runs zero", "runs", "0", "--runs must be a whole number from 1 to 4294967296"},
    {"runs negative", "runs", "-5", "--runs"},
    {"runs fraction", "runs", "2.5", "--runs"},
    {"runs too many", "runs", "4294967297", "--runs"},
    {"runs trailing", "runs", "10x", "--runs"},
    {"seed too big", "seed", "4294967296", "--seed must be a whole number from 0 to 4294967295"},
    {"seed negative", "seed", "-1", "--seed"},
    {"seed empty", "seed", "", "--seed"},
    {"threads zero", "threads", "0", "--threads must be a whole number from 1 to 256"},
    {"threads huge", "threads", "100000", "--threads"},
    {"turnover zero", "turnover", "0", "--turnover must be a probability above 0 and at most 1"},
    {"turnover above one", "turnover", "1.5", "--turnover"},
    {"turnover negative", "turnover", "-0.1", "--turnover"},
    {"turnover of men", "turnover-men", "0", "--turnover-men must be a probability above 0"},
    {"turnover of women", "turnover-women", "2", "--turnover-women"},
    {"turnover slope", "turnover-slope", "101", "--turnover-slope must be a number from -100"},
    {"women below zero", "women-hired", "-0.01", "--women-hired must be a probability from 0 to 1"},
    {"women above one", "women-hired", "1.01", "--women-hired"},
    {"women nan", "women-hired", "nan", "--women-hired"},
    {"max periods zero", "max-periods", "0",
     "--max-periods must be a whole number from 1 to 2147483647"},
    {"max periods big", "max-periods", "2147483648", "--max-periods"},
    {"periods", "periods", "0", "--periods must be a whole number from 1"},
    {"bias ends", "bias-ends", "1.5", "--bias-ends must be a whole number from 1"},
    {"spread", "score-sd-women", "-1", "--score-sd-women must be a number from 0 to 1000"},
    {"one level", "levels", "10", "--levels must be 2 to 16 whole numbers"},
    {"empty level", "levels", "10,0,5", "--levels must be"},
    {"too many positions", "levels", "60000,40001", "--levels must be"},
    {"seventeen levels", "levels", "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1", "--levels must be"},
    {"initial share", "women-initial", "0.5,x", "--women-initial must be a share from 0 to 1"},
    {"shares per level", "women-initial", "0.1,0.2",
     "--women-initial needs one share, or one for each of the 8"},
    {"external hires", "external-hires", "1.1",
     "--external-hires must be a probability from 0 to 1"},
    {"format", "format", "xml", "--format must be table, csv or json"},
    {"trace empty", "trace", "", "--trace needs a file name"},
    {"plot stdout", "plot", "-", "--plot needs a file name"},
    {"plot not svg", "plot", "women.png", "--plot writes SVG: give a file name ending in .svg"},
};

void Set(TRawOptions& raw, const std::string& option, const std::string& value) {
    if (FindFactor(option) != nullptr) {
        raw.Factors[option] = value;
        return;
    }
    const std::map<std::string, std::optional<std::string> TRawOptions::*> others = {
        {"runs", &TRawOptions::Runs},       {"seed", &TRawOptions::Seed},
        {"threads", &TRawOptions::Threads}, {"trace", &TRawOptions::Trace},
        {"plot", &TRawOptions::Plot},       {"format", &TRawOptions::Format}};
    raw.*others.at(option) = value;
}

void ExpectRejected(const TRawOptions& raw, const std::string& message) {
    try {
        ValidateOptions(raw, 2);
        ADD_FAILURE() << "accepted";
    } catch (const TUsageError& error) {
        EXPECT_THAT(OptionWords(error), HasSubstr(message));
        EXPECT_EQ(OptionWords(error).find('\n'), std::string::npos);
    }
}

TEST(ValidateOptions, RejectsEveryBadValueNamingOptionAndAcceptedValues) {
    for (const TBadCase& c : BadCases) {
        SCOPED_TRACE(c.Name);
        TRawOptions raw;
        Set(raw, c.Option, c.Value);
        ExpectRejected(raw, c.Message);
    }
    TRawOptions same;
    same.Trace = std::string(BadCases[0].Value) + ".svg";
    same.Plot = "./" + *same.Trace;
    ExpectRejected(same, "--trace and --plot must name different files");
}

TEST(ValidateOptions, DefaultsAreThoseOfTheWindow) {
    const TBatchOptions options = ValidateOptions(TRawOptions{}, 2);
    EXPECT_EQ(options.Settings.Shape, PyramidShape);
    EXPECT_EQ(options.Settings.Params, TRunSettings::WindowDefaults());
    EXPECT_EQ(options.Settings.Params.Bias, 4.58);
    EXPECT_EQ(options.Settings.MaxPeriods, 100000);
    EXPECT_FALSE(options.Settings.Periods);
    EXPECT_EQ(options.Runs, 100u);
    EXPECT_TRUE(options.SeedFromClock);
    EXPECT_EQ(options.Threads, 2u);
    EXPECT_EQ(options.Format, TSummaryFormat::Table);
    EXPECT_EQ(ValidateOptions(TRawOptions{}, 5000).Threads, MaxThreads);  // a very large machine
}

TEST(ValidateOptions, TakesEveryGoodValueAndLaterFactorsOverrideEarlierOnes) {
    TRawOptions raw;
    for (const auto& [option, value] :
         std::vector<std::pair<std::string, std::string>>{{"form", "rectangle"},
                                                          {"bias", "1"},
                                                          {"runs", "4294967296"},
                                                          {"seed", "4294967295"},
                                                          {"threads", "3"},
                                                          {"turnover", "1"},
                                                          {"turnover-women", "0.2"},
                                                          {"women-hired", "0"},
                                                          {"max-periods", "7"},
                                                          {"format", "json"},
                                                          {"trace", "-"},
                                                          {"plot", "p.svg"},
                                                          {"levels", "6,4,2"},
                                                          {"women-initial", "0,0.5,1"},
                                                          {"bias-points", "-0"}}) {
        Set(raw, option, value);
    }
    const TBatchOptions options = ValidateOptions(raw, 2);
    const TRunSettings& settings = options.Settings;
    EXPECT_EQ(settings.Shape.Levels, 3);
    EXPECT_EQ(settings.Shape.Total(), 12);
    EXPECT_EQ(ShapeName(settings), "custom");
    EXPECT_EQ(FindFactor("women-initial")->Show(settings), "0,0.5,1");
    EXPECT_EQ(FindFactor("bias-points")->Show(settings), "0");
    EXPECT_EQ(FindFactor("bias")->Show(settings), "");
    EXPECT_EQ(settings.Params.TurnoverMen, 1.0);
    EXPECT_EQ(settings.Params.TurnoverWomen, 0.2);
    EXPECT_EQ(FindFactor("turnover")->Show(settings), "");
    EXPECT_EQ(settings.Params.WomenHired, 0.0);
    EXPECT_EQ(settings.MaxPeriods, 7);
    EXPECT_EQ(options.Runs, 4294967296u);
    EXPECT_EQ(options.Seed, 4294967295u);
    EXPECT_FALSE(options.SeedFromClock);
    EXPECT_EQ(options.Threads, 3u);
    EXPECT_EQ(options.Format, TSummaryFormat::Json);
}

}  // namespace
}  // namespace velmora::batch

namespace velmora::batch {

using namespace velmora::research;
namespace {}  // namespace
}  // namespace velmora::batch
