#include "research/sweep_plot.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "research/number_format.h"
#include "research/svg_colours.h"
#include "research/svg_document.h"
#include "research/svg_scale.h"

namespace velmora::research {

namespace {

constexpr std::size_t MaxAcross = 6;
constexpr std::size_t MaxDown = 6;
constexpr std::size_t Bins = 10;
constexpr std::string_view EndShare = "share of women at the end of the run";

// Where the points stand on the x axis: the first varied factor's values,
// at their numbers when every one is a number, else side by side in order.
struct TAxis {
    std::vector<std::string> Labels;                     // distinct values in order of appearance
    std::unordered_map<std::string, std::size_t> Index;  // of each label
    bool Numeric = true;

    void Add(const std::string& value) {
        if (Index.emplace(value, Labels.size()).second) Labels.push_back(value);
        Numeric = Numeric && ReadNumber(value).has_value();
    }
    double Position(const std::string& value) const {
        if (Numeric) return *ReadNumber(value);
        return static_cast<double>(Index.at(value));
    }
    TScale Scale(double left, double right) const {
        double low = 0, high = std::max<double>(1.0, static_cast<double>(Labels.size()) - 1);
        if (Numeric) {
            low = high = Position(Labels.front());
            for (const std::string& label : Labels) {
                low = std::min(low, Position(label));
                high = std::max(high, Position(label));
            }
            if (high == low) {
                low -= 1;
                high += 1;
            }
        } else {
            low = -0.5;
            high += 0.5;
        }
        return {low, high, left, right};
    }
    TTicks Ticks(const TScale& x) const {
        if (Numeric) return NumberTicks(x.From, x.To, 6);
        TTicks ticks;
        for (const std::string& label : Labels) ticks.emplace_back(Position(label), label);
        return ticks;
    }
};

struct TPanel {
    std::string Title;
    std::vector<std::size_t> Points;  // indices, in order of the x axis
};

TTicks ShareTicks() { return NumberTicks(0.0, 1.0, 5); }

std::vector<TLegendEntry> LevelLegend(int levels, TMark mark) {
    std::vector<TLegendEntry> entries;
    for (int k = levels; k >= 1; --k) {
        entries.push_back({mark, Colour(k, levels), Tint(k, levels), LevelName(k, levels)});
    }
    return entries;
}

// The x value of a point; the point's number when nothing is varied.
const std::string& XValue(const TPoint& point) {
    static const std::string one = "1";
    return point.Values.empty() ? one : point.Values[0];
}

void GridPanel(std::string& out, const TPanel& panel, const TAxis& axis,
               const TExperimentPlan& plan, const TPointSummaries& summaries, const TPanelBox& box,
               int levels, const TTextSink& sink) {
    const TScale x = axis.Scale(box.Left + 10, box.Left + box.Width - 10);
    const TScale y{0.0, 1.0, box.Top + box.Height, box.Top};
    out += OpenPanel(box, x, y, axis.Ticks(x), ShareTicks(), panel.Title,
                     FactorCaption(*plan.Varied[0].Factor), EndShare);
    for (int k = 1; k <= levels; ++k) {
        TBandLine band;
        for (const std::size_t p : panel.Points) {
            if (k > plan.Points[p].Settings.Shape.Levels) continue;
            const TRunningStats stats = summaries.WomenShare(p, k);
            const double px = x.Map(axis.Position(XValue(plan.Points[p])));
            band.Add(px, y, stats.Mean(), BandHalfWidth(stats));
            out += "<circle cx=\"" + Fixed(px, 1) + "\" cy=\"" + Fixed(y.Map(stats.Mean()), 1) +
                   "\" r=\"2.5\" fill=\"" + Colour(k, levels) + "\"/>\n";
            PassOn(out, sink);
        }
        const std::string data = " data-level=\"" + std::to_string(k) + "\"";
        out += BandPath("band", band.Upper, band.Lower, Tint(k, levels), data);
        out += LinePath("series", band.Line, Colour(k, levels), data);
    }
    out += "</g>\n";
}

// "bias on men's scores (score points) = 2".
std::string Equals(const TVaried& varied, const std::string& value) {
    return FactorCaption(*varied.Factor) + " = " + value;
}

// The values of a varied factor that get panels, at most `most`, and what
// the picture says of the rest.
std::vector<std::string> Shown(const TVaried& varied, std::size_t most,
                               std::vector<std::string>& notes) {
    std::vector<std::string> values;
    for (std::size_t i = 0; i < varied.Values.size(); ++i) values.push_back(varied.Label(i));
    if (values.size() > most) {
        notes.push_back("Panels show the first " + std::to_string(most) + " of " +
                        std::to_string(values.size()) + " values of " +
                        FactorCaption(*varied.Factor) + "; summary.csv holds every point.");
        values.resize(most);
    }
    return values;
}

void RenderGrid(const TExperimentPlan& plan, const TPointSummaries& summaries,
                const TTextSink& sink) {
    const int levels = MostLevels(plan);
    std::vector<std::string> notes = PlanNotes(plan);
    const std::vector<TVaried>& varied = plan.Varied;
    std::vector<std::string> across{""}, down{""};
    if (varied.size() > 1) across = Shown(varied[1], MaxAcross, notes);
    if (varied.size() > 2) down = Shown(varied[2], MaxDown, notes);
    for (std::size_t d = 3; d < varied.size(); ++d) {
        notes.push_back(Equals(varied[d], varied[d].Label(0)) + " throughout (the first of its " +
                        std::to_string(varied[d].Values.size()) + " values).");
    }
    TAxis axis;
    std::vector<TPanel> panels(across.size() * down.size());
    for (std::size_t c = 0; c < across.size(); ++c) {
        for (std::size_t r = 0; r < down.size(); ++r) {
            std::string& title = panels[r * across.size() + c].Title;
            if (varied.size() > 1) title = Equals(varied[1], across[c]);
            if (varied.size() > 2) title += "; " + Equals(varied[2], down[r]);
        }
    }
    const auto at = [](const std::vector<std::string>& values, const std::string& value) {
        return static_cast<std::size_t>(std::find(values.begin(), values.end(), value) -
                                        values.begin());
    };
    for (std::size_t p = 0; p < plan.Points.size(); ++p) {
        const std::vector<std::string>& values = plan.Points[p].Values;
        bool shown = true;
        for (std::size_t d = 3; d < values.size(); ++d) {
            shown = shown && values[d] == varied[d].Label(0);
        }
        const std::size_t c = values.size() > 1 ? at(across, values[1]) : 0;
        const std::size_t r = values.size() > 2 ? at(down, values[2]) : 0;
        if (!shown || c == across.size() || r == down.size()) continue;
        axis.Add(XValue(plan.Points[p]));
        panels[r * across.size() + c].Points.push_back(p);
    }
    for (TPanel& panel : panels) {
        std::stable_sort(panel.Points.begin(), panel.Points.end(), [&](auto a, auto b) {
            return axis.Position(XValue(plan.Points[a])) < axis.Position(XValue(plan.Points[b]));
        });
    }
    TPanelLayout layout;
    // Panels of one further factor wrap after three; a third factor goes down.
    const bool wrap = varied.size() < 3;
    layout.Columns = wrap ? std::min<std::size_t>(panels.size(), 3) : across.size();
    layout.Rows = wrap ? (panels.size() + layout.Columns - 1) / layout.Columns : down.size();
    if (layout.Columns > 3 || layout.Rows > 2) layout.Panel = {0, 0, 300, 230};
    std::vector<TLegendEntry> legend = LevelLegend(levels, TMark::LineAndBand);
    legend.push_back({TMark::Band, "", "#eeeeee", "bands: 95% confidence interval of the mean"});
    const std::string title =
        "Share of women per level at the end of the runs, by " + FactorCaption(*varied[0].Factor);
    std::string out = OpenPicture(layout, title, notes, legend);
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const TPanelBox box = wrap ? layout.Box(i % layout.Columns, i / layout.Columns)
                                   : layout.Box(i % across.size(), i / across.size());
        GridPanel(out, panels[i], axis, plan, summaries, box, levels, sink);
    }
    sink(out + std::string(SvgClose));
}

// A hypercube or a Sobol design: per factor, every point and the mean of
// each tenth of the factor's range.
void RenderScatter(const TExperimentPlan& plan, const TPointSummaries& summaries,
                   const TTextSink& sink) {
    const int levels = MostLevels(plan);
    TPanelLayout layout;
    layout.Columns = std::min<std::size_t>(plan.Varied.size(), 3);
    layout.Rows = (plan.Varied.size() + layout.Columns - 1) / layout.Columns;
    std::vector<TLegendEntry> legend = LevelLegend(levels, TMark::LineAndBand);
    legend.push_back({TMark::Dot, "#666666", "", "one point: the mean of its runs"});
    legend.push_back({TMark::LineAndBand, "#666666", "#cccccc",
                      "mean of the points in each tenth of the range, with its 95% interval"});
    std::string out = OpenPicture(
        layout, "Share of women per level at the end of the runs, by each varied factor",
        PlanNotes(plan), legend);
    for (std::size_t d = 0; d < plan.Varied.size(); ++d) {
        const TVaried& varied = plan.Varied[d];
        const TPanelBox box = layout.Box(d % layout.Columns, d / layout.Columns);
        const double low = *ReadNumber(varied.Label(0));
        const double high = *ReadNumber(varied.Label(1));
        const TScale x{low, high, box.Left + 6, box.Left + box.Width - 6};
        const TScale y{0.0, 1.0, box.Top + box.Height, box.Top};
        out += OpenPanel(box, x, y, NumberTicks(low, high, 6), ShareTicks(), "",
                         FactorCaption(*varied.Factor), EndShare);
        // Many points fade, so that the binned means stay in sight above them.
        const std::string opacity = Fixed(
            std::clamp(12.0 / std::sqrt(static_cast<double>(plan.Points.size())), 0.1, 0.5), 2);
        std::vector<std::vector<TRunningStats>> bins(static_cast<std::size_t>(levels) + 1,
                                                     std::vector<TRunningStats>(Bins));
        for (int k = 1; k <= levels; ++k) {
            const std::string data = " data-level=\"" + std::to_string(k) + "\"";
            for (std::size_t p = 0; p < plan.Points.size(); ++p) {
                if (k > plan.Points[p].Settings.Shape.Levels) continue;
                const double value = *ReadNumber(plan.Points[p].Values[d]);
                const double share = summaries.WomenShare(p, k).Mean();
                const auto bin = static_cast<std::size_t>(
                    std::clamp((value - low) / (high - low) * Bins, 0.0, Bins - 1.0));
                bins[static_cast<std::size_t>(k)][bin].Add(share);
                out += "<circle class=\"point\"" + data + " cx=\"" + Fixed(x.Map(value), 1) +
                       "\" cy=\"" + Fixed(y.Map(share), 1) + "\" r=\"1.8\" fill=\"" +
                       Colour(k, levels) + "\" fill-opacity=\"" + opacity + "\"/>\n";
                PassOn(out, sink);
            }
        }
        for (int k = 1; k <= levels; ++k) {
            const std::string data = " data-level=\"" + std::to_string(k) + "\"";
            std::vector<std::string> line, upper, lower;
            for (std::size_t b = 0; b < Bins; ++b) {
                const TRunningStats& bin = bins[static_cast<std::size_t>(k)][b];
                if (bin.Count() == 0) continue;
                const double px = x.Map(low + (high - low) * (static_cast<double>(b) + 0.5) / Bins);
                const double half = BandHalfWidth(bin);
                line.push_back(SvgPoint(px, y.Map(bin.Mean())));
                upper.push_back(SvgPoint(px, y.Map(y.Clamp(bin.Mean() + half))));
                lower.push_back(SvgPoint(px, y.Map(y.Clamp(bin.Mean() - half))));
            }
            out += BandPath("band", upper, lower, Tint(k, levels), data);
            out += LinePath("binned", line, Colour(k, levels), data);
        }
        out += "</g>\n";
    }
    sink(out + std::string(SvgClose));
}

// One point and no varied factor: each level's share with its interval.
void RenderLevels(const TExperimentPlan& plan, const TPointSummaries& summaries,
                  const TTextSink& sink) {
    const int levels = MostLevels(plan);
    const TBatchSummary summary = summaries.At(0);
    TPanelLayout layout;
    const std::vector<TLegendEntry> legend = {{TMark::Interval, "#666666", "#b4b4b4",
                                               "dot: mean over the runs; bar: its 95% confidence "
                                               "interval"}};
    std::string out = OpenPicture(layout, "Share of women per level at the end of the runs",
                                  PlanNotes(plan), legend);
    const TPanelBox box = layout.Box(0, 0);
    const TScale x{0.5, levels + 0.5, box.Left, box.Left + box.Width};
    const TScale y{0.0, 1.0, box.Top + box.Height, box.Top};
    TTicks ticks;
    for (int k = 1; k <= levels; ++k) ticks.emplace_back(k, std::to_string(k));
    out += OpenPanel(box, x, y, ticks, ShareTicks(), "", "level (1: bottom)", EndShare);
    for (int k = 1; k <= levels; ++k) {
        const TRunningStats& stats = summary.WomenShare[k];
        const double half = BandHalfWidth(stats);
        const std::string px = Fixed(x.Map(k), 1);
        out += "<line class=\"interval\" data-level=\"" + std::to_string(k) + "\" x1=\"" + px +
               "\" x2=\"" + px + "\" y1=\"" + Fixed(y.Map(y.Clamp(stats.Mean() - half)), 1) +
               "\" y2=\"" + Fixed(y.Map(y.Clamp(stats.Mean() + half)), 1) + "\" stroke=\"" +
               Tint(k, levels) + "\" stroke-width=\"6\"/>\n";
        out += "<circle cx=\"" + px + "\" cy=\"" + Fixed(y.Map(y.Clamp(stats.Mean())), 1) +
               "\" r=\"4\" fill=\"" + Colour(k, levels) + "\"/>\n";
    }
    sink(out + "</g>\n" + std::string(SvgClose));
}

}  // namespace

std::string FactorCaption(const TFactor& factor) {
    return std::string(factor.Caption.empty() ? factor.Name : factor.Caption);
}

std::vector<std::string> PlanNotes(const TExperimentPlan& plan) {
    std::string runs = std::to_string(plan.Replications) + " runs";
    if (!plan.Varied.empty()) {
        const std::string design = plan.Design == TDesign::Grid ? ""
                                   : plan.Design == TDesign::LatinHypercube
                                       ? " of a Latin hypercube"
                                       : " of a Sobol design (" + std::to_string(plan.Samples) +
                                             " base samples, Saltelli's scheme)";
        runs = std::to_string(plan.Points.size()) + " points" + design + ", " + runs + " each";
    }
    runs += " from seed " + std::to_string(plan.Seed) + ".";
    std::vector<std::string> notes{runs};
    if (!plan.Fixed.empty()) {
        std::string fixed = "Given for every point:";
        const char* comma = " ";
        for (const TFactor& factor : Factors()) {
            const auto given = plan.Fixed.find(factor.Name);
            if (given == plan.Fixed.end()) continue;
            fixed += comma + FactorCaption(factor) + " = " + ValueText(given->second);
            comma = "; ";
        }
        notes.push_back(fixed + ".");
    }
    return notes;
}

void RenderSweepPlot(const TExperimentPlan& plan, const TPointSummaries& summaries,
                     const TTextSink& sink) {
    if (plan.Varied.empty()) return RenderLevels(plan, summaries, sink);
    if (plan.Design == TDesign::Grid) return RenderGrid(plan, summaries, sink);
    RenderScatter(plan, summaries, sink);
}

}  // namespace velmora::research
