#include "research/svg_colours.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/shape.h"

namespace velmora::research {

namespace {

// Distinct for the eye and in grey print, level 1 to level 8.
constexpr std::array<const char*, LevelCount> Colours = {
    "#1b9e77", "#d95f02", "#7570b3", "#e7298a", "#66a61e", "#e6ab02", "#a6761d", "#444444"};
// The same colours mixed with 60% white, for the bands: pale even where a
// viewer ignores transparency.
constexpr std::array<const char*, LevelCount> Tints = {"#a4d8c9", "#f0bf9a", "#c8c6e1", "#f5a9d0",
                                                       "#c2dba5", "#f5dd9a", "#dbc8a5", "#b4b4b4"};

std::string Hex(double red, double green, double blue) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text = "#";
    for (const double channel : {red, green, blue}) {
        const int value = static_cast<int>(std::lround(std::clamp(channel, 0.0, 1.0) * 255.0));
        text += Digits[value >> 4];
        text += Digits[value & 15];
    }
    return text;
}

// Beyond eight levels: hues around the wheel from red to purple, neighbours
// told apart by alternating lightness as well.
std::string Ramp(int k, int levels, double white) {
    const double hue = 300.0 * (k - 1) / (levels - 1);
    const double lightness = k % 2 == 1 ? 0.36 : 0.52;
    const double chroma = (1.0 - std::fabs(2.0 * lightness - 1.0)) * 0.75;
    const double h = hue / 60.0;
    const double x = chroma * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
    const int sector = static_cast<int>(h) % 6;
    const double rgb[6][3] = {{chroma, x, 0}, {x, chroma, 0}, {0, chroma, x},
                              {0, x, chroma}, {x, 0, chroma}, {chroma, 0, x}};
    const double m = lightness - chroma / 2.0;
    const auto mix = [&](double c) { return (c + m) * (1.0 - white) + white; };
    return Hex(mix(rgb[sector][0]), mix(rgb[sector][1]), mix(rgb[sector][2]));
}

}  // namespace

std::string Colour(int k, int levels) {
    return levels <= LevelCount ? Colours[static_cast<std::size_t>(k - 1)] : Ramp(k, levels, 0.0);
}
std::string Tint(int k, int levels) {
    return levels <= LevelCount ? Tints[static_cast<std::size_t>(k - 1)] : Ramp(k, levels, 0.6);
}

}  // namespace velmora::research
