#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace velmora {

// Gives a control its own font and text colour, for every role a widget
// may draw its text with.
void SetFont(QWidget* widget, const QFont& font, const QColor& colour);

// Fills a control's background with a fixed colour.
void SetFace(QWidget* widget, const QColor& colour);

// Puts a control at its window (or panel) coordinates with its object name.
void Place(QWidget* widget, const char* name, int left, int top, int width, int height);

}  // namespace velmora
