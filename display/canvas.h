#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>

namespace velmora {

// Drawing on a chart's picture with the rules the chart coordinates rely on:
// a box (x1, y1, x2, y2) covers x1..x2-1 and y1..y2-1, outlined one pixel
// wide in the pen colour and filled with the brush colour; a line leaves out
// its end point; text is placed by the top-left corner of its cell and
// written on the brush colour. Antialiasing is off and everything is clipped
// to the picture.
class TCanvas {
  public:
    explicit TCanvas(QImage& picture) : Picture(picture) {}

    QColor PenColor{0, 0, 0};
    QColor BrushColor{255, 255, 255};
    QColor FontColor{0, 0, 0};
    QFont Font;

    // An empty or inverted box (x2 <= x1 or y2 <= y1) draws nothing; a box
    // one pixel wide or tall is all outline.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);

    void MoveTo(int x, int y) { Pos = QPoint(x, y); }
    void LineTo(int x, int y);
    QPoint PenPos() const { return Pos; }

    void TextOut(int x, int y, const QString& text);

  private:
    enum class TShape { Box, Round };
    void Shape(TShape shape, int x1, int y1, int x2, int y2);
    void Plot(int x, int y);

    QImage& Picture;
    QPoint Pos;
};

}  // namespace velmora
