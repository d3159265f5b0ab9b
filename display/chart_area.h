#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include "display/canvas.h"

namespace velmora {

// A chart area: the picture last drawn on it, shown again on every repaint,
// so that minimising, covering or restoring the window never loses a chart.
class TChartArea : public QWidget {
    Q_OBJECT

  public:
    // blank: what the area shows before anything is drawn on it.
    TChartArea(const QColor& blank, QWidget* parent = nullptr);

    // Resizes the area and its picture; what was drawn stays where it was.
    // Any resize of the area resizes the picture the same way.
    void SetSize(int width, int height);

    TCanvas& Canvas();
    const QImage& Picture() const noexcept { return Image; }

    // Puts the picture on the screen at once, also while the event loop is
    // held by a running period.
    void ShowPicture();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitPicture();

    QColor Blank;
    QImage Image;
    TCanvas Pen{Image};
};

}  // namespace velmora
