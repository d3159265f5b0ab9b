#pragma once

#include <QColor>
#include <QFrame>

namespace velmora {

// A captionless panel with a raised outer and a raised inner bevel, one
// pixel each: two nested light-over-dark frames.
class TPanel : public QFrame {
    Q_OBJECT

  public:
    TPanel(const QColor& face, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace velmora
