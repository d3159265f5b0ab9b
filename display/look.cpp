#include "display/look.h"

#include <QPalette>

namespace velmora {

void SetFont(QWidget* widget, const QFont& font, const QColor& colour) {
    widget->setFont(font);
    QPalette colours = widget->palette();
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        colours.setColor(QPalette::Active, role, colour);
        colours.setColor(QPalette::Inactive, role, colour);
    }
    widget->setPalette(colours);
}

void SetFace(QWidget* widget, const QColor& colour) {
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, colour);
    widget->setPalette(colours);
    widget->setAutoFillBackground(true);
}

void Place(QWidget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
}

}  // namespace velmora
