#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;

namespace velmora {

// A captioned group of radio buttons with an item index, like the window's
// form and bias choices. Emits ItemIndexChanged only when the selection
// really changes: a click on the item already selected does nothing.
class TRadioGroup : public QGroupBox {
    Q_OBJECT

  public:
    TRadioGroup(const QString& caption, const QStringList& items, int columns,
                QWidget* parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index);

    // The item buttons in item order, and the one that Tab reaches.
    QList<QAbstractButton*> Items() const;
    QAbstractButton* FocusItem() const;

  signals:
    void ItemIndexChanged(int index);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // An etched frame through the middle of the caption, as group boxes
    // have on the desktop the layout was made for; the style's own group
    // box puts the caption above the frame and leaves too little room.
    void paintEvent(QPaintEvent* event) override;

  private:
    void ArrangeItems();
    void UpdateFocusPolicies();

    QButtonGroup* Buttons = nullptr;
    int Columns = 1;
};

}  // namespace velmora
