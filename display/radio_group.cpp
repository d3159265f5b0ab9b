#include "display/radio_group.h"

#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QResizeEvent>

#include "display/colours.h"

namespace velmora {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent), Buttons(new QButtonGroup(this)), Columns(columns) {
    Buttons->setExclusive(true);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        Buttons->addButton(button, i);
    }
    connect(Buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            UpdateFocusPolicies();
            emit ItemIndexChanged(id);
        }
    });
    UpdateFocusPolicies();
}

int TRadioGroup::ItemIndex() const { return Buttons->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = Buttons->button(index)) {
        button->setChecked(true);
    }
}

QList<QAbstractButton*> TRadioGroup::Items() const { return Buttons->buttons(); }

QAbstractButton* TRadioGroup::FocusItem() const {
    QAbstractButton* checked = Buttons->checkedButton();
    return checked != nullptr ? checked : Buttons->button(0);
}

void TRadioGroup::UpdateFocusPolicies() {
    // Tab reaches a group once, on its selected item; the arrow keys move
    // the selection within it.
    const QAbstractButton* target = FocusItem();
    for (QAbstractButton* button : Buttons->buttons()) {
        button->setFocusPolicy(button == target ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    ArrangeItems();
}

void TRadioGroup::ArrangeItems() {
    // Items fill the space under the caption in columns, top to bottom,
    // each row taking an equal share of the height.
    const QList<QAbstractButton*> buttons = Buttons->buttons();
    const int count = static_cast<int>(buttons.size());
    if (count == 0) {
        return;
    }
    const int columns = Columns < 1 ? 1 : Columns;
    const int rows = (count + columns - 1) / columns;
    const int top = fontMetrics().height() + 1;
    const int columnWidth = (width() - 10) / columns;
    const int rowHeight = (height() - top - 3) / rows;
    for (int i = 0; i < count; ++i) {
        const int column = i / rows;
        const int row = i % rows;
        buttons[i]->setGeometry(8 + column * columnWidth, top + row * rowHeight, columnWidth - 2,
                                rowHeight);
    }
}

void TRadioGroup::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int top = metrics.height() / 2;
    const int w = width() - 2;
    const int h = height() - top - 2;
    painter.setPen(BtnShadow);
    painter.drawRect(0, top, w, h);
    painter.setPen(BtnHighlight);
    painter.drawRect(1, top + 1, w, h);
    const QString caption = title();
    const QRect label(8, 0, metrics.horizontalAdvance(caption), metrics.height());
    painter.fillRect(label, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
}

}  // namespace velmora
