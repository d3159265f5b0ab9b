#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "research/experiment.h"
#include "research/sensitivity_report.h"
#include "research/sweep_plot.h"
#include "research/trajectory_plot.h"

namespace velmora::research {
namespace {

// A plan of these varied factors, each given as NAME and values (a grid) or
// NAME and its two ends (a sampled design), with two runs of every point.
struct TPlanned {
    TExperimentPlan Plan;
    TPointSummaries Summaries;
    TPointTrajectories Trajectories;
};

TPlanned Planned(const std::vector<std::pair<const char*, std::vector<std::string>>>& varied,
                 TDesign design = TDesign::Grid, std::uint64_t samples = 0) {
    TExperimentPlan plan;
    for (const auto& [name, texts] : varied) {
        TVaried v{FindFactor(name), {}, texts};
        for (const std::string& text : texts) v.Values.push_back(ReadFactorValue(*v.Factor, text));
        plan.Varied.push_back(std::move(v));
    }
    plan.Design = design;
    plan.Samples = samples;
    plan.Replications = 2;
    plan.Seed = 9;
    CompletePlan(plan);
    TPlanned planned{plan, TPointSummaries(PointLevels(plan)),
                     TPointTrajectories(PointLevels(plan))};
    // Runs whose shares differ by point, replication and period.
    for (std::uint64_t p = 1; p <= plan.Points.size(); ++p) {
        for (std::uint64_t r = 1; r <= 2; ++r) {
            TRunResult run;
            run.Point = p;
            run.Levels = 8;
            std::vector<TLevelShares> shares(3 + r);
            for (int k = 1; k <= 8; ++k) {
                run.LevelSize[k] = 20;
                run.FemaleCount[k] = static_cast<std::int32_t>((p * 3 + r * 5 + k) % 20);
                for (std::size_t t = 0; t < shares.size(); ++t) {
                    shares[t][k] = static_cast<double>((p + t + k + r) % 10) / 10;
                }
            }
            planned.Summaries.Add(run);
            planned.Trajectories.Add(p, shares);
        }
    }
    return planned;
}

std::string Svg(const std::function<void(const TTextSink&)>& render) {
    std::string text;
    render([&](std::string_view part) { text += part; });
    return text;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The words a picture shows, its lines of text joined by spaces, so that a
// wrapped text reads as one.
std::string Shown(const std::string& svg) {
    std::string words;
    for (std::size_t at = svg.find("<text"); at != std::string::npos;
         at = svg.find("<text", at + 1)) {
        const std::size_t from = svg.find('>', at) + 1;
        words += svg.substr(from, svg.find("</text>", from) - from) + " ";
    }
    return words;
}

// What a picture must hold: how many panels and of which series, and texts.
struct TPictureCase {
    std::string Name;
    std::function<std::string()> Render;
    std::size_t Panels;
    std::vector<std::pair<std::string, std::size_t>> Elements;  // a part of an element, how many
    std::vector<std::string> Texts;
};

void PrintTo(const TPictureCase& c, std::ostream* out) { *out << c.Name; }

class Pictures : public testing::TestWithParam<TPictureCase> {};

TEST_P(Pictures, HoldTheirPanelsSeriesAndLabels) {
    const TPictureCase& c = GetParam();
    const std::string svg = c.Render();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_EQ(Count(svg, "<svg "), 1u);
    EXPECT_EQ(Count(svg, "</svg>"), 1u);
    EXPECT_EQ(Count(svg, "<g "), Count(svg, "</g>"));
    EXPECT_EQ(Count(svg, "class=\"panel\""), c.Panels);
    EXPECT_EQ(Count(svg, "class=\"legend\""), 1u);
    for (const auto& [element, count] : c.Elements)
        EXPECT_EQ(Count(svg, element), count) << element;
    const std::string shown = Shown(svg);
    for (const std::string& text : c.Texts) EXPECT_NE(shown.find(text), std::string::npos) << text;
}

std::string Sweep(const TPlanned& planned) {
    return Svg(
        [&](const TTextSink& sink) { RenderSweepPlot(planned.Plan, planned.Summaries, sink); });
}

const std::vector<std::string> Three = {"0", "2", "4"};

INSTANTIATE_TEST_SUITE_P(
    Research, Pictures,
    testing::Values(
        // Three factors: the second across, the third down, each panel a line per level.
        TPictureCase{"GridOfThreeFactors",
                     [] {
                         return Sweep(Planned({{"bias-points", Three},
                                               {"turnover", {"0.1", "0.2"}},
                                               {"score-sd-women", {"8", "10", "12"}}}));
                     },
                     6,
                     {{"class=\"series\"", 6 * 8}, {"class=\"band\"", 6 * 8}},
                     {"turnover (share leaving per period) = 0.2; spread of women's",
                      "bias on men's scores (score points)", "share of women at the end of the run",
                      "Level 8 (top)"}},
        // Beyond six values, and a fourth factor: the picture says what it leaves out.
        TPictureCase{"GridThatLeavesValuesOut",
                     [] {
                         return Sweep(Planned(
                             {{"bias-points", Three},
                              {"turnover", {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7"}},
                              {"women-hired", {"0.4"}},
                              {"external-hires", {"0", "0.5"}}}));
                     },
                     6,
                     {{"class=\"series\"", 6 * 8}},
                     {"first 6 of 7 values of turnover",
                      "outside hires (share of vacancies above level 1) = 0 throughout"}},
        // A hypercube: a scatter per factor with a binned mean and band per level.
        TPictureCase{
            "HypercubeScatter",
            [] {
                return Sweep(Planned({{"bias-points", {"0", "5"}}, {"turnover", {"0.05", "0.3"}}},
                                     TDesign::LatinHypercube, 30));
            },
            2,
            {{"class=\"point\"", 2 * 30 * 8},
             {"class=\"binned\"", 2 * 8},
             {"class=\"band\"", 2 * 8}},
            {"each tenth of the range", "one point: the mean of its runs", "Latin hypercube"}},
        // Trajectories: a panel per level, top first, a line per value of the first factor.
        TPictureCase{"TrajectoriesPerLevel",
                     [] {
                         const TPlanned planned = Planned(
                             {{"bias-ends", {"10", "20", "40"}}, {"turnover", {"0.1", "0.2"}}});
                         return Svg([&](const TTextSink& sink) {
                             RenderTrajectoryPlot(planned.Plan, planned.Trajectories, sink);
                         });
                     },
                     8,
                     {{"class=\"series\"", 8 * 3}, {"class=\"band\"", 8 * 3}},
                     {"Level 8 (top)", "bias ends (period) = 40",
                      "turnover (share leaving per period) = 0.1 throughout",
                      "held at its final state", "period"}},
        // Sobol indices: two bars per factor with their intervals.
        TPictureCase{"SensitivityBars",
                     [] {
                         const TPlanned planned = Planned({{"bias-points", {"0", "5"}},
                                                           {"turnover", {"0.05", "0.3"}},
                                                           {"score-sd-women", {"8", "12"}}},
                                                          TDesign::Sobol, 20);
                         const auto indices = LevelSensitivity(planned.Plan, planned.Summaries);
                         return Svg([&](const TTextSink& sink) {
                             RenderSensitivityPlot(planned.Plan, indices, sink);
                         });
                     },
                     1,
                     {{"class=\"first\"", 3}, {"class=\"total\"", 3}, {"class=\"interval\"", 6}},
                     {"first order", "total order", "Sobol design (20 base samples",
                      "spread of women's scores"}}),
    [](const testing::TestParamInfo<TPictureCase>& info) { return info.param.Name; });

// Text of a factor or a value reaches the picture escaped.
TEST(Pictures, EscapeTheirTexts) {
    TPlanned planned = Planned({{"form", {"pyramid", "rectangle"}}});
    planned.Plan.Fixed["women-hired"] = std::string("0.5<&>");
    const std::string svg = Sweep(planned);
    EXPECT_NE(svg.find("0.5&lt;&amp;&gt;"), std::string::npos);
    EXPECT_EQ(svg.find("0.5<&>"), std::string::npos);
}

}  // namespace
}  // namespace velmora::research
