#include "display/chart_area.h"

#include <QPainter>

namespace velmora {

TChartArea::TChartArea(const QColor& blank, QWidget* parent) : QWidget(parent), Blank(blank) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers the whole area
    FitPicture();
}

void TChartArea::SetSize(int width, int height) {
    resize(width, height);
    FitPicture();  // a hidden widget gets its resize event only when shown
}

TCanvas& TChartArea::Canvas() {
    FitPicture();
    return Pen;
}

void TChartArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitPicture();
}

void TChartArea::FitPicture() {
    if (Image.size() == size()) {
        return;
    }
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(Blank);
    QPainter painter(&resized);
    painter.drawImage(0, 0, Image);
    painter.end();
    Image = resized;  // assigned in place: the canvas keeps drawing on it
}

void TChartArea::ShowPicture() {
    if (isVisible()) {
        repaint();
    }
}

void TChartArea::paintEvent(QPaintEvent* /*event*/) {
    FitPicture();
    QPainter painter(this);
    painter.drawImage(0, 0, Image);
}

}  // namespace velmora
