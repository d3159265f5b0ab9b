#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "research/statistics.h"
#include "research/svg_scale.h"

namespace velmora::research {

// What every picture of the research tools shares: the opening, the heading
// that fits its width, panels with their axes, and the legend. Every text
// drawn goes through SvgEscaped.

// Text safe inside an SVG element or attribute.
std::string SvgEscaped(std::string_view text);

// The document's opening with a white ground, and its end.
std::string SvgOpen(double width, double height);
inline constexpr std::string_view SvgClose = "</svg>\n";

// A text element; attributes are written as given, after x and y.
std::string SvgText(double x, double y, std::string_view text, std::string_view attributes = {});

// About how wide a line of text is drawn, in a sans-serif font of that size.
double TextWidth(std::string_view text, double size, bool bold = false) noexcept;

// Text of at most `width`: the font shrinks down to three quarters of its
// size, then the words wrap onto further lines. Bottom: y of the baseline of
// the last line.
struct TTextBlock {
    std::string Svg;
    double Bottom = 0;
};
TTextBlock FittedText(double x, double y, double width, std::string_view text, double size,
                      std::string_view attributes = {}, bool bold = false);

// The picture's title and the notes under it, each fitted to width, from
// the top edge. Bottom: where the first panel may begin.
TTextBlock SvgHeading(double left, double width, std::string_view title,
                      const std::vector<std::string>& notes);

// Where a panel lies in the picture.
struct TPanelBox {
    double Left = 0;
    double Top = 0;
    double Width = 400;
    double Height = 300;
};

// Panels in columns and rows, the heading above them and the legend at their
// right.
struct TPanelLayout {
    static constexpr double MarginLeft = 90;
    std::size_t Columns = 1;
    std::size_t Rows = 1;
    TPanelBox Panel;
    double GapX = 80;
    double GapY = 100;
    double LegendWidth = 250;
    double Top = 0;  // set by OpenPicture

    double PanelsWidth() const { return static_cast<double>(Columns) * (Panel.Width + GapX); }
    double Width() const { return MarginLeft + PanelsWidth() + LegendWidth; }
    double Height() const { return Top + static_cast<double>(Rows) * (Panel.Height + GapY); }
    TPanelBox Box(std::size_t column, std::size_t row) const {
        return {MarginLeft + static_cast<double>(column) * (Panel.Width + GapX),
                Top + static_cast<double>(row) * (Panel.Height + GapY), Panel.Width, Panel.Height};
    }
};

// Tick positions on an axis with their labels.
using TTicks = std::vector<std::pair<double, std::string>>;
// Round numbers across [from, to] labelled with as many decimals as their
// spacing needs.
TTicks NumberTicks(double from, double to, int maxTicks);

// Opens a panel (class "panel", closed by the caller with "</g>\n"): its
// title above, frame, grid lines and labels at the y ticks, labels at the x
// ticks, and the axes' names when given (the y one turned upright at the
// left).
std::string OpenPanel(const TPanelBox& box, const TScale& x, const TScale& y, const TTicks& xTicks,
                      const TTicks& yTicks, std::string_view title, std::string_view xName = {},
                      std::string_view yName = {});

// A filled band between two lines given as "x,y" points from left to right.
std::string BandPath(std::string_view cls, const std::vector<std::string>& upper,
                     const std::vector<std::string>& lower, const std::string& tint,
                     std::string_view data = {});
// The half width of a mean's 95% band: none where it is unknown.
double BandHalfWidth(const TRunningStats& stats) noexcept;

// A line with its band, point by point from left to right, every y clamped
// to the scale.
struct TBandLine {
    std::vector<std::string> Line, Upper, Lower;
    void Add(double x, const TScale& y, double mean, double half);
};

// A line through "x,y" points.
std::string LinePath(std::string_view cls, const std::vector<std::string>& points,
                     const std::string& colour, std::string_view data = {},
                     std::string_view extra = {});
// "x,y" of a point drawn at those coordinates.
std::string SvgPoint(double x, double y);

// One entry of a legend: how it is drawn, in what colours, and what it says.
enum class TMark { Line, LineAndBand, Band, Dashed, Dot, Bar, Interval };
struct TLegendEntry {
    TMark Mark = TMark::Line;
    std::string Colour;
    std::string Tint;  // of a band or bar
    std::string Label;
};
// A legend (class "legend") whose first entry is centred on y, one entry
// under the other, of at most width.
std::string SvgLegend(double x, double y, double width, const std::vector<TLegendEntry>& entries);

// Opens the picture: the size follows the panels, the heading fits above
// them and sets layout.Top, the legend stands at their right.
std::string OpenPicture(TPanelLayout& layout, std::string_view title,
                        const std::vector<std::string>& notes,
                        const std::vector<TLegendEntry>& legend);

// The name of level k in a legend: "Level 8 (top)", "Level 1 (bottom)".
std::string LevelName(int k, int levels);

}  // namespace velmora::research
