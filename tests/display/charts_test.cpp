#include <QtTest>

#include "display/chart_area.h"
#include "display/chart_geometry.h"
#include "display/colours.h"
#include "display/radio_group.h"
#include "display/tform1.h"
#include "pixels.h"

using namespace velmora;
using velmora::test::AllOf;
using velmora::test::CountColour;
using velmora::test::InkBox;

namespace {
const QColor& Paper = WindowBackground;

int Mid(int level) { return LevelTop(level) + 10; }
}  // namespace

class ChartsTest : public QObject {
    Q_OBJECT

    TOrganisation Org;
    TForm1* Form = nullptr;

    const QImage& OrgChart() const { return Form->OrgMap->Picture(); }
    const QImage& MF() const { return Form->MFMap->Picture(); }
    const QImage& Scores() const { return Form->ScoreMap->Picture(); }

  private slots:
    void init() {
        Org = TOrganisation{};
        Form = new TForm1(Org);
        Form->InitialScreen();
    }
    void cleanup() { delete Form; }

    void organisationBars_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        const int pyramid[8][2] = {{25, 225},  {55, 195},  {85, 165},  {95, 155},
                                   {105, 145}, {110, 140}, {117, 133}, {123, 127}};
        for (int level = 1; level <= 8; ++level) {
            QTest::addRow("pyramid %d", level)
                << PyramidForm << level << pyramid[level - 1][0] << pyramid[level - 1][1];
            QTest::addRow("rectangle %d", level) << RectangleForm << level << 89 << 161;
        }
    }
    void organisationBars() {
        QFETCH(int, form);
        QFETCH(int, level);
        QFETCH(int, from);
        QFETCH(int, to);
        Form->OrgForm->SetItemIndex(form);
        Form->DrawOrgMap();
        const QImage& image = OrgChart();
        const int top = LevelTop(level);
        const int bottom = LevelBottom(level) - 1;
        QCOMPARE(InkBox(image, QRect(1, Mid(level), 249, 1), Paper),
                 QRect(from, Mid(level), to - from, 1));
        QVERIFY(AllOf(image, QRect(from, top, to - from, 1), Navy));
        QVERIFY(AllOf(image, QRect(from, bottom, to - from, 1), Navy));
        QCOMPARE(image.pixelColor(from, Mid(level)), Navy);
        QCOMPARE(image.pixelColor(to - 1, Mid(level)), Navy);
        QVERIFY(AllOf(image, QRect(from + 1, top + 1, to - from - 2, 18), Teal));
    }

    void organisationChartFollowsTheChoice() {
        const QRect caption(55, 20, 120, 10);
        const QImage pyramid = OrgChart().copy(caption);
        Form->OrgForm->SetItemIndex(RectangleForm);
        Form->DrawOrgMap();
        QVERIFY(OrgChart().copy(caption) != pyramid);
        QCOMPARE(OrgChart().pixelColor(26, Mid(1)), Paper);  // the wide bottom bar is gone
        Form->OrgForm->SetItemIndex(PyramidForm);
        Form->DrawOrgMap();
        QCOMPARE(OrgChart().copy(caption), pyramid);
    }

    void textsStartAtTheirPoints_data() {
        QTest::addColumn<int>("chart");
        QTest::addColumn<QRect>("band");  // where the text's ink lies
        QTest::newRow("Organization Form") << 0 << QRect(50, 10, 200, 10);
        QTest::newRow("Distribution") << 1 << QRect(45, 10, 205, 20);
        QTest::newRow("Mean Scores") << 2 << QRect(50, 10, 200, 10);
        QTest::newRow("0") << 2 << QRect(22, 185, 20, 15);
        QTest::newRow("50") << 2 << QRect(122, 185, 20, 15);
        QTest::newRow("100") << 2 << QRect(222, 185, 28, 15);
    }
    void textsStartAtTheirPoints() {
        QFETCH(int, chart);
        QFETCH(QRect, band);
        const QImage& image = chart == 0 ? OrgChart() : chart == 1 ? MF() : Scores();
        // Ink in the band, none just left of or above the text's point.
        QVERIFY(CountColour(image, band, WindowText) > 0);
        QCOMPARE(
            CountColour(image, QRect(band.left() - 4, band.top(), 4, band.height()), WindowText),
            0);
        QCOMPARE(
            CountColour(image, QRect(band.left(), band.top() - 3, band.width(), 3), WindowText), 0);
    }

    void eraseLeavesTopAndLeftEdges_data() {
        QTest::addColumn<int>("chart");
        QTest::addColumn<QSize>("window");
        QTest::newRow("organisation") << 0 << QSize(642, 559);
        QTest::newRow("male-female") << 1 << QSize(642, 559);
        QTest::newRow("scores") << 2 << QSize(642, 559);
        QTest::newRow("window smaller than a chart") << 0 << QSize(120, 90);
    }
    void eraseLeavesTopAndLeftEdges() {
        QFETCH(int, chart);
        QFETCH(QSize, window);
        Form->resize(window);
        Form->InitialScreen();
        const QImage& image = chart == 0 ? OrgChart() : chart == 1 ? MF() : Scores();
        QVERIFY(AllOf(image, QRect(0, 0, 250, 1), Navy));
        QVERIFY(AllOf(image, QRect(0, 0, 1, 200), Navy));
        // No right or bottom edge, nothing of the blank area left over.
        QVERIFY(AllOf(image, QRect(249, 1, 1, 199), Paper));
        QVERIFY(AllOf(image, QRect(1, 199, 249, 1), Paper));
        QCOMPARE(CountColour(image, image.rect(), BtnFace), 0);
    }

    void initialMaleFemaleSplitsAt125() {
        for (int level = 1; level <= 8; ++level) {
            const int y = Mid(level);
            QCOMPARE(InkBox(MF(), QRect(1, y, 249, 1), Paper), QRect(25, y, 200, 1));
            QVERIFY(AllOf(MF(), QRect(26, y, 98, 1), Blue));
            QVERIFY(AllOf(MF(), QRect(124, y, 2, 1), Navy));
            QVERIFY(AllOf(MF(), QRect(126, y, 98, 1), Red));
            QCOMPARE(MF().pixelColor(224, y), Navy);
        }
    }

    void maleFemaleBars_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("women");
        QTest::addColumn<int>("split");  // first x of the red bar
        QTest::newRow("no women") << 500 << 0 << 225;
        QTest::newRow("all women") << 500 << 500 << 25;
        QTest::newRow("178 with 89") << 178 << 89 << 125;
        QTest::newRow("10 with 3") << 10 << 3 << 165;
        QTest::newRow("178 with 1") << 178 << 1 << 224;
        QTest::newRow("share above 1") << 10 << 12 << -15;
    }
    void maleFemaleBars() {
        QFETCH(int, size);
        QFETCH(int, women);
        QFETCH(int, split);
        for (int level = 1; level <= 8; ++level) {
            Org.LevelSize[level] = size;
            Org.FemaleCount[level] = women;
        }
        Org.Period = 1;
        Form->ShowResults();
        for (int level = 1; level <= 8; ++level) {
            const int y = Mid(level);
            const QRect row(0, y, 250, 1);
            // Blue from 25 up to the split, red from the split to 224; the
            // half-and-half bars below are covered completely.
            const int blue = std::max(0, split - 25 - 2);
            const int red = split < 0 ? 224 : std::max(0, 225 - split - 2);
            QCOMPARE(CountColour(MF(), row, Blue), blue);
            QCOMPARE(CountColour(MF(), row, Red), red);
            QCOMPARE(MF().pixelColor(225, y), Paper);
            if (split > 25) {
                QCOMPARE(MF().pixelColor(25, y), Navy);
                QCOMPARE(MF().pixelColor(split - 1, y), Navy);
            }
            if (split < 225) {
                QCOMPARE(MF().pixelColor(std::max(split, 0), y), split < 0 ? Red : Navy);
                QCOMPARE(MF().pixelColor(224, y), Navy);
            }
        }
    }

    void bareAxes() {
        const QImage& image = Scores();
        QVERIFY(AllOf(image, QRect(25, 20, 1, 160), Navy));
        QCOMPARE(image.pixelColor(25, 19), Paper);
        QVERIFY(AllOf(image, QRect(25, 180, 200, 1), Navy));
        QCOMPARE(image.pixelColor(226, 180), Paper);
        for (int k = 0; k <= 10; ++k) {
            const int x = 25 + 20 * k;
            QVERIFY2(AllOf(image, QRect(x, 180, 1, 3), Navy), qPrintable(QString::number(k)));
            QCOMPARE(image.pixelColor(x, 183), Paper);
            QCOMPARE(image.pixelColor(x + 1, 181), Paper);
        }
        QCOMPARE(CountColour(image, image.rect(), Fuchsia), 0);
        // Axes and ticks are the only navy apart from the erase edges.
        QCOMPARE(CountColour(image, QRect(1, 1, 249, 199), Navy), 160 + 200 + 10 * 2 + 3);
    }

    void scoreDots_data() {
        QTest::addColumn<double>("score");
        QTest::addColumn<int>("x");
        QTest::newRow("50") << 50.0 << 125;
        QTest::newRow("50.25, half to even") << 50.25 << 125;
        QTest::newRow("50.75, half to even") << 50.75 << 127;
        QTest::newRow("12.25, half to even") << 12.25 << 49;
        QTest::newRow("0") << 0.0 << 25;
        QTest::newRow("100") << 100.0 << 225;
    }
    void scoreDots() {
        QFETCH(double, score);
        QFETCH(int, x);
        for (int level = 1; level <= 8; ++level) {
            Org.MeanScore[level] = score;
            Org.LevelSize[level] = 178;
            Org.FemaleCount[level] = 89;
        }
        Org.Period = 1;
        Form->ShowResults();
        for (int level = 1; level <= 8; ++level) {
            QCOMPARE(Org.ScoreDotX[level], x);
            QCOMPARE(Org.PrevScoreDotX[level], x);
            const int y = LevelTop(level);
            QCOMPARE(Scores().pixelColor(x, y), Fuchsia);
            QCOMPARE(InkBox(Scores(), QRect(x - 6, y - 1, 13, 2), Paper),
                     QRect(x - 3, y - 1, 6, 2));
            QCOMPARE(Scores().pixelColor(x - 3, y), Navy);
            QCOMPARE(Scores().pixelColor(x + 2, y), Navy);
        }
    }

    void previousDotsPaintedOverFromTheSecondPeriod_data() {
        QTest::addColumn<int>("period");
        QTest::addColumn<bool>("oldDotStays");
        QTest::newRow("first period") << 1 << true;
        QTest::newRow("second period") << 2 << false;
        QTest::newRow("later period") << 37 << false;
    }
    void previousDotsPaintedOverFromTheSecondPeriod() {
        QFETCH(int, period);
        QFETCH(bool, oldDotStays);
        for (int level = 1; level <= 8; ++level) {
            Org.LevelSize[level] = 178;
            Org.FemaleCount[level] = 89;
            Org.MeanScore[level] = 30.0;  // x = 85
        }
        Org.Period = 1;
        Form->ShowResults();
        for (int level = 1; level <= 8; ++level) {
            Org.MeanScore[level] = 45.0;  // x = 115
        }
        Org.Period = period;
        Form->ShowResults();
        for (int level = 1; level <= 8; ++level) {
            const int y = LevelTop(level);
            QCOMPARE(Scores().pixelColor(85, y), oldDotStays ? Fuchsia : Paper);
            QCOMPARE(InkBox(Scores(), QRect(80, y - 3, 10, 6), Paper).isNull(), !oldDotStays);
            QCOMPARE(Scores().pixelColor(115, y), Fuchsia);
        }
    }

    void brushLeftInTheBackground_data() {
        QTest::addColumn<QString>("step");
        for (const char* step : {"InitialScreen", "DrawOrgMap", "DrawMFMap(true)",
                                 "DrawMFMap(false)", "ClearScoreMap", "ShowResults"}) {
            QTest::newRow(step) << QString::fromLatin1(step);
        }
    }
    void brushLeftInTheBackground() {
        QFETCH(QString, step);
        for (int level = 1; level <= 8; ++level) {
            Org.LevelSize[level] = 100;
            Org.FemaleCount[level] = 30;
            Org.MeanScore[level] = 40.0;
        }
        Org.Period = 2;
        for (TChartArea* chart : {Form->OrgMap, Form->MFMap, Form->ScoreMap}) {
            chart->Canvas().BrushColor = Fuchsia;
        }
        if (step == "InitialScreen") Form->InitialScreen();
        if (step == "DrawOrgMap") Form->DrawOrgMap();
        if (step == "DrawMFMap(true)") Form->DrawMFMap(true);
        if (step == "DrawMFMap(false)") Form->DrawMFMap(false);
        if (step == "ClearScoreMap") Form->ClearScoreMap();
        if (step == "ShowResults") Form->ShowResults();
        const bool org = step == "InitialScreen" || step == "DrawOrgMap";
        const bool mf =
            step.startsWith("DrawMFMap") || step == "InitialScreen" || step == "ShowResults";
        const bool scores = step != "DrawOrgMap" && !step.startsWith("DrawMFMap");
        QCOMPARE(Form->OrgMap->Canvas().BrushColor, org ? Paper : Fuchsia);
        QCOMPARE(Form->MFMap->Canvas().BrushColor, mf ? Paper : Fuchsia);
        QCOMPARE(Form->ScoreMap->Canvas().BrushColor, scores ? Paper : Fuchsia);
    }
};

QTEST_MAIN(ChartsTest)
#include "charts_test.moc"
