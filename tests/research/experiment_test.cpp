#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "research/batch_summary.h"
#include "research/experiment.h"
#include "research/experiment_files.h"
#include "research/number_format.h"
#include "research/run_rows.h"
#include "research/usage_error.h"

namespace velmora::research {
namespace {

TExperimentPlan Hypercube(std::uint64_t samples, std::uint32_t seed) {
    TExperimentPlan plan;
    plan.Design = TDesign::LatinHypercube;
    plan.Samples = samples;
    plan.Seed = seed;
    plan.Varied = {{FindFactor("bias-points"), {0.0, 5.0}, {}},
                   {FindFactor("turnover"), {0.05, 0.3}, {}},
                   {FindFactor("bias-ends"), {10.0, 60.4}, {}}};
    CompletePlan(plan);
    return plan;
}

TEST(Experiment, ALatinHypercubeHasOneSampleInEveryStratumOfEveryFactor) {
    constexpr std::uint64_t Samples = 25;
    const TExperimentPlan plan = Hypercube(Samples, 42);
    const auto& points = plan.Points;
    ASSERT_EQ(points.size(), Samples);
    for (std::size_t d = 0; d < 2; ++d) {
        const double low = std::get<double>(plan.Varied[d].Values[0]);
        const double high = std::get<double>(plan.Varied[d].Values[1]);
        std::set<std::uint64_t> strata;
        for (const TPoint& point : points) {
            const double at = (std::stod(point.Values[d]) - low) / (high - low) * Samples;
            strata.insert(static_cast<std::uint64_t>(std::floor(at)));
        }
        EXPECT_EQ(strata.size(), Samples) << d;
        EXPECT_LT(*strata.rbegin(), Samples);
    }
    // A whole factor's ends and samples are whole numbers.
    EXPECT_EQ(std::get<std::int64_t>(plan.Varied[2].Values[1]), 60);
    for (const TPoint& point : points) EXPECT_EQ(point.Values[2].find('.'), std::string::npos);
    // The same seed gives the same design; another seed another.
    EXPECT_EQ(Hypercube(Samples, 42).Points[7].Values, points[7].Values);
    EXPECT_NE(Hypercube(Samples, 43).Points[7].Values, points[7].Values);
}

// Plans a front end may ask for that cannot be played: each refusal names
// the factor at fault.
struct TBadPlanCase {
    const char* Name;
    void (*Change)(TExperimentPlan& plan);
    const char* Message;  // part of it, factors marked as <name>
};

void PrintTo(const TBadPlanCase& c, std::ostream* os) { *os << c.Name; }

class BadPlan : public ::testing::TestWithParam<TBadPlanCase> {};

TEST_P(BadPlan, IsRefusedSayingWhy) {
    TExperimentPlan plan;
    plan.Varied = {{FindFactor("turnover"), {0.1, 0.2}, {}}};
    GetParam().Change(plan);
    try {
        CompletePlan(plan);
        ADD_FAILURE() << "accepted";
    } catch (const TUsageError& error) {
        const std::string text =
            error.Worded([](std::string_view name) { return "<" + std::string(name) + ">"; });
        EXPECT_NE(text.find(GetParam().Message), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Experiment, BadPlan,
    ::testing::Values(
        TBadPlanCase{"fixed_and_varied", [](TExperimentPlan& p) { p.Fixed["turnover"] = 0.3; },
                     "<turnover> is both fixed and varied"},
        TBadPlanCase{"varied_twice", [](TExperimentPlan& p) { p.Varied.push_back(p.Varied[0]); },
                     "<turnover> is varied twice"},
        TBadPlanCase{"no_values", [](TExperimentPlan& p) { p.Varied[0].Values.clear(); },
                     "<turnover> needs at least one value"},
        TBadPlanCase{"a_value_out_of_range",
                     [](TExperimentPlan& p) { p.Varied[0].Values[1] = 2.0; },
                     "<turnover> must be a probability above 0"},
        TBadPlanCase{"a_sampled_design_without_samples",
                     [](TExperimentPlan& p) { p.Design = TDesign::LatinHypercube; }, "samples"},
        TBadPlanCase{"a_reversed_range",
                     [](TExperimentPlan& p) {
                         p.Design = TDesign::LatinHypercube;
                         p.Samples = 4;
                         p.Varied[0].Values = {0.2, 0.1};
                     },
                     "<turnover>: the range from 0.2 to 0.1 is empty or reversed"},
        TBadPlanCase{"a_sampled_text",
                     [](TExperimentPlan& p) {
                         p.Design = TDesign::LatinHypercube;
                         p.Samples = 4;
                         p.Varied[0] = {FindFactor("form"), {std::string("pyramid")}, {}};
                     },
                     "<form>: a sampled design varies only numeric factors"},
        TBadPlanCase{"shares_that_do_not_fit_a_point",
                     [](TExperimentPlan& p) {
                         p.Fixed["women-initial"] = std::vector<double>{0.1, 0.2};
                     },
                     "point 1: <women-initial> needs one share"},
        TBadPlanCase{"a_shard_beyond_the_count",
                     [](TExperimentPlan& p) {
                         p.Shard = {3, 2};
                     },
                     "3/2"},
        TBadPlanCase{"too_many_points",
                     [](TExperimentPlan& p) {
                         p.Varied[0].Values.assign(1000, 0.1);
                         p.Varied.push_back({FindFactor("bias-points"), {}, {}});
                         p.Varied[1].Values.assign(1000, 1.0);
                     },
                     "1000000 points"}),
    [](const auto& info) { return std::string(info.param.Name); });

// A merge rebuilds the plan from what experiment.json records; the rebuilt
// plan must write the same files, also where a factor given at its default
// overrides a varied one.
TEST(Experiment, APlanReadBackFromItsRecordWritesTheSameFiles) {
    const auto points = [](const TExperimentPlan& plan) {
        std::string text;
        PointsCsv(plan, [&](std::string_view part) { text += part; });
        return text;
    };
    std::vector<std::pair<TExperimentPlan, std::vector<std::string>>> plans(3);
    plans[0].first.Fixed = {{"turnover-women", 0.15}};
    plans[0].first.Varied = {{FindFactor("turnover"), {0.1, 0.2}, {"0.10", "0.2"}}};
    plans[0].second = {"--turnover-women=0.15", "--vary=turnover=0.10,0.2"};
    plans[1].first.Fixed = {{"levels", std::vector<double>{10, 5}},
                            {"form", std::string("rectangle")}};
    plans[1].first.Varied = {
        {FindFactor("women-initial"), {0.1, std::vector<double>{0.2, 0.3}}, {}}};
    plans[1].second = {"--form=rectangle", "--levels=10,5"};
    plans[2].first = Hypercube(6, 9);
    plans[2].first.Seeds = TSeedScheme::Independent;
    plans[2].first.Shard = {2, 3};
    for (auto& [plan, arguments] : plans) {
        plan.Replications = 3;
        CompletePlan(plan);
        const std::string json = ExperimentJson(plan, arguments, true, false);
        const TStoredExperiment stored = ReadExperiment(json);
        EXPECT_EQ(ExperimentJson(stored.Plan, stored.Arguments, stored.TracePeriods, false), json);
        EXPECT_EQ(points(stored.Plan), points(plan));
    }
}

TEST(Experiment, ShardsPlayEveryRunOnceWithItsSeed) {
    TExperimentPlan plan;
    plan.Points.resize(3);
    plan.Replications = 4;
    plan.Seed = 4294967295u;
    std::set<std::uint64_t> seen;
    for (std::uint64_t k = 1; k <= 5; ++k) {
        plan.Shard = {k, 5};
        for (std::uint64_t n = 1; n <= plan.ShardRuns(); ++n) {
            const TRunPlace place = plan.Place(n);
            EXPECT_TRUE(seen.insert(place.Global).second);
            EXPECT_EQ(place.Seed, static_cast<std::uint32_t>(plan.Seed + place.Replication - 1));
        }
    }
    EXPECT_EQ(seen.size(), 12u);
    plan.Seeds = TSeedScheme::Independent;
    EXPECT_EQ(plan.PlaceOfGlobal(12).Seed, 10u);
}

// A runs.csv row of level 2 of the pyramid (350 positions), period limit 50.
struct TRunRowCase {
    const char* Name;
    std::int32_t Size, Women;
    double Mean;
    std::int32_t Periods;
    int Finished;
    const char* Problem;  // part of the message; empty: the row is sound
};

void PrintTo(const TRunRowCase& c, std::ostream* os) { *os << c.Name; }

class RunRows : public ::testing::TestWithParam<TRunRowCase> {};

TEST_P(RunRows, AgreeWithThePlanOrSayWhy) {
    const TRunRowCase& c = GetParam();
    TRunSettings settings;
    settings.MaxPeriods = 50;
    const std::string problem =
        RunRowProblem(settings, 2, c.Size, c.Women, c.Mean, c.Periods, c.Finished);
    if (std::string(c.Problem).empty()) {
        EXPECT_EQ(problem, "");
    } else {
        EXPECT_NE(problem.find(c.Problem), std::string::npos) << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Experiment, RunRows,
    ::testing::Values(TRunRowCase{"finished", 350, 175, 50.5, 31, 1, ""},
                      TRunRowCase{"cut_off", 350, 0, 50.5, 50, 0, ""},
                      TRunRowCase{"all_women", 350, 350, 50.5, 50, 0, ""},
                      TRunRowCase{"size_not_planned", 349, 10, 50.5, 50, 0, "size 349"},
                      TRunRowCase{"negative_size", -7, 0, 50.5, 50, 0, "size -7"},
                      TRunRowCase{"more_women_than_places", 350, 351, 50.5, 50, 0, "351 women"},
                      TRunRowCase{"negative_women", 350, -1, 50.5, 50, 0, "-1 women"},
                      TRunRowCase{"infinite_mean", 350, 1, INFINITY, 50, 0, "mean"},
                      TRunRowCase{"no_number_mean", 350, 1, NAN, 50, 0, "mean"},
                      TRunRowCase{"finished_2", 350, 1, 50.0, 50, 2, "finished is 2"},
                      TRunRowCase{"no_periods", 350, 1, 50.0, 0, 1, "0 periods"},
                      TRunRowCase{"beyond_the_limit", 350, 1, 50.0, 51, 1, "51 periods"},
                      TRunRowCase{"cut_off_early", 350, 1, 50.0, 49, 0, "after 49"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Experiment, TraceRowsFollowPeriodsAndLevels) {
    const TRunSettings settings;  // the pyramid: level 8 has 10 positions
    EXPECT_EQ(TraceRowProblem(settings, 3, 8, 3, 8, 10, 51.0), "");
    EXPECT_NE(TraceRowProblem(settings, 3, 8, 4, 8, 10, 51.0), "");
    EXPECT_NE(TraceRowProblem(settings, 3, 8, 3, 7, 10, 51.0), "");
    EXPECT_NE(TraceRowProblem(settings, 3, 8, 3, 8, 11, 51.0), "");
    EXPECT_NE(TraceRowProblem(settings, 3, 8, 3, 8, 1, NAN), "");
}

TEST(Experiment, ShardNumbersReadBackAreChecked) {
    const auto json = [](const std::string& shard) {
        return "{\"shard\": " + shard + ", \"complete\": true}";
    };
    EXPECT_EQ(ReadExperimentState(json("{\"index\": 2, \"count\": 3}")).Shard.Index, 2u);
    for (const char* bad :
         {"{\"index\": 0, \"count\": 3}", "{\"index\": 4, \"count\": 3}",
          "{\"index\": 1, \"count\": 0}", "{\"index\": -1, \"count\": 3}",
          "{\"index\": 1, \"count\": 1000000000}", "{\"index\": \"1\"}", "[1, 2]"}) {
        EXPECT_THROW(ReadExperimentState(json(bad)), std::runtime_error) << bad;
    }
}

TEST(Experiment, CompactSummariesGiveTheBitsOfWholeOnes) {
    TRunSettings settings;
    TBatchSummary whole;
    TPointSummaries compact({8, 8});
    for (int r = 0; r < 7; ++r) {
        TRunResult run;
        run.Point = 2;
        run.LevelSize = settings.Shape.Sizes;
        for (int k = 1; k <= 8; ++k) {
            run.FemaleCount[k] = (r * 37 + k * 11) % (run.LevelSize[k] + 1);
            run.MeanScore[k] = 50.0 + 0.1 * r - 0.37 * k;
        }
        run.Finished = r % 3 != 0;
        run.FinishedPeriod = 40 + r;
        whole.Add(run);
        compact.Add(run);
    }
    const TBatchSummary back = compact.At(1);
    EXPECT_EQ(back.Runs, whole.Runs);
    EXPECT_EQ(back.CutOff, whole.CutOff);
    EXPECT_EQ(back.PeriodsToCompletion.Max(), whole.PeriodsToCompletion.Max());
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(back.WomenShare[k].Mean(), whole.WomenShare[k].Mean());
        EXPECT_EQ(back.WomenShare[k].HalfWidth95(), whole.WomenShare[k].HalfWidth95());
        EXPECT_EQ(compact.WomenShare(1, k).StdDev(), whole.WomenShare[k].StdDev());
        EXPECT_EQ(back.MeanScore[k].StdDev(), whole.MeanScore[k].StdDev());
    }
    EXPECT_EQ(compact.At(0).Runs, 0u);
}

}  // namespace
}  // namespace velmora::research
