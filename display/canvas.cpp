#include "display/canvas.h"

#include <QPainter>
#include <cstdlib>

namespace velmora {

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) { Shape(TShape::Box, x1, y1, x2, y2); }

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) { Shape(TShape::Round, x1, y1, x2, y2); }

void TCanvas::Shape(TShape shape, int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) {
        return;  // Qt would normalise such a box and still draw two columns
    }
    QPainter painter(&Picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect box(x1, y1, x2 - x1, y2 - y1);
    if (shape == TShape::Box) {
        // Filled rather than stroked: Qt's outlines lose a corner pixel when
        // the box starts outside the picture.
        painter.fillRect(box, PenColor);
        if (box.width() > 2 && box.height() > 2) {  // Qt would fill a negative box
            painter.fillRect(box.adjusted(1, 1, -1, -1), BrushColor);
        }
        return;
    }
    if (box.width() == 1 || box.height() == 1) {
        painter.fillRect(box, PenColor);
        return;
    }
    // Qt's outlined shapes cover one pixel more than their width and height.
    painter.setPen(QPen(PenColor, 1));
    painter.setBrush(BrushColor);
    painter.drawEllipse(box.adjusted(0, 0, -1, -1));
}

void TCanvas::Plot(int x, int y) {
    if (Picture.rect().contains(x, y)) {
        Picture.setPixelColor(x, y, PenColor);
    }
}

void TCanvas::LineTo(int x, int y) {
    // Bresenham's walk from the current point, stopping before the end
    // point; plotted directly because Qt's own lines keep their end point
    // and step differently on slopes.
    int cx = Pos.x();
    int cy = Pos.y();
    const int dx = std::abs(x - cx);
    const int dy = -std::abs(y - cy);
    const int sx = cx < x ? 1 : -1;
    const int sy = cy < y ? 1 : -1;
    int error = dx + dy;
    while (cx != x || cy != y) {
        Plot(cx, cy);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            cx += sx;
        }
        if (twice <= dx) {
            error += dx;
            cy += sy;
        }
    }
    Pos = QPoint(x, y);
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    QPainter painter(&Picture);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(Font);
    painter.setPen(FontColor);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(BrushColor);
    constexpr int Unbounded = 100000;
    painter.drawText(QRect(x, y, Unbounded, Unbounded),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

}  // namespace velmora
