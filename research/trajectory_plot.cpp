#include "research/trajectory_plot.h"

#include <algorithm>
#include <cmath>

#include "research/number_format.h"
#include "research/svg_colours.h"
#include "research/svg_document.h"
#include "research/sweep_plot.h"

namespace velmora::research {

namespace {

constexpr std::size_t MaxSeries = 8;
constexpr std::size_t Columns = 4;
// Lines are thinned to about this many periods: more would not show.
constexpr std::int32_t MostDrawn = 400;

struct TSeries {
    std::size_t Point;  // 0-based
    std::string Label;
};

// The points drawn as lines, and what the picture says of the others.
std::vector<TSeries> PickSeries(const TExperimentPlan& plan, std::vector<std::string>& notes) {
    std::vector<TSeries> series;
    const std::vector<TVaried>& varied = plan.Varied;
    if (varied.empty()) return {{0, "all runs"}};
    const std::string first = FactorCaption(*varied[0].Factor);
    const bool grid = plan.Design == TDesign::Grid;
    std::size_t candidates = 0;
    for (std::size_t p = 0; p < plan.Points.size(); ++p) {
        const std::vector<std::string>& values = plan.Points[p].Values;
        bool shown = true;
        for (std::size_t d = 1; grid && d < values.size(); ++d) {
            shown = shown && values[d] == varied[d].Label(0);
        }
        if (!shown) continue;
        ++candidates;
        if (series.size() == MaxSeries) continue;
        series.push_back(
            {p, grid ? first + " = " + values[0]
                     : "point " + std::to_string(p + 1) + ": " + first + " " + values[0]});
    }
    if (grid) {
        for (std::size_t d = 1; d < varied.size(); ++d) {
            notes.push_back(FactorCaption(*varied[d].Factor) + " = " + varied[d].Label(0) +
                            " throughout (the first of its values).");
        }
    }
    if (candidates > series.size()) {
        notes.push_back("Lines for the first " + std::to_string(series.size()) + " of " +
                        std::to_string(candidates) + (grid ? " values" : " points") +
                        "; trajectory.csv holds every point.");
    }
    return series;
}

std::vector<std::int32_t> Drawn(std::int32_t periods) {
    const std::int32_t step = std::max<std::int32_t>(1, (periods + MostDrawn - 1) / MostDrawn);
    std::vector<std::int32_t> picked;
    for (std::int32_t p = 1; p <= periods; p += step) picked.push_back(p);
    if (!picked.empty() && picked.back() != periods) picked.push_back(periods);
    return picked;
}

// One range of shares for every panel, in tenths, holding every line and band.
std::pair<double, double> ShareRange(const TExperimentPlan& plan,
                                     const std::vector<TSeries>& series,
                                     const TPointTrajectories& trajectories) {
    double low = 1.0, high = 0.0;
    for (const TSeries& s : series) {
        const TTrajectory& trajectory = trajectories.At(s.Point);
        const int own = plan.Points[s.Point].Settings.Shape.Levels;
        for (std::int32_t p = 1; p <= trajectory.Periods(); ++p) {
            for (int k = 1; k <= own; ++k) {
                const TRunningStats& stats = trajectory.At(p)[k];
                const double half = BandHalfWidth(stats);
                low = std::min(low, stats.Mean() - half);
                high = std::max(high, stats.Mean() + half);
            }
        }
    }
    if (low > high) return {0.0, 1.0};
    low = std::max(0.0, std::floor(low * 10.0 - 1e-9) / 10.0);
    high = std::min(1.0, std::ceil(high * 10.0 + 1e-9) / 10.0);
    if (high - low < 0.1) high = std::min(1.0, (low = std::max(0.0, high - 0.1)) + 0.1);
    return {low, high};
}

}  // namespace

void RenderTrajectoryPlot(const TExperimentPlan& plan, const TPointTrajectories& trajectories,
                          const TTextSink& sink) {
    std::vector<std::string> notes = PlanNotes(plan);
    const std::vector<TSeries> series = PickSeries(plan, notes);
    notes.push_back(
        "Lines: mean over the runs of a point; bands: 95% confidence interval of the mean; a run "
        "that has ended is held at its final state.");
    int levels = 0;
    for (const TSeries& s : series) {
        levels = std::max(levels, plan.Points[s.Point].Settings.Shape.Levels);
    }
    const std::int32_t periods = trajectories.MostPeriods();
    TPanelLayout layout;
    layout.Columns = std::min<std::size_t>(Columns, static_cast<std::size_t>(levels));
    layout.Rows = (static_cast<std::size_t>(levels) + layout.Columns - 1) / layout.Columns;
    layout.Panel = {0, 0, 300, 210};
    layout.GapY = 90;
    layout.LegendWidth = 260;
    std::vector<TLegendEntry> legend;
    for (std::size_t i = 0; i < series.size(); ++i) {
        const int n = static_cast<int>(series.size());
        const int c = static_cast<int>(i) + 1;
        legend.push_back({TMark::LineAndBand, Colour(c, n), Tint(c, n), series[i].Label});
    }
    std::string out = OpenPicture(
        layout,
        "Share of women per level over the periods, by " +
            (plan.Varied.empty() ? std::string("level") : FactorCaption(*plan.Varied[0].Factor)),
        notes, legend);
    const auto [low, high] = ShareRange(plan, series, trajectories);
    const std::vector<std::int32_t> drawn = Drawn(periods);
    for (int k = levels; k >= 1; --k) {
        const auto i = static_cast<std::size_t>(levels - k);
        const TPanelBox box = layout.Box(i % layout.Columns, i / layout.Columns);
        const TScale x{1.0, std::max(2.0, static_cast<double>(periods)), box.Left,
                       box.Left + box.Width};
        const TScale y{low, high, box.Top + box.Height, box.Top};
        const int ticks = static_cast<int>(std::min(6.0, x.To - x.From));
        out += OpenPanel(box, x, y, NumberTicks(x.From, x.To, ticks), NumberTicks(low, high, 5),
                         LevelName(k, levels), "period", "share of women in the level");
        for (std::size_t s = 0; s < series.size(); ++s) {
            const TTrajectory& trajectory = trajectories.At(series[s].Point);
            if (k > plan.Points[series[s].Point].Settings.Shape.Levels) continue;
            TBandLine band;
            for (const std::int32_t p : drawn) {
                if (p > trajectory.Periods()) break;
                const TRunningStats& stats = trajectory.At(p)[k];
                band.Add(x.Map(p), y, stats.Mean(), BandHalfWidth(stats));
            }
            const int n = static_cast<int>(series.size());
            const int c = static_cast<int>(s) + 1;
            const std::string data = " data-level=\"" + std::to_string(k) + "\" data-point=\"" +
                                     std::to_string(series[s].Point + 1) + "\"";
            out += BandPath("band", band.Upper, band.Lower, Tint(c, n), data);
            out += LinePath("series", band.Line, Colour(c, n), data);
        }
        out += "</g>\n";
        PassOn(out, sink);
    }
    sink(out + std::string(SvgClose));
}

}  // namespace velmora::research
