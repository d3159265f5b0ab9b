#include <QFontMetrics>
#include <QtTest>

#include "display/canvas.h"
#include "display/colours.h"
#include "display/fonts.h"
#include "pixels.h"

using namespace velmora;
using velmora::test::AllOf;
using velmora::test::CountColour;
using velmora::test::InkBox;

namespace {
const QColor Paper{255, 255, 255};
const QColor Pen{0, 0, 128};
const QColor Fill{0, 128, 128};

QImage Blank() {
    QImage image(250, 200, QImage::Format_RGB32);
    image.fill(Paper);
    return image;
}
}  // namespace

class CanvasTest : public QObject {
    Q_OBJECT

  private slots:
    void boxes_data() {
        QTest::addColumn<bool>("ellipse");
        QTest::addColumn<QRect>("corners");  // x1, y1, x2, y2 as left, top, right, bottom
        QTest::addColumn<QRect>("ink");
        QTest::addColumn<int>("filled");
        QTest::newRow("box") << false << QRect(QPoint(10, 20), QPoint(30, 25))
                             << QRect(10, 20, 20, 5) << 18 * 3;
        QTest::newRow("box 2x2 is all outline")
            << false << QRect(QPoint(5, 5), QPoint(7, 7)) << QRect(5, 5, 2, 2) << 0;
        QTest::newRow("box 1x1") << false << QRect(QPoint(5, 5), QPoint(6, 6)) << QRect(5, 5, 1, 1)
                                 << 0;
        QTest::newRow("box 1 wide")
            << false << QRect(QPoint(5, 5), QPoint(6, 15)) << QRect(5, 5, 1, 10) << 0;
        QTest::newRow("box empty")
            << false << QRect(QPoint(225, 5), QPoint(225, 15)) << QRect() << 0;
        QTest::newRow("box inverted")
            << false << QRect(QPoint(40, 5), QPoint(25, 15)) << QRect() << 0;
        QTest::newRow("box clipped")
            << false << QRect(QPoint(-5, -5), QPoint(10, 10)) << QRect(0, 0, 10, 10) << 9 * 9;
        QTest::newRow("box past the far edges")
            << false << QRect(QPoint(240, 190), QPoint(642, 559)) << QRect(240, 190, 10, 10)
            << 9 * 9;
        QTest::newRow("dot") << true << QRect(QPoint(122, 167), QPoint(128, 173))
                             << QRect(122, 167, 6, 6) << -1;
        QTest::newRow("ellipse empty")
            << true << QRect(QPoint(10, 10), QPoint(10, 16)) << QRect() << 0;
    }
    void boxes() {
        QFETCH(bool, ellipse);
        QFETCH(QRect, corners);
        QFETCH(QRect, ink);
        QFETCH(int, filled);
        QImage image = Blank();
        TCanvas canvas(image);
        canvas.PenColor = Pen;
        canvas.BrushColor = Fill;
        const QPoint a = corners.topLeft();
        const QPoint b = corners.bottomRight();
        if (ellipse) {
            canvas.Ellipse(a.x(), a.y(), b.x(), b.y());
        } else {
            canvas.Rectangle(a.x(), a.y(), b.x(), b.y());
        }
        QCOMPARE(InkBox(image, image.rect(), Paper), ink);
        if (filled >= 0) {
            QCOMPARE(CountColour(image, image.rect(), Fill), filled);
        }
        if (!ellipse && ink.width() > 2 && ink.height() > 2) {
            // Outline in the pen colour all round, inside in the brush colour.
            QVERIFY(AllOf(image, QRect(ink.left(), ink.top(), ink.width(), 1), Pen) ||
                    corners.top() < 0);
            QVERIFY(AllOf(image, QRect(ink.left(), ink.bottom(), ink.width(), 1), Pen) ||
                    corners.bottom() > image.height());
        }
    }

    void dotIsARoundSixBySix() {
        QImage image = Blank();
        TCanvas canvas(image);
        canvas.PenColor = Pen;
        canvas.BrushColor = Fill;
        canvas.Ellipse(122, 167, 128, 173);
        const int widths[] = {4, 6, 6, 6, 6, 4};
        for (int row = 0; row < 6; ++row) {
            const QRect ink = InkBox(image, QRect(0, 167 + row, 250, 1), Paper);
            QCOMPARE(ink.width(), widths[row]);
            QCOMPARE(ink.left() + ink.right(), 122 + 127);  // symmetric about the centre
        }
        QCOMPARE(image.pixelColor(125, 170), Fill);
    }

    void lines_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("pixels");
        QTest::newRow("down") << QPoint(25, 20) << QPoint(25, 180) << 160;
        QTest::newRow("right") << QPoint(25, 180) << QPoint(225, 180) << 200;
        QTest::newRow("up") << QPoint(30, 50) << QPoint(30, 40) << 10;
        QTest::newRow("left") << QPoint(60, 50) << QPoint(50, 50) << 10;
        QTest::newRow("one step") << QPoint(7, 7) << QPoint(8, 7) << 1;
        QTest::newRow("no length") << QPoint(7, 7) << QPoint(7, 7) << 0;
        QTest::newRow("diagonal") << QPoint(10, 10) << QPoint(20, 20) << 10;
        QTest::newRow("slope") << QPoint(10, 10) << QPoint(40, 20) << 30;
        QTest::newRow("steep back") << QPoint(40, 60) << QPoint(35, 20) << 40;
        QTest::newRow("leaving the picture") << QPoint(245, 5) << QPoint(300, 5) << 5;
    }
    void lines() {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(int, pixels);
        QImage image = Blank();
        TCanvas canvas(image);
        canvas.PenColor = Pen;
        canvas.MoveTo(from.x(), from.y());
        canvas.LineTo(to.x(), to.y());
        QCOMPARE(canvas.PenPos(), to);
        QCOMPARE(CountColour(image, image.rect(), Pen), pixels);
        if (image.rect().contains(to)) {
            QCOMPARE(image.pixelColor(to), Paper);  // the end point is left out
        }
        if (pixels > 0) {
            QCOMPARE(image.pixelColor(from), Pen);
            // The line stays within the box of its two points.
            const QRect ink = InkBox(image, image.rect(), Paper);
            const QRect span(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                             QPoint(std::max(from.x(), to.x()), std::max(from.y(), to.y())));
            QVERIFY(span.contains(ink));
        }
    }

    void textCellStartsAtItsPointOnTheBrush() {
        InstallFontSubstitutions();
        QImage image = Blank();
        image.fill(QColor(240, 240, 240));  // differs from the text cell's brush
        TCanvas canvas(image);
        canvas.BrushColor = Paper;
        canvas.FontColor = QColor(0, 0, 0);
        canvas.Font = ChartFont(DialogFont());
        canvas.TextOut(50, 10, QStringLiteral("Mean Scores"));
        const QRect cell = InkBox(image, image.rect(), QColor(240, 240, 240));
        const QFontMetrics metrics(canvas.Font);
        QCOMPARE(cell.topLeft(), QPoint(50, 10));
        QCOMPARE(cell.height(), metrics.ascent() + metrics.descent());
        QCOMPARE(cell.width(), metrics.horizontalAdvance(QStringLiteral("Mean Scores")));
        // Two colours only: no antialiased glyph edges.
        QCOMPARE(CountColour(image, cell, Paper) + CountColour(image, cell, QColor(0, 0, 0)),
                 cell.width() * cell.height());
        QVERIFY(CountColour(image, cell, QColor(0, 0, 0)) > 0);
    }
};

QTEST_MAIN(CanvasTest)
#include "canvas_test.moc"
