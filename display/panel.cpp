#include "display/panel.h"

#include <QPainter>

#include "display/colours.h"
#include "display/look.h"

namespace velmora {

TPanel::TPanel(const QColor& face, QWidget* parent) : QFrame(parent) { SetFace(this, face); }

void TPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    for (int inset = 0; inset < 2; ++inset) {
        const int left = inset;
        const int top = inset;
        const int right = width() - 1 - inset;
        const int bottom = height() - 1 - inset;
        painter.setPen(BtnHighlight);
        painter.drawLine(left, top, right - 1, top);
        painter.drawLine(left, top, left, bottom - 1);
        painter.setPen(BtnShadow);
        painter.drawLine(left, bottom, right, bottom);
        painter.drawLine(right, top, right, bottom);
    }
}

}  // namespace velmora
