#include "research/sweep_plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "research/number_format.h"
#include "research/svg_colours.h"
#include "research/svg_scale.h"

namespace velmora::research {

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
};

struct TPanel {
    std::string Title;
    std::vector<std::size_t> Points;  // indices, in order of the x axis
};

std::string Text(double x, double y, const std::string& text, const std::string& extra = {}) {
    return "<text x=\"" + Fixed(x, 1) + "\" y=\"" + Fixed(y, 1) + "\"" + extra + ">" +
           Escaped(text) + "</text>\n";
}

// The x value of a point; the point's number when nothing is varied.
const std::string& XValue(const TPoint& point) {
    static const std::string one = "1";
    return point.Values.empty() ? one : point.Values[0];
}

std::string Frame(const std::string& title, double left, double top, const TScale& y) {
    std::string out = "<g class=\"panel\">\n";
    out += Text(left, top - 10, title, " font-size=\"14\" font-weight=\"bold\"");
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
    return out;
}

void Panel(std::string& out, const TPanel& panel, const TAxis& axis, const TExperimentPlan& plan,
           const TPointSummaries& summaries, double left, double top, int levels,
           const TTextSink& sink) {
    const TScale x = axis.Scale(left + 10, left + PanelWidth - 10);
    const TScale y{0.0, 1.0, top + PanelHeight, top};
    out += Frame(panel.Title, left, top, y);
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
        std::string upper, line;
        std::vector<std::string> lower;  // drawn back from the right
        for (const std::size_t p : panel.Points) {
            if (k > plan.Points[p].Settings.Shape.Levels) continue;
            const TRunningStats stats = summaries.WomenShare(p, k);
            const double half = std::isnan(stats.HalfWidth95()) ? 0.0 : stats.HalfWidth95();
            const std::string px = Fixed(x.Map(axis.Position(XValue(plan.Points[p]))), 1);
            const auto point = [&](double share) {
                return px + "," + Fixed(y.Map(y.Clamp(share)), 1);
            };
            line += (line.empty() ? "M" : " L") + point(stats.Mean());
            upper += (upper.empty() ? "M" : " L") + point(stats.Mean() + half);
            lower.push_back(" L" + point(stats.Mean() - half));
            out += "<circle cx=\"" + px + "\" cy=\"" + Fixed(y.Map(stats.Mean()), 1) +
                   "\" r=\"2.5\" fill=\"" + Colour(k, levels) + "\"/>\n";
            if (out.size() >= 64 * 1024) {
                sink(out);
                out.clear();
            }
        }
        if (line.empty() || plan.Design == TDesign::LatinHypercube) continue;
        out += "<path class=\"band\" data-level=\"" + std::to_string(k) + "\" d=\"" + upper;
        for (auto at = lower.rbegin(); at != lower.rend(); ++at) out += *at;
        out += " Z\" fill=\"" + Tint(k, levels) + "\" fill-opacity=\"0.45\" stroke=\"none\"/>\n";
        out += "<path class=\"series\" data-level=\"" + std::to_string(k) + "\" d=\"" + line +
               "\" fill=\"none\" stroke=\"" + Colour(k, levels) + "\" stroke-width=\"2\"/>\n";
    }
    out += "</g>\n";
}

// One point and no varied factor: each level's share with its interval.
std::string LevelsPanel(const TBatchSummary& summary, double left, double top, int levels) {
    const TScale x{0.5, levels + 0.5, left, left + PanelWidth};
    const TScale y{0.0, 1.0, top + PanelHeight, top};
    std::string out = Frame("", left, top, y);
    for (int k = 1; k <= levels; ++k) {
        const TRunningStats& stats = summary.WomenShare[k];
        const double half = std::isnan(stats.HalfWidth95()) ? 0.0 : stats.HalfWidth95();
        const std::string px = Fixed(x.Map(k), 1);
        out += Text(x.Map(k), top + PanelHeight + 16, std::to_string(k),
                    " text-anchor=\"middle\" font-size=\"11\"");
        out += "<line class=\"interval\" data-level=\"" + std::to_string(k) + "\" x1=\"" + px +
               "\" x2=\"" + px + "\" y1=\"" + Fixed(y.Map(y.Clamp(stats.Mean() - half)), 1) +
               "\" y2=\"" + Fixed(y.Map(y.Clamp(stats.Mean() + half)), 1) + "\" stroke=\"" +
               Tint(k, levels) + "\" stroke-width=\"6\"/>\n";
        out += "<circle cx=\"" + px + "\" cy=\"" + Fixed(y.Map(y.Clamp(stats.Mean())), 1) +
               "\" r=\"4\" fill=\"" + Colour(k, levels) + "\"/>\n";
    }
    return out + "</g>\n";
}

}  // namespace

void RenderSweepPlot(const TExperimentPlan& plan, const TPointSummaries& summaries,
                     const TTextSink& sink) {
    int levels = 0;
    for (const TPoint& point : plan.Points) levels = std::max(levels, point.Settings.Shape.Levels);
    // Without a varied factor every point is the one point.
    const bool varied = !plan.Varied.empty();
    const std::string xName = varied ? std::string(plan.Varied[0].Factor->Name) : "level";
    TAxis axis;
    std::vector<TPanel> panels;
    for (std::size_t p = 0; p < plan.Points.size(); ++p) {
        const TPoint& point = plan.Points[p];
        // A grid's further factors beyond the second are held at their first value.
        bool shown = true;
        for (std::size_t d = 2; plan.Design == TDesign::Grid && d < point.Values.size(); ++d) {
            shown = shown && point.Values[d] == plan.Varied[d].Label(0);
        }
        if (!shown) continue;
        axis.Add(XValue(point));
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
            return axis.Position(XValue(plan.Points[a])) < axis.Position(XValue(plan.Points[b]));
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
    out += Text(MarginLeft, 34,
                "Share of women per level at the end of the runs" + (varied ? ", by " + xName : ""),
                " font-size=\"20\" font-weight=\"bold\"");
    std::string note = std::to_string(plan.Points.size()) + " points, " +
                       std::to_string(plan.Replications) + " runs each from seed " +
                       std::to_string(plan.Seed) + "; bands: 95% confidence interval of the mean";
    if (!varied) {
        note = std::to_string(plan.Replications) + " runs from seed " + std::to_string(plan.Seed) +
               "; bars: 95% confidence interval of the mean";
    }
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
        if (!varied) {
            out += LevelsPanel(summaries.At(0), left, top, levels);
            continue;
        }
        Panel(out, panels[i], axis, plan, summaries, left, top, levels, sink);
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
    out += "</g>\n</svg>\n";
    sink(out);
}

}  // namespace velmora::research
