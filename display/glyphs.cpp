#include "display/glyphs.h"

#include <QPixmap>
#include <array>

namespace velmora {

namespace {

using TArt = std::array<const char*, GlyphSize>;

// '.' is the transparent background; every other letter names a colour.
const TArt CheckArt = {
    "..................", "..................", "...............g..", "..............gG..",
    ".............gGG..", "............gGGg..", "...........gGGg...", "..........gGGg....",
    "..g......gGGg.....", "..Gg....gGGg......", "..GGg..gGGg.......", "...GGggGGg........",
    "....GGGGg.........", ".....GGg..........", "......g...........", "..................",
    "..................", "..................",
};

const TArt DoorArt = {
    "..................", "...DDDDDDDDDDDD...", "...DBBBBBBBBBBD...", "...DBLLLLLLLLBD...",
    "...DBLBBBBBBLBD...", "...DBLBBBBBBLBD...", "...DBLBBBBBBLBD...", "...DBLLLLLLLLBD...",
    "...DBBBBBBBBYBD...", "...DBBBBBBBBYBD...", "...DBLLLLLLLLBD...", "...DBLBBBBBBLBD...",
    "...DBLBBBBBBLBD...", "...DBLBBBBBBLBD...", "...DBLLLLLLLLBD...", "...DBBBBBBBBBBD...",
    "..DDDDDDDDDDDDDD..", "..................",
};

QRgb ColourOf(char letter) {
    switch (letter) {
        case 'G':
            return qRgb(0, 128, 0);  // check mark
        case 'g':
            return qRgb(0, 192, 0);  // its lit edge
        case 'D':
            return qRgb(64, 64, 64);  // door frame
        case 'B':
            return qRgb(128, 64, 0);  // door leaf
        case 'L':
            return qRgb(192, 128, 64);  // panel moulding
        case 'Y':
            return qRgb(255, 255, 0);  // handle
        default:
            return qRgba(0, 0, 0, 0);
    }
}

QImage Paint(const TArt& art) {
    QImage image(GlyphSize, GlyphSize, QImage::Format_ARGB32);
    for (int y = 0; y < GlyphSize; ++y) {
        for (int x = 0; x < GlyphSize; ++x) {
            image.setPixel(x, y, ColourOf(art[static_cast<std::size_t>(y)][x]));
        }
    }
    return image;
}

QIcon Icon(const QImage& glyph) {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(glyph), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(DisabledCopy(glyph)), QIcon::Disabled);
    return icon;
}

}  // namespace

QImage StartGlyphImage() { return Paint(CheckArt); }
QImage EndGlyphImage() { return Paint(DoorArt); }

QImage DisabledCopy(const QImage& glyph) {
    // The classic embossed look: the shape in grey over a white copy one
    // pixel down and to the right.
    QImage grey(glyph.size(), QImage::Format_ARGB32);
    grey.fill(Qt::transparent);
    const int w = glyph.width();
    const int h = glyph.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (qAlpha(glyph.pixel(x, y)) != 0) {
                if (x + 1 < w && y + 1 < h) {
                    grey.setPixel(x + 1, y + 1, qRgb(255, 255, 255));
                }
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (qAlpha(glyph.pixel(x, y)) != 0) {
                grey.setPixel(x, y, qRgb(128, 128, 128));
            }
        }
    }
    return grey;
}

QIcon StartGlyph() { return Icon(StartGlyphImage()); }
QIcon EndGlyph() { return Icon(EndGlyphImage()); }

}  // namespace velmora
