#include "app/dialogs/dialog_controls.h"

#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyleOptionButton>
#include <QToolButton>
#include <algorithm>

namespace tavrine {

QFont dialogFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

int parseEditNumber(const QString& text) {
    int value = 0;
    for (QChar c : text.left(4)) {
        if (!c.isDigit()) break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

void caretToEnd(QLineEdit* edit) { edit->setSelection(edit->text().size(), 0); }

void centreWindow(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QSize outer = window->frameGeometry().size();
    const int x = outer.width() <= area.width() ? (area.width() - outer.width()) / 2 : 0;
    const int y = outer.height() <= area.height() ? (area.height() - outer.height()) / 2 : 0;
    window->move(area.left() + x, area.top() + y);
}

QMessageBox::StandardButton askConfirmation(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, QStringLiteral("Confirmation"), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QLabel* makeLabel(QWidget* parent, int id, const QString& text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::number(id));
    label->setGeometry(x, y, w, h);
    return label;
}

QGroupBox* makeGroup(QWidget* parent, int id, const QString& title, int x, int y, int w, int h) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::number(id));
    group->setGeometry(x, y, w, h);
    return group;
}

QPushButton* makeButton(QWidget* parent, int id, const QString& text, int x, int y, int w, int h) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setGeometry(x, y, w, h);
    return button;
}

QCheckBox* makeCheckBox(QWidget* parent, int id, const QString& text, int x, int y, int w, int h) {
    auto* box = new CheckBox(text, parent);
    box->setObjectName(QString::number(id));
    box->setGeometry(x, y, w, h);
    return box;
}

// --- NumberEdit ---

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMaxLength(4);
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this));
    timer_.setSingleShot(true);
    timer_.setInterval(kDeferredParseMs);
    connect(this, &QLineEdit::textEdited, this, [this] { timer_.start(); });
    connect(&timer_, &QTimer::timeout, this, [this] { emit parsed(parseEditNumber(text())); });
}

void NumberEdit::cancelPendingParse() { timer_.stop(); }

// --- UpDown ---

UpDown::UpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), buddy_(buddy), minimum_(minimum), maximum_(maximum), position_(minimum) {
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {up, down}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        arrow->setIconSize(QSize(7, 7));
    }
    connect(up, &QToolButton::clicked, this, [this] { step(1); });
    connect(down, &QToolButton::clicked, this, [this] { step(-1); });
    setFocusPolicy(Qt::NoFocus);
    buddy_->installEventFilter(this);
    // A number left in a settings edit (Enter, or the focus moving on) is taken over at once, so
    // the edit shows the position that counts: 25 typed into a range of 1 to 20 shows 20.
    if (qobject_cast<NumberEdit*>(buddy_) != nullptr) {
        connect(buddy_, &QLineEdit::editingFinished, this, [this] { setPosition(position()); });
    }
    // Lay the arrows out on every resize: upper half up, lower half down.
    class Arrows : public QObject {
      public:
        Arrows(QWidget* owner, QToolButton* u, QToolButton* d) : QObject(owner), u_(u), d_(d) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Resize) {
                auto* w = static_cast<QWidget*>(watched);
                const int half = w->height() / 2;
                u_->setGeometry(0, 0, w->width(), half);
                d_->setGeometry(0, half, w->width(), w->height() - half);
            }
            return false;
        }

      private:
        QToolButton* u_;
        QToolButton* d_;
    };
    installEventFilter(new Arrows(this, up, down));
    setPosition(minimum);
}

void UpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    setPosition(position_);
}

void UpDown::setPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    const QString text = QString::number(position_);
    if (buddy_->text() != text) buddy_->setText(text);
}

int UpDown::position() {
    const QString text = buddy_->text();
    if (!text.isEmpty() && text.at(0).isDigit()) {
        position_ = std::clamp(parseEditNumber(text), minimum_, maximum_);
    }
    return position_;
}

void UpDown::step(int delta) {
    setPosition(position() + delta);
    if (auto* edit = qobject_cast<NumberEdit*>(buddy_)) edit->cancelPendingParse();
    emit clicked(position_);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::changeEvent(QEvent* event) {
    // The up-down and its buddy are enabled and disabled together.
    if (event->type() == QEvent::EnabledChange) buddy_->setEnabled(isEnabled());
    QWidget::changeEvent(event);
}

// --- WrappingCheckBox ---

void WrappingCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    QStyleOptionButton indicatorOption = option;
    indicatorOption.rect = QRect(indicator.left(), 1, indicator.width(), indicator.height());
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicatorOption, &painter, this);
    const QRect textRect(indicator.right() + 5, 0, width() - indicator.right() - 5, height());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(-2, 0, 0, 0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool CheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

// --- LinkedValue ---

LinkedValue::LinkedValue(QSlider* trackBar, int reverseBase, NumberEdit* edit, UpDown* upDown,
                         bool parseEdit, QObject* parent)
    : QObject(parent),
      trackBar_(trackBar),
      reverseBase_(reverseBase),
      edit_(edit),
      upDown_(upDown) {
    if (trackBar_ != nullptr) {
        connect(trackBar_, &QSlider::valueChanged, this, [this](int position) {
            const int value = reverseBase_ ? reverseBase_ - position : position;
            upDown_->setPosition(value);
            edit_->cancelPendingParse();
            caretToEnd(edit_);
            emit changed(upDown_->position());
        });
    }
    connect(upDown_, &UpDown::clicked, this, [this](int value) {
        caretToEnd(edit_);
        setTrackBar(value);
        emit changed(value);
    });
    if (parseEdit) {
        connect(edit_, &NumberEdit::parsed, this, [this](int number) {
            const int value = std::clamp(number, upDown_->minimum(), upDown_->maximum());
            setTrackBar(value);
            upDown_->setPosition(value);
            emit changed(value);
        });
    }
}

void LinkedValue::setTrackBar(int value) {
    if (trackBar_ == nullptr) return;
    const QSignalBlocker blocker(trackBar_);
    trackBar_->setValue(trackPosition(value));
}

void LinkedValue::setValue(int value) {
    upDown_->setPosition(value);
    edit_->cancelPendingParse();
    setTrackBar(upDown_->position());
}

void LinkedValue::setEnabled(bool enabled) {
    if (trackBar_ != nullptr) trackBar_->setEnabled(enabled);
    edit_->setEnabled(enabled);
    upDown_->setEnabled(enabled);
}

}  // namespace tavrine
