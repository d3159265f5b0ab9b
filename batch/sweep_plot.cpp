#include "batch/sweep_plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "batch/number_format.h"
#include "batch/svg_colours.h"
#include "batch/svg_scale.h"

namespace velmora::batch {

namespace {

constexpr std::size_t MaxPanels = 6;
constexpr double PanelWidth = 400;
constexpr double PanelHeight = 300;
constexpr double MarginLeft = 70;
constexpr double MarginTop = 110;
constexpr double GapX = 40;
constexpr double GapY = 70;
constexpr double LegendWidth = 170;

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out += c;
        }
    }
    return out;
}

// Where the points stand on the x axis: the first varied factor's values,
// at their numbers when every one is a number, else side by side in order.
struct TAxis {
    std::vector<std::string> Labels;  // distinct values in order of appearance
    bool Numeric = true;

    double Position(const std::string& value) const {
        if (Numeric) return *ReadNumber(value);
        return static_cast<double>(std::find(Labels.begin(), Labels.end(), value) - Labels.begin());
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
};

struct TPanel {
    std::string Title;
    std::vector<std::size_t> Points;  // indices, in order of the x axis
};

void AddUnique(std::vector<std::string>& values, const std::string& value) {
    if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
}

std::string Text(double x, double y, const std::string& text, const std::string& extra = {}) {
    return "<text x=\"" + Fixed(x, 1) + "\" y=\"" + Fixed(y, 1) + "\"" + extra + ">" +
           Escaped(text) + "</text>\n";
}

std::string Panel(const TPanel& panel, const TAxis& axis, const TExperimentPlan& plan,
                  const std::vector<TBatchSummary>& summaries, double left, double top,
                  int levels) {
    const TScale x = axis.Scale(left + 10, left + PanelWidth - 10);
    const TScale y{0.0, 1.0, top + PanelHeight, top};
    std::string out = "<g class=\"panel\">\n";
    out += Text(left, top - 10, panel.Title, " font-size=\"14\" font-weight=\"bold\"");
    out += "<rect x=\"" + Fixed(left, 1) + "\" y=\"" + Fixed(top, 1) + "\" width=\"" +
           Fixed(PanelWidth, 0) + "\" height=\"" + Fixed(PanelHeight, 0) +
           "\" fill=\"none\" stroke=\"#333\"/>\n";
    for (double tick : NiceTicks(0.0, 1.0, 5)) {
        const std::string at = Fixed(y.Map(tick), 1);
        out += "<line x1=\"" + Fixed(left, 1) + "\" x2=\"" + Fixed(left + PanelWidth, 1) +
               "\" y1=\"" + at + "\" y2=\"" + at + "\" stroke=\"#ddd\"/>\n";
        out += Text(left - 6, y.Map(tick) + 4, Fixed(tick, 1),
                    " text-anchor=\"end\" font-size=\"11\"");
    }
    std::vector<std::string> labels = axis.Labels;
    if (axis.Numeric) {
        labels.clear();
        const std::vector<double> ticks = NiceTicks(x.From, x.To, 6);
        // As many decimals as the tick spacing needs, and no rounding noise.
        const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0;
        const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
        for (double tick : ticks) labels.push_back(Fixed(tick, decimals));
    }
    for (const std::string& label : labels) {
        out += Text(x.Map(axis.Position(label)), top + PanelHeight + 16, label,
                    " text-anchor=\"middle\" font-size=\"11\"");
    }
    for (int k = 1; k <= levels; ++k) {
        std::string upper, lower, line;
        for (const std::size_t p : panel.Points) {
            if (k > plan.Points[p].Settings.Shape.Levels) continue;
            const TRunningStats& stats = summaries[p].WomenShare[k];
            const double half = std::isnan(stats.HalfWidth95()) ? 0.0 : stats.HalfWidth95();
            const std::string px = Fixed(x.Map(axis.Position(plan.Points[p].Values[0])), 1);
            const auto point = [&](double share) {
                return px + "," + Fixed(y.Map(y.Clamp(share)), 1);
            };
            line += (line.empty() ? "M" : " L") + point(stats.Mean());
            upper += (upper.empty() ? "M" : " L") + point(stats.Mean() + half);
            lower = " L" + point(stats.Mean() - half) + lower;
            out += "<circle cx=\"" + px + "\" cy=\"" + Fixed(y.Map(stats.Mean()), 1) +
                   "\" r=\"2.5\" fill=\"" + Colour(k, levels) + "\"/>\n";
        }
        if (line.empty() || plan.Design == TDesign::LatinHypercube) continue;
        out += "<path class=\"band\" data-level=\"" + std::to_string(k) + "\" d=\"" + upper +
               lower + " Z\" fill=\"" + Tint(k, levels) +
               "\" fill-opacity=\"0.45\" stroke=\"none\"/>\n";
        out += "<path class=\"series\" data-level=\"" + std::to_string(k) + "\" d=\"" + line +
               "\" fill=\"none\" stroke=\"" + Colour(k, levels) + "\" stroke-width=\"2\"/>\n";
    }
    return out + "</g>\n";
}

}  // namespace

std::string RenderSweepPlot(const TExperimentPlan& plan,
                            const std::vector<TBatchSummary>& summaries) {
    int levels = 0;
    for (const TPoint& point : plan.Points) levels = std::max(levels, point.Settings.Shape.Levels);
    // Without a varied factor every point is the one point.
    const bool varied = !plan.Varied.empty();
    const std::string xName = varied ? std::string(plan.Varied[0].Factor->Name) : "point";
    TAxis axis;
    std::vector<TPanel> panels;
    for (std::size_t p = 0; p < plan.Points.size(); ++p) {
        const TPoint& point = plan.Points[p];
        const std::string xValue = varied ? point.Values[0] : "1";
        // A grid's further factors beyond the second are held at their first value.
        bool shown = true;
        for (std::size_t d = 2; plan.Design == TDesign::Grid && d < point.Values.size(); ++d) {
            shown = shown && point.Values[d] == plan.Varied[d].Values[0];
        }
        if (!shown) continue;
        AddUnique(axis.Labels, xValue);
        axis.Numeric = axis.Numeric && ReadNumber(xValue).has_value();
        std::string title;
        if (point.Values.size() > 1 && plan.Design == TDesign::Grid) {
            title = std::string(plan.Varied[1].Factor->Name) + " " + point.Values[1];
        }
        auto panel = std::find_if(panels.begin(), panels.end(),
                                  [&](const TPanel& p) { return p.Title == title; });
        if (panel == panels.end()) {
            if (panels.size() == MaxPanels) continue;
            panels.push_back({title, {}});
            panel = panels.end() - 1;
        }
        panel->Points.push_back(p);
    }
    for (TPanel& panel : panels) {
        std::stable_sort(panel.Points.begin(), panel.Points.end(), [&](auto a, auto b) {
            return axis.Position(plan.Points[a].Values.empty() ? "1" : plan.Points[a].Values[0]) <
                   axis.Position(plan.Points[b].Values.empty() ? "1" : plan.Points[b].Values[0]);
        });
    }
    const std::size_t columns = std::min<std::size_t>(panels.size(), 3);
    const std::size_t rows = (panels.size() + columns - 1) / columns;
    const double width = MarginLeft + columns * (PanelWidth + GapX) + LegendWidth;
    const double height = MarginTop + rows * (PanelHeight + GapY) + 20;
    const std::string size =
        "width=\"" + Fixed(width, 0) + "\" height=\"" + Fixed(height, 0) + "\"";
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" " +
        size + " font-family=\"sans-serif\">\n<rect " + size + " fill=\"white\"/>\n";
    out += Text(MarginLeft, 34, "Share of women per level at the end of the runs, by " + xName,
                " font-size=\"20\" font-weight=\"bold\"");
    std::string note = std::to_string(plan.Points.size()) + " points, " +
                       std::to_string(plan.Replications) + " runs each from seed " +
                       std::to_string(plan.Seed) + "; bands: 95% confidence interval of the mean";
    if (plan.Design == TDesign::LatinHypercube) note += "; Latin hypercube";
    if (plan.Varied.size() > 2 && plan.Design == TDesign::Grid) {
        note += "; further factors at their first value";
    }
    out += Text(MarginLeft, 58, note, " font-size=\"13\" fill=\"#444\"");
    out += Text(MarginLeft + columns * (PanelWidth + GapX) / 2, height - 12, xName,
                " text-anchor=\"middle\" font-size=\"14\"");
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const double left = MarginLeft + static_cast<double>(i % columns) * (PanelWidth + GapX);
        const double top = MarginTop + static_cast<double>(i / columns) * (PanelHeight + GapY);
        out += Panel(panels[i], axis, plan, summaries, left, top, levels);
    }
    const double legendX = MarginLeft + columns * (PanelWidth + GapX);
    out += "<g class=\"legend\" font-size=\"13\">\n";
    for (int k = levels; k >= 1; --k) {
        const double y = MarginTop + 10 + (levels - k) * 22;
        std::string name = "Level " + std::to_string(k);
        if (k == levels) name += " (top)";
        if (k == 1) name += " (bottom)";
        out += "<line x1=\"" + Fixed(legendX, 0) + "\" x2=\"" + Fixed(legendX + 26, 0) +
               "\" y1=\"" + Fixed(y, 0) + "\" y2=\"" + Fixed(y, 0) + "\" stroke=\"" +
               Colour(k, levels) + "\" stroke-width=\"3\"/>\n" + Text(legendX + 32, y + 4, name);
    }
    return out + "</g>\n</svg>\n";
}

}  // namespace velmora::batch
