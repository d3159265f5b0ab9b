#include "research/svg_document.h"

#include <algorithm>
#include <cmath>

#include "research/number_format.h"

namespace velmora::research {

namespace {

constexpr double TitleSize = 20;
constexpr double NoteSize = 13;
constexpr double LegendRow = 22;

// Words of text, split at spaces.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t space = text.find(' ', from);
        const std::size_t end = space == std::string_view::npos ? text.size() : space;
        if (end > from) words.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return words;
}

std::string Attribute(std::string_view name, double value, int decimals = 1) {
    std::string text(1, ' ');
    text.append(name).append("=\"").append(Fixed(value, decimals)).append(1, '"');
    return text;
}

}  // namespace

std::string SvgEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string SvgOpen(double width, double height) {
    const std::string size =
        "width=\"" + Fixed(width, 0) + "\" height=\"" + Fixed(height, 0) + "\"";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg "
           "xmlns=\"http://www.w3.org/2000/svg\" " +
           size + " font-family=\"sans-serif\">\n<rect " + size + " fill=\"white\"/>\n";
}

std::string SvgText(double x, double y, std::string_view text, std::string_view attributes) {
    return "<text" + Attribute("x", x) + Attribute("y", y) + std::string(attributes) + ">" +
           SvgEscaped(text) + "</text>\n";
}

double TextWidth(std::string_view text, double size, bool bold) noexcept {
    // UTF-8 continuation bytes take no room of their own.
    double count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0 : 1;
    return count * size * (bold ? 0.62 : 0.56);
}

TTextBlock FittedText(double x, double y, double width, std::string_view text, double size,
                      std::string_view attributes, bool bold) {
    const double fitted = std::max(
        size * 0.75, std::min(size, size * width / std::max(1.0, TextWidth(text, size, bold))));
    const std::string font = " font-size=\"" + Fixed(fitted, 1) + "\"" +
                             (bold ? " font-weight=\"bold\"" : "") + std::string(attributes);
    TTextBlock block;
    std::string line;
    double at = y;
    for (const std::string_view word : Words(text)) {
        const std::string longer =
            line.empty() ? std::string(word) : line + " " + std::string(word);
        if (!line.empty() && TextWidth(longer, fitted, bold) > width) {
            block.Svg += SvgText(x, at, line, font);
            at += fitted * 1.25;
            line = std::string(word);
        } else {
            line = longer;
        }
    }
    block.Svg += SvgText(x, at, line, font);
    block.Bottom = at;
    return block;
}

TTextBlock SvgHeading(double left, double width, std::string_view title,
                      const std::vector<std::string>& notes) {
    TTextBlock heading = FittedText(left, 34, width, title, TitleSize, {}, true);
    double y = heading.Bottom + 24;
    for (const std::string& note : notes) {
        const TTextBlock block = FittedText(left, y, width, note, NoteSize, " fill=\"#444\"");
        heading.Svg += block.Svg;
        y = block.Bottom + NoteSize * 1.45;
    }
    heading.Bottom = y;
    return heading;
}

TTicks NumberTicks(double from, double to, int maxTicks) {
    const std::vector<double> ticks = NiceTicks(from, to, maxTicks);
    // As many decimals as the tick spacing needs, and no rounding noise.
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0;
    const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    TTicks labelled;
    for (const double tick : ticks) labelled.emplace_back(tick, Fixed(tick, decimals));
    return labelled;
}

std::string OpenPanel(const TPanelBox& box, const TScale& x, const TScale& y, const TTicks& xTicks,
                      const TTicks& yTicks, std::string_view title, std::string_view xName,
                      std::string_view yName) {
    std::string out = "<g class=\"panel\">\n";
    if (!title.empty()) {
        // Lines that wrap go up, so that the last one stays above the frame.
        const double lines = FittedText(0, 0, box.Width, title, 14, {}, true).Bottom;
        out += FittedText(box.Left, box.Top - 9 - lines, box.Width, title, 14, {}, true).Svg;
    }
    const double right = box.Left + box.Width;
    const double bottom = box.Top + box.Height;
    for (const auto& [tick, label] : yTicks) {
        const double at = y.Map(tick);
        out += "<line" + Attribute("x1", box.Left) + Attribute("x2", right) + Attribute("y1", at) +
               Attribute("y2", at) + " stroke=\"#ddd\"/>\n";
        out += SvgText(box.Left - 6, at + 4, label, " text-anchor=\"end\" font-size=\"11\"");
    }
    for (const auto& [tick, label] : xTicks) {
        const double at = x.Map(tick);
        out += "<line" + Attribute("x1", at) + Attribute("x2", at) + Attribute("y1", bottom) +
               Attribute("y2", bottom + 4) + " stroke=\"#333\"/>\n";
        out += SvgText(at, bottom + 16, label, " text-anchor=\"middle\" font-size=\"11\"");
    }
    out += "<rect" + Attribute("x", box.Left) + Attribute("y", box.Top) +
           Attribute("width", box.Width) + Attribute("height", box.Height) +
           " fill=\"none\" stroke=\"#333\"/>\n";
    if (!xName.empty()) {
        out += FittedText(box.Left + box.Width / 2, bottom + 36, box.Width, xName, 13,
                          " text-anchor=\"middle\"")
                   .Svg;
    }
    if (!yName.empty()) {
        const double size =
            std::max(9.0, std::min(13.0, 13.0 * box.Height / TextWidth(yName, 13.0)));
        out += "<text transform=\"translate(" + Fixed(box.Left - 44, 1) + " " +
               Fixed(box.Top + box.Height / 2, 1) +
               ") rotate(-90)\" text-anchor=\"middle\" font-size=\"" + Fixed(size, 1) + "\">" +
               SvgEscaped(yName) + "</text>\n";
    }
    return out;
}

double BandHalfWidth(const TRunningStats& stats) noexcept {
    const double half = stats.HalfWidth95();
    return std::isnan(half) ? 0.0 : half;
}

void TBandLine::Add(double x, const TScale& y, double mean, double half) {
    Line.push_back(SvgPoint(x, y.Map(y.Clamp(mean))));
    Upper.push_back(SvgPoint(x, y.Map(y.Clamp(mean + half))));
    Lower.push_back(SvgPoint(x, y.Map(y.Clamp(mean - half))));
}

std::string SvgPoint(double x, double y) { return Fixed(x, 1) + "," + Fixed(y, 1); }

std::string BandPath(std::string_view cls, const std::vector<std::string>& upper,
                     const std::vector<std::string>& lower, const std::string& tint,
                     std::string_view data) {
    if (upper.empty()) return {};
    std::string d;
    for (const std::string& point : upper) d += (d.empty() ? "M" : " L") + point;
    for (auto at = lower.rbegin(); at != lower.rend(); ++at) d += " L" + *at;
    return "<path class=\"" + std::string(cls) + "\"" + std::string(data) + " d=\"" + d +
           " Z\" fill=\"" + tint + "\" fill-opacity=\"0.45\" stroke=\"none\"/>\n";
}

std::string LinePath(std::string_view cls, const std::vector<std::string>& points,
                     const std::string& colour, std::string_view data, std::string_view extra) {
    if (points.empty()) return {};
    std::string d;
    for (const std::string& point : points) d += (d.empty() ? "M" : " L") + point;
    return "<path class=\"" + std::string(cls) + "\"" + std::string(data) + " d=\"" + d +
           "\" fill=\"none\" stroke=\"" + colour +
           "\" stroke-width=\"2\" stroke-linejoin=\"round\"" + std::string(extra) + "/>\n";
}

std::string SvgLegend(double x, double y, double width, const std::vector<TLegendEntry>& entries) {
    std::string out = "<g class=\"legend\" font-size=\"13\">\n";
    for (const TLegendEntry& entry : entries) {
        const std::string mid = Fixed(y, 1);
        const auto line = [&](std::string_view extra) {
            return "<line" + Attribute("x1", x) + Attribute("x2", x + 26) + " y1=\"" + mid +
                   "\" y2=\"" + mid + "\" stroke=\"" + entry.Colour + "\" stroke-width=\"3\"" +
                   std::string(extra) + "/>\n";
        };
        const auto box = [&](double half, const std::string& fill) {
            return "<rect" + Attribute("x", x) + Attribute("y", y - half) + " width=\"26\"" +
                   Attribute("height", 2 * half) + " fill=\"" + fill + "\"/>\n";
        };
        switch (entry.Mark) {
            case TMark::Line:
                out += line({});
                break;
            case TMark::LineAndBand:
                out += box(7, entry.Tint) + line({});
                break;
            case TMark::Band:
                out += box(7, entry.Tint);
                break;
            case TMark::Dashed:
                out += line(" stroke-dasharray=\"6 4\"");
                break;
            case TMark::Dot:
                out += "<circle class=\"key\"" + Attribute("cx", x + 13) + " cy=\"" + mid +
                       "\" r=\"3\" fill=\"" + entry.Colour + "\"/>\n";
                break;
            case TMark::Bar:
                out += box(6, entry.Tint.empty() ? entry.Colour : entry.Tint);
                break;
            case TMark::Interval:
                out += "<line" + Attribute("x1", x + 13) + Attribute("x2", x + 13) +
                       Attribute("y1", y - 8) + Attribute("y2", y + 8) + " stroke=\"" +
                       (entry.Tint.empty() ? entry.Colour : entry.Tint) + "\" stroke-width=\"" +
                       (entry.Tint.empty() ? "1.5" : "6") + "\"/>\n";
                break;
        }
        const TTextBlock label = FittedText(x + 32, y + 4, width - 32, entry.Label, 13);
        out += label.Svg;
        y = label.Bottom - 4 + LegendRow;
    }
    return out + "</g>\n";
}

std::string OpenPicture(TPanelLayout& layout, std::string_view title,
                        const std::vector<std::string>& notes,
                        const std::vector<TLegendEntry>& legend) {
    const double left = TPanelLayout::MarginLeft;
    const double width = left + layout.PanelsWidth() + layout.LegendWidth;
    const TTextBlock heading = SvgHeading(left, width - left - 20, title, notes);
    layout.Top = heading.Bottom + 40;
    std::string out = SvgOpen(layout.Width(), layout.Height());
    out += heading.Svg;
    out += SvgLegend(left + layout.PanelsWidth(), layout.Top + 10, layout.LegendWidth - 20, legend);
    return out;
}

std::string LevelName(int k, int levels) {
    std::string name = "Level " + std::to_string(k);
    if (k == levels) name += " (top)";
    if (k == 1) name += " (bottom)";
    return name;
}

}  // namespace velmora::research
