#include "app/ui/panel_controls.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QToolButton>

#include "app/ui/control_table.h"

namespace tavrine::ui {

PanelList::PanelList(int32_t id, QWidget* parent) : QComboBox(parent) {
    setObjectName(controlName(id));
    // A drop-down list under the field, about 160 pixels of rows with a scroll bar, whatever
    // the style would otherwise do (some open the whole list over the field).
    setMaxVisibleItems(8);
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
}

void PanelList::showPopup() {
    emit popupOpened();
    // Rows wider than the field are shown whole in the open list rather than cut short.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) +
                            view()->verticalScrollBar()->sizeHint().width() +
                            2 * view()->frameWidth());
    QComboBox::showPopup();
}

void PanelList::hidePopup() {
    QComboBox::hidePopup();
    emit popupClosed();
}

UpDownControl::UpDownControl(int32_t id, QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    setObjectName(controlName(id));
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

void UpDownControl::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace tavrine::ui
