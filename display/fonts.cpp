#include "display/fonts.h"

namespace velmora {

namespace {
// Face names exactly as the window asks for them.
const QString PGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString Gothic = QStringLiteral("ＭＳ ゴシック");
const QString ArialBlack = QStringLiteral("Arial Black");
const QString TimesNewRoman = QStringLiteral("Times New Roman");

QFont Make(const QString& family, int pixels, QFont::Weight weight) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}
}  // namespace

void InstallFontSubstitutions() {
    // fontconfig resolves the two gothic faces and "Arial Black" to DejaVu
    // Sans; Times New Roman already has a metric alias (Liberation Serif).
    QFont::insertSubstitution(PGothic, QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(Gothic, QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(ArialBlack, QStringLiteral("Liberation Sans"));
}

QFont DialogFont() {
    // An 8-point sans serif at 96 dpi, the size the layout's 20-pixel text
    // fields and 23-pixel buttons were measured for. Pixel sizes keep the
    // layout independent of the screen's dots per inch.
    return Make(QStringLiteral("Liberation Sans"), 11, QFont::Normal);
}

QFont FontF1() { return Make(PGothic, 13, QFont::Bold); }

QFont FontF2() {
    QFont font = Make(Gothic, 13, QFont::Bold);
    font.setStyleHint(QFont::Monospace);
    return font;
}

QFont HeadingFont() { return Make(ArialBlack, 19, QFont::Black); }

QFont ChartFont(const QFont& base) {
    QFont font(TimesNewRoman);
    if (base.pixelSize() > 0) {
        font.setPixelSize(base.pixelSize());
    } else {
        font.setPointSizeF(base.pointSizeF());
    }
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

}  // namespace velmora
