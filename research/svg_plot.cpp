#include "research/svg_plot.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "research/factors.h"
#include "research/number_format.h"
#include "research/svg_colours.h"
#include "research/svg_document.h"
#include "research/svg_scale.h"

namespace velmora::research {

namespace {

constexpr double Width = 960;
constexpr double Height = 600;
constexpr double Left = 80;
constexpr double Right = 760;
constexpr double Bottom = 530;
// Long batches are thinned to this many points per line: more would not show.
constexpr std::int32_t MaxPoints = 2000;

struct TFrame {
    TScale X;
    TScale Y;
    std::string Point(double period, double share) const {
        return Fixed(X.Map(period), 2) + "," + Fixed(Y.Map(share), 2);
    }
};

std::vector<std::int32_t> Sampled(std::int32_t periods) {
    const std::int32_t step = std::max<std::int32_t>(1, (periods + MaxPoints - 1) / MaxPoints);
    std::vector<std::int32_t> picked;
    for (std::int32_t p = 1; p <= periods; p += step) picked.push_back(p);
    if (picked.back() != periods) picked.push_back(periods);
    return picked;
}

// The rounded range that holds every line and band, within 0 to 1.
TScale ShareScale(const TTrajectory& trajectory, const std::vector<std::int32_t>& periods,
                  double reference, int levels, double top) {
    double low = reference;
    double high = reference;
    for (std::int32_t p : periods) {
        for (int k = 1; k <= levels; ++k) {
            const TRunningStats& stats = trajectory.At(p)[k];
            const double half = BandHalfWidth(stats);
            low = std::min(low, stats.Mean() - half);
            high = std::max(high, stats.Mean() + half);
        }
    }
    low = std::max(0.0, std::floor(low * 10.0 - 1e-9) / 10.0);
    high = std::min(1.0, std::ceil(high * 10.0 + 1e-9) / 10.0);
    if (high - low < 0.1) {
        high = std::min(1.0, low + 0.1);
        low = high - 0.1;
    }
    return TScale{low, high, Bottom, top};
}

std::string Axes(const TFrame& frame) {
    const double Top = frame.Y.ToLast;
    std::string out = "<g class=\"axes\" font-size=\"12\" fill=\"#333\">\n";
    for (double tick : NiceTicks(frame.Y.From, frame.Y.To, 8)) {
        const std::string y = Fixed(frame.Y.Map(tick), 2);
        out += "<line x1=\"" + Fixed(Left, 0) + "\" x2=\"" + Fixed(Right, 0) + "\" y1=\"" + y +
               "\" y2=\"" + y + "\" stroke=\"#ddd\"/>\n";
        out += "<text x=\"" + Fixed(Left - 8, 0) + "\" y=\"" + y +
               "\" text-anchor=\"end\" dominant-baseline=\"middle\">" + Fixed(tick, 2) +
               "</text>\n";
    }
    // Whole periods only: a short batch gets a tick per period, not halves.
    const int periodTicks = static_cast<int>(std::min(10.0, frame.X.To - frame.X.From));
    for (double tick : NiceTicks(frame.X.From, frame.X.To, periodTicks)) {
        const std::string x = Fixed(frame.X.Map(tick), 2);
        out += "<line x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + Fixed(Bottom, 0) + "\" y2=\"" +
               Fixed(Bottom + 5, 0) + "\" stroke=\"#333\"/>\n";
        out += "<text x=\"" + x + "\" y=\"" + Fixed(Bottom + 20, 0) + "\" text-anchor=\"middle\">" +
               Fixed(tick, 0) + "</text>\n";
    }
    out += "<rect x=\"" + Fixed(Left, 0) + "\" y=\"" + Fixed(Top, 0) + "\" width=\"" +
           Fixed(Right - Left, 0) + "\" height=\"" + Fixed(Bottom - Top, 0) +
           "\" fill=\"none\" stroke=\"#333\"/>\n";
    out += "<text x=\"" + Fixed((Left + Right) / 2, 0) + "\" y=\"" + Fixed(Bottom + 48, 0) +
           "\" text-anchor=\"middle\" font-size=\"14\">Period</text>\n";
    out += "<text transform=\"translate(24 " + Fixed((Top + Bottom) / 2, 0) +
           ") rotate(-90)\" text-anchor=\"middle\" font-size=\"14\">share of women in the "
           "level</text>\n";
    return out + "</g>\n";
}

std::string Reference(const TFrame& frame, double share) {
    if (share < frame.Y.From || share > frame.Y.To) return {};
    const std::string y = Fixed(frame.Y.Map(share), 2);
    return "<line class=\"reference\" x1=\"" + Fixed(Left, 0) + "\" x2=\"" + Fixed(Right, 0) +
           "\" y1=\"" + y + "\" y2=\"" + y + "\" stroke=\"#888\" stroke-dasharray=\"6 4\"/>\n";
}

std::string Band(const TFrame& frame, const TTrajectory& trajectory,
                 const std::vector<std::int32_t>& periods, int k, int levels) {
    std::string upper;
    std::string lower;
    for (std::int32_t p : periods) {
        const TRunningStats& stats = trajectory.At(p)[k];
        const double half = stats.HalfWidth95();
        if (std::isnan(half)) return {};
        upper += (upper.empty() ? "M" : " L") + frame.Point(p, frame.Y.Clamp(stats.Mean() + half));
    }
    for (auto it = periods.rbegin(); it != periods.rend(); ++it) {
        const TRunningStats& stats = trajectory.At(*it)[k];
        lower += " L" + frame.Point(*it, frame.Y.Clamp(stats.Mean() - stats.HalfWidth95()));
    }
    return "<path class=\"band\" data-level=\"" + std::to_string(k) + "\" d=\"" + upper + lower +
           " Z\" fill=\"" + Tint(k, levels) + "\" fill-opacity=\"0.45\" stroke=\"none\"/>\n";
}

std::string Series(const TFrame& frame, const TTrajectory& trajectory,
                   const std::vector<std::int32_t>& periods, int k, int levels) {
    std::string d;
    for (std::int32_t p : periods) {
        d += (d.empty() ? "M" : " L") + frame.Point(p, trajectory.At(p)[k].Mean());
    }
    std::string out =
        "<path class=\"series\" data-level=\"" + std::to_string(k) + "\" d=\"" + d +
        "\" fill=\"none\" stroke=\"" + Colour(k, levels) +
        "\" stroke-width=\"2\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
    if (periods.size() == 1) {  // a line of one point draws nothing
        const std::int32_t p = periods.front();
        out += "<circle class=\"point\" data-level=\"" + std::to_string(k) + "\" cx=\"" +
               Fixed(frame.X.Map(p), 2) + "\" cy=\"" +
               Fixed(frame.Y.Map(trajectory.At(p)[k].Mean()), 2) + "\" r=\"3\" fill=\"" +
               Colour(k, levels) + "\"/>\n";
    }
    return out;
}

std::string Legend(int levels, double top) {
    std::vector<TLegendEntry> entries;
    for (int k = levels; k >= 1; --k) {
        entries.push_back({TMark::Line, Colour(k, levels), "", LevelName(k, levels)});
    }
    entries.push_back({TMark::Dashed, "#888", "", "women among hires"});
    return SvgLegend(790, top + 10, 160, entries);
}

// The shape, the bias and every factor away from its default.
std::string Subtitle(const TBatchRequest& options) {
    const TRunSettings& settings = options.Settings;
    std::string text = ShapeName(settings);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    text += " organisation";
    if (!settings.Form) text += " (" + FindFactor("levels")->Show(settings) + ")";
    for (const TFactor& factor : Factors()) {
        const std::string value = factor.Show(settings);
        const bool shape =
            factor.Name == "form" || factor.Name == "levels" || factor.Name == "bias";
        if (shape || value.empty() || (value == factor.Default && factor.Name != "bias-points")) {
            continue;
        }
        text += ", " + std::string(factor.Caption.empty() ? factor.Name : factor.Caption) + " = " +
                value;
    }
    return text + "; " + std::to_string(options.Runs) + " runs from seed " +
           std::to_string(options.Seed);
}

TTextBlock Titles(const TBatchRequest& options) {
    return SvgHeading(Left, Width - Left - 20, "Share of women per level over the periods",
                      {Subtitle(options),
                       "Lines: mean over all runs; bands: 95% confidence interval of the mean; a "
                       "run that has ended is held at its final state."});
}

}  // namespace

std::string RenderSvgPlot(const TTrajectory& trajectory, const TBatchRequest& options) {
    const double reference = options.Settings.Params.WomenHired;
    const int levels = options.Settings.Shape.Levels;
    std::string out = SvgOpen(Width, Height);
    const TTextBlock titles = Titles(options);
    out += titles.Svg;
    if (trajectory.Periods() == 0) return out + std::string(SvgClose);

    const double top = std::max(96.0, titles.Bottom + 8);
    const std::vector<std::int32_t> periods = Sampled(trajectory.Periods());
    const TFrame frame{
        TScale{1.0, std::max(2.0, static_cast<double>(trajectory.Periods())), Left, Right},
        ShareScale(trajectory, periods, reference, levels, top)};
    out += Axes(frame);
    out += "<g class=\"data\">\n";
    out += Reference(frame, reference);
    for (int k = 1; k <= levels; ++k) out += Band(frame, trajectory, periods, k, levels);
    for (int k = 1; k <= levels; ++k) out += Series(frame, trajectory, periods, k, levels);
    out += "</g>\n" + Legend(levels, top);
    return out + std::string(SvgClose);
}

}  // namespace velmora::research
