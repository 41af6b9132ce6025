#include "app/ui/panel_controls.h"

#include <QToolButton>

#include "app/ui/control_table.h"

namespace tavrine::ui {

PanelList::PanelList(int32_t id, QWidget* parent) : QComboBox(parent) {
    setObjectName(controlName(id));
    setMaxVisibleItems(8);  // about 160 pixels of rows
}

void PanelList::showPopup() {
    emit popupOpened();
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
