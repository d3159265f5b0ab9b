#pragma once

#include <QIcon>
#include <QImage>

namespace velmora {

inline constexpr int GlyphSize = 18;

// Button glyphs, 18 x 18, each with a grey embossed copy for the disabled look.
QIcon StartGlyph();  // a green check mark
QIcon EndGlyph();    // a door

// The glyph images themselves, exposed for the tests.
QImage StartGlyphImage();
QImage EndGlyphImage();
QImage DisabledCopy(const QImage& glyph);

}  // namespace velmora
