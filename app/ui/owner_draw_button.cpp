#include "app/ui/owner_draw_button.h"

#include <QPainter>
#include <QRegion>
#include <array>

#include "app/ui/button_pictures.h"
#include "app/ui/painter_ops.h"
#include "tracer/owner_draw_button.h"

namespace tavrine::ui {

OwnerDrawButton::OwnerDrawButton(int32_t id, ControlKind kind, const ButtonStyle* style,
                                 QWidget* parent)
    : QAbstractButton(parent), id_(id), kind_(kind), style_(style) {
    setObjectName(controlName(id));
    setFocusPolicy(Qt::NoFocus);
    setCheckable(kind == ControlKind::Switch);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setText(caption());
}

void OwnerDrawButton::setPercent(int32_t percent) {
    percent_ = percent;
    update();
}

void OwnerDrawButton::cutCorners() {
    const int w = width();
    const int h = height();
    QRegion region(0, 1, w, h - 2);
    region += QRegion(1, 0, w - 2, h);
    setMask(region);
}

QString OwnerDrawButton::caption() const {
    if (id_ == style_->percentId && kind_ == ControlKind::Display) {
        return QString::asprintf("%d%%", percent_);
    }
    return QString::fromUtf8(drawnCaption(id_));
}

void OwnerDrawButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (kind_ == ControlKind::Arrow) {
        // The picture, or while pressed the one a button-width to its right; no frame.
        QPoint source = pictureSource(id_);
        if (isDown()) {
            source.rx() += width();
        }
        painter.drawImage(QPoint(0, 0), style_->pictures, QRect(source, size()));
        return;
    }

    PainterOps ops(painter);
    const QRegion region = mask().isEmpty() ? QRegion(rect()) : mask();
    OwnerDrawItem item{id_, isDown() ? 1u : 0u, ops.ops(), {0, 0, width(), height()}};

    // The caption table of the library painter, with this window's display ids.
    std::array<const char*, kButtonCount> captions = drawnCaptions();
    char percentText[TAVRINE_OWNER_DRAW_PERCENT_TEXT_SIZE] = {};
    QFont font = style_->captionFont;

    OwnerDrawButtonParams params{};
    params.drawItem = &item;
    params.captionFont = &font;
    params.buttonFont = &font;
    params.percentRegion = const_cast<QRegion*>(&region);
    params.captionRegion = const_cast<QRegion*>(&region);
    params.captions = captions.data();
    params.percentText = percentText;
    params.panelColour = style_->panelColour;
    params.percent = percent_;
    params.percentWidth = width();
    params.percentHeight = height();
    params.captionWidth = width();
    params.captionHeight = height();
    params.baseId = style_->baseId;
    params.percentId = style_->percentId;
    params.captionId = style_->captionId;
    // Only this control's own switch state matters to its colours.
    params.switchId1 = id_;
    params.switchId2 = -1;
    params.switchId3 = -1;
    params.switchOn1 = (kind_ == ControlKind::Switch && isChecked()) ? 1 : 0;
    if (kind_ == ControlKind::Display && id_ == style_->percentId) {
        params.captionId = -1;
    }
    painter.fillRect(rect(), colourFromRef(style_->panelColour));
    OwnerDrawButton_CPP(&params);
}

}  // namespace tavrine::ui
