#include <QString>
#include <algorithm>

#include "display/chart_area.h"
#include "display/chart_geometry.h"
#include "display/colours.h"
#include "display/fonts.h"
#include "display/radio_group.h"
#include "display/tform1.h"

// The drawing of the three charts. Every step leaves the brush in the window
// background, the colour the chart texts are written on.

namespace velmora {

void TForm1::InitialScreen() {
    OrgMap->SetSize(OrgMapWidth, OrgMapHeight);
    DrawOrgMap();
    MFMap->SetSize(MFMapWidth, MFMapHeight);
    DrawMFMap(true);
    ScoreMap->SetSize(ScoreMapWidth, ScoreMapHeight);
    ClearScoreMap();
}

void TForm1::EraseChart(TChartArea* chart) {
    // A rectangle the size of the whole window, clipped by the chart: only
    // its top and left edges fall inside. It always reaches past the chart,
    // also when the window has been made smaller than one chart, so that
    // nothing of the old picture survives.
    TCanvas& canvas = chart->Canvas();
    canvas.BrushColor = WindowBackground;
    const QRect outer = frameGeometry();
    canvas.Rectangle(0, 0, std::max(outer.width(), chart->width() + 1),
                     std::max(outer.height(), chart->height() + 1));
}

void TForm1::DrawOrgMap() {
    const int form = OrgForm->ItemIndex() == RectangleForm ? RectangleForm : PyramidForm;
    const TLevelSizes sizes = OrgFormSizes[static_cast<std::size_t>(form)];
    TCanvas& canvas = OrgMap->Canvas();
    canvas.PenColor = Navy;
    EraseChart(OrgMap);
    canvas.Font = ChartFont(font());
    canvas.FontColor = WindowText;
    canvas.TextOut(50, 10, QStringLiteral("Organization Form"));
    canvas.TextOut(
        60, 20, form == PyramidForm ? QStringLiteral(": Pyramid") : QStringLiteral(": Rectangle"));
    for (int level = 1; level <= LevelCount; ++level) {
        const int half = sizes[level] / 2;
        const int w = RoundHalfEven(half / 2.5);
        canvas.BrushColor = Teal;
        canvas.Rectangle(125 - w, LevelTop(level), 125 + w, LevelBottom(level));
        canvas.BrushColor = WindowBackground;
    }
    OrgMap->ShowPicture();
}

void TForm1::DrawMFMap(bool Initial) {
    TCanvas& canvas = MFMap->Canvas();
    canvas.PenColor = Navy;
    if (Initial) {
        EraseChart(MFMap);
        canvas.Font = ChartFont(font());
        canvas.FontColor = WindowText;
        canvas.TextOut(45, 10, QStringLiteral("Distribution of Male-Female"));
    }
    for (int level = 1; level <= LevelCount; ++level) {
        double women = 0.5;
        if (!Initial) {
            if (Org.LevelSize[level] <= 0) {
                continue;  // no positions, no share to draw
            }
            women = static_cast<double>(Org.FemaleCount[level]) / Org.LevelSize[level];
        }
        const double men = 1.0 - women;
        canvas.BrushColor = Blue;
        canvas.Rectangle(DataLeft, LevelTop(level), DataLeft + RoundHalfEven(200.0 * men),
                         LevelBottom(level));
        canvas.BrushColor = WindowBackground;
        canvas.BrushColor = Red;
        canvas.Rectangle(DataRight - RoundHalfEven(200.0 * women), LevelTop(level), DataRight,
                         LevelBottom(level));
        canvas.BrushColor = WindowBackground;
    }
    MFMap->ShowPicture();
}

void TForm1::ClearScoreMap() {
    TCanvas& canvas = ScoreMap->Canvas();
    // The erasing outline takes the pen of the moment; navy from the start,
    // since this chart is drawn once before the window is first shown.
    canvas.PenColor = Navy;
    EraseChart(ScoreMap);
    canvas.Font = ChartFont(font());
    canvas.FontColor = WindowText;
    canvas.TextOut(50, 10, QStringLiteral("Mean Scores"));
    canvas.MoveTo(25, 20);
    canvas.LineTo(25, 180);
    canvas.MoveTo(25, 180);
    canvas.LineTo(225, 180);
    for (int k = 0; k <= 10; ++k) {
        canvas.MoveTo(25 + 20 * k, 180);
        canvas.LineTo(25 + 20 * k, 183);
        if (k % 5 == 0) {
            canvas.TextOut(22 + 20 * k, 185, QString::number(10 * k));
        }
    }
    ScoreMap->ShowPicture();
}

void TForm1::ShowResults() {
    DrawMFMap(false);
    DrawScores();
}

void TForm1::DrawScores() {
    TCanvas& canvas = ScoreMap->Canvas();
    if (Org.Period > 1) {
        canvas.PenColor = WindowBackground;
        canvas.BrushColor = WindowBackground;
        for (int level = 1; level <= LevelCount; ++level) {
            const int x = Org.PrevScoreDotX[level];
            const int y = LevelTop(level);
            canvas.Ellipse(x - 3, y - 3, x + 3, y + 3);
        }
    }
    for (int level = 1; level <= LevelCount; ++level) {
        Org.ScoreDotX[level] = DataLeft + RoundHalfEven(2.0 * Org.MeanScore[level]);
    }
    canvas.PenColor = Navy;
    canvas.BrushColor = Fuchsia;
    for (int level = 1; level <= LevelCount; ++level) {
        const int x = Org.ScoreDotX[level];
        const int y = LevelTop(level);
        canvas.Ellipse(x - 3, y - 3, x + 3, y + 3);
    }
    canvas.BrushColor = WindowBackground;
    Org.PrevScoreDotX = Org.ScoreDotX;
    ScoreMap->ShowPicture();
}

}  // namespace velmora
