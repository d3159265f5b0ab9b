#pragma once

#include <QFont>

namespace velmora {

// Maps the Windows face names the window asks for onto the closest fonts
// Debian ships (fonts-ipafont-gothic, fonts-liberation) where fontconfig
// has no alias of its own. Safe to call more than once.
void InstallFontSubstitutions();

// The window's own font, used by every control without a font of its own.
QFont DialogFont();
// F1: proportional gothic, 13-pixel characters, bold.
QFont FontF1();
// F2: fixed-pitch gothic, 13-pixel characters, bold.
QFont FontF2();
// The heading: "Arial Black" with 19-pixel characters.
QFont HeadingFont();
// Chart texts: "Times New Roman" bold at the size of the given font, drawn
// in two colours like the rest of the chart.
QFont ChartFont(const QFont& base);

}  // namespace velmora
