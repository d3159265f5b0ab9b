#include "research/sensitivity_report.h"

#include <algorithm>
#include <cmath>

#include "research/number_format.h"
#include "research/svg_document.h"
#include "research/sweep_plot.h"

namespace velmora::research {

namespace {

constexpr double MarginLeft = 90;
constexpr double LegendWidth = 280;
constexpr double BarWidth = 26;
constexpr const char* FirstColour = "#1b9e77";
constexpr const char* FirstTint = "#a4d8c9";
constexpr const char* TotalColour = "#7570b3";
constexpr const char* TotalTint = "#c8c6e1";

void Fields(TCsvRow& row, const TIndexEstimate& estimate) {
    row.Number(estimate.Value).Number(estimate.Low).Number(estimate.High);
}

}  // namespace

std::vector<std::vector<TSobolIndices>> LevelSensitivity(const TExperimentPlan& plan,
                                                         const TPointSummaries& summaries) {
    if (plan.Design != TDesign::Sobol) return {};
    const TSaltelliDesign design(plan.Varied.size(), plan.Samples, plan.Seed);
    const int levels = MostLevels(plan);
    std::vector<std::vector<TSobolIndices>> indices;
    for (int k = 1; k <= levels; ++k) {
        TSaltelliOutputs outputs(plan.Varied.size(), plan.Samples);
        for (std::uint64_t p = 0; p < design.Points(); ++p) {
            outputs.Set(design.Slot(p), summaries.WomenShare(p, k).Mean());
        }
        // Every level's intervals from the same resamples.
        indices.push_back(SobolIndices(outputs, SensitivityResamples, plan.Seed));
    }
    return indices;
}

void SensitivityCsv(const TExperimentPlan& plan,
                    const std::vector<std::vector<TSobolIndices>>& indices, const TTextSink& sink) {
    std::string out =
        "level,factor,column,first_order,first_order_ci95_low,first_order_ci95_high,total_order,"
        "total_order_ci95_low,total_order_ci95_high\n";
    for (std::size_t k = 0; k < indices.size(); ++k) {
        for (std::size_t i = 0; i < indices[k].size(); ++i) {
            TCsvRow row(out);
            row.Whole(static_cast<std::int64_t>(k + 1))
                .Text(std::string(plan.Varied[i].Factor->Name))
                .Text(std::string(plan.Varied[i].Factor->Column));
            Fields(row, indices[k][i].First);
            Fields(row, indices[k][i].Total);
            row.End();
        }
    }
    sink(out);
}

void RenderSensitivityPlot(const TExperimentPlan& plan,
                           const std::vector<std::vector<TSobolIndices>>& indices,
                           const TTextSink& sink) {
    const std::size_t factors = plan.Varied.size();
    const double slot = std::max(150.0, 4.0 * BarWidth);
    const TPanelBox box{MarginLeft, 0, std::max(400.0, slot * static_cast<double>(factors)), 320};
    const double width = MarginLeft + box.Width + 40 + LegendWidth;
    std::vector<std::string> notes = PlanNotes(plan);
    notes.insert(notes.begin() + 1,
                 "Sobol indices of the share of women at the top level at the end of the run, "
                 "from the mean of each point's runs; bars: 95% bootstrap intervals (" +
                     std::to_string(SensitivityResamples) + " resamples of the base samples).");
    const TTextBlock heading =
        SvgHeading(MarginLeft, width - MarginLeft - 20,
                   "Which factor matters most for the share of women at the top level", notes);
    TPanelBox panel = box;
    panel.Top = heading.Bottom + 30;
    std::string out = SvgOpen(width, panel.Top + panel.Height + 120) + heading.Svg;
    out += SvgLegend(
        panel.Left + panel.Width + 40, panel.Top + 10, LegendWidth - 20,
        {{TMark::Bar, FirstColour, FirstTint, "first order: its effect alone (Saltelli 2010)"},
         {TMark::Bar, TotalColour, TotalTint, "total order: with every interaction (Jansen 1999)"},
         {TMark::Interval, "#333333", "", "95% bootstrap interval"}});
    const std::vector<TSobolIndices> none;
    const std::vector<TSobolIndices>& top = indices.empty() ? none : indices.back();
    double low = 0.0, high = 1.0;
    for (const TSobolIndices& index : top) {
        for (const TIndexEstimate* e : {&index.First, &index.Total}) {
            if (std::isfinite(e->Low)) low = std::min(low, e->Low);
            if (std::isfinite(e->High)) high = std::max(high, e->High);
        }
    }
    low = std::floor(low * 10.0 - 1e-9) / 10.0;
    high = std::ceil(high * 10.0 + 1e-9) / 10.0;
    const TScale x{0.0, static_cast<double>(std::max<std::size_t>(factors, 1)), panel.Left,
                   panel.Left + panel.Width};
    const TScale y{low, high, panel.Top + panel.Height, panel.Top};
    out += OpenPanel(panel, x, y, {}, NumberTicks(low, high, 6), "", "",
                     "Sobol index (share of the variance)");
    const double zero = y.Map(0.0);
    out += "<line x1=\"" + Fixed(panel.Left, 1) + "\" x2=\"" + Fixed(panel.Left + panel.Width, 1) +
           "\" y1=\"" + Fixed(zero, 1) + "\" y2=\"" + Fixed(zero, 1) + "\" stroke=\"#333\"/>\n";
    for (std::size_t i = 0; i < top.size(); ++i) {
        const double centre = x.Map(static_cast<double>(i) + 0.5);
        out += FittedText(centre, panel.Top + panel.Height + 18, slot - 10,
                          FactorCaption(*plan.Varied[i].Factor), 12, " text-anchor=\"middle\"")
                   .Svg;
        const std::pair<const TIndexEstimate*, double> bars[] = {{&top[i].First, -1.0},
                                                                 {&top[i].Total, 1.0}};
        for (const auto& [estimate, side] : bars) {
            const bool first = side < 0;
            const double left = centre + (first ? -BarWidth - 2 : 2);
            const double value = std::isfinite(estimate->Value) ? estimate->Value : 0.0;
            const double a = y.Map(y.Clamp(value));
            out += "<rect class=\"" + std::string(first ? "first" : "total") + "\" data-factor=\"" +
                   SvgEscaped(plan.Varied[i].Factor->Name) + "\" x=\"" + Fixed(left, 1) +
                   "\" y=\"" + Fixed(std::min(a, zero), 1) + "\" width=\"" + Fixed(BarWidth, 1) +
                   "\" height=\"" + Fixed(std::fabs(zero - a), 1) + "\" fill=\"" +
                   (first ? FirstTint : TotalTint) + "\" stroke=\"" +
                   (first ? FirstColour : TotalColour) + "\"/>\n";
            if (!std::isfinite(estimate->Low) || !std::isfinite(estimate->High)) continue;
            const std::string mid = Fixed(left + BarWidth / 2, 1);
            out += "<line class=\"interval\" x1=\"" + mid + "\" x2=\"" + mid + "\" y1=\"" +
                   Fixed(y.Map(y.Clamp(estimate->Low)), 1) + "\" y2=\"" +
                   Fixed(y.Map(y.Clamp(estimate->High)), 1) +
                   "\" stroke=\"#333\" stroke-width=\"1.5\"/>\n";
        }
    }
    sink(out + "</g>\n" + std::string(SvgClose));
}

}  // namespace velmora::research
