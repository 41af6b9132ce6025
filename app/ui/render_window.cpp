#include "app/ui/render_window.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/ui/engine_event.h"
#include "app/ui/stone_panel.h"
#include "app/ui/viewer_engine.h"

namespace tavrine::ui {

int renderWindowMargin(int imageWidth) {
    return imageWidth + 32 < 128 ? (128 - imageWidth) / 2 : 16;
}

RenderWindow::RenderWindow(int imageWidth, bool topMost, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      imageWidth_(imageWidth),
      margin_(renderWindowMargin(imageWidth)) {
    setObjectName(QStringLiteral("RenderWnd"));
    setWindowTitle(QStringLiteral("Render Window"));
    setTopMost(topMost);
    const int side = 2 * margin_ + imageWidth_;
    setFixedSize(side, side);

    style_.captionFont = panelFont(6);
    style_.panelColour = 0x000000;
    style_.baseId = kRayTraceButton;
    style_.percentId = kRayTraceButton;
    style_.captionId = -1;
    progress_ = new OwnerDrawButton(kRayTraceButton, ControlKind::Display, &style_, this);
    const auto left = static_cast<int>(std::lround(margin_ + (imageWidth_ - 56) / 2.0));
    progress_->setGeometry(left, side - 53, 56, 21);
    progress_->cutCorners();
    progress_->hide();
    connect(progress_, &OwnerDrawButton::clicked, this, &RenderWindow::progressClicked);

    popup_ = new QMenu(this);
    screenShot_ = popup_->addAction(QStringLiteral("Screen Shot (&S)"));
    screenShot_->setData(kPopupScreenShot);
    screenShot_->setEnabled(false);
    popup_->addSeparator();
    popup_->addAction(QStringLiteral("Cancel (&C)"));
    connect(screenShot_, &QAction::triggered, this, &RenderWindow::screenShotRequested);

    // A black surface with a one-pixel frame around the picture.
    surface_ = QImage(side, side, QImage::Format_RGB32);
    surface_.fill(Qt::black);
    QPainter painter(&surface_);
    painter.setPen(QColor(0xFF, 0x00, 0x00));
    painter.drawRect(QRect(margin_ - 1, margin_ - 1, imageWidth_ + 1, imageWidth_ + 1));
}

void RenderWindow::setTopMost(bool topMost) {
    if (topMost == isTopMost()) {
        return;
    }
    const bool visible = isVisible();
    const QPoint place = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    // The new flag makes the window anew: it keeps the place it had.
    if (shown_) {
        move(place);
    }
    if (visible) {
        show();
    }
}

QRect RenderWindow::pictureRect() const {
    return QRect(margin_, margin_, imageWidth_, imageWidth_);
}

void RenderWindow::bringToFront() {
    show();
    raise();
    update();
}

bool RenderWindow::event(QEvent* event) {
    if (event->type() == EngineEvent::eventType()) {
        const auto* notify = static_cast<EngineEvent*>(event);
        switch (notify->code()) {
        case NOTIFY_RENDER_STARTED:
            progress_->show();
            break;
        case NOTIFY_RENDER_ENDED:
            progress_->hide();
            // A high-quality job draws no rows while it runs: show its finished picture whole.
            update(pictureRect());
            emit renderEnded();
            break;
        case NOTIFY_PROGRESS:
            progress_->setPercent(static_cast<int32_t>(notify->value()));
            break;
        case NOTIFY_LIVE_PICTURE:
            // The live view shows its pictures here; a hidden window comes back without taking
            // the keyboard from the main window, which is turning the view.
            if (!isVisible()) {
                setAttribute(Qt::WA_ShowWithoutActivating);
                show();
                setAttribute(Qt::WA_ShowWithoutActivating, false);
            }
            update(pictureRect());
            break;
        default:
            break;
        }
        return true;
    }
    if (event->type() == QEvent::WindowActivate) {
        repaint();
    }
    return QWidget::event(event);
}

void RenderWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    {
        QMutexLocker lock(&surfaceLock_);
        painter.drawImage(event->rect(), surface_, event->rect());
    }
    if (picturePainter_) {
        picturePainter_(painter, pictureRect().topLeft(), event->rect());
    }
}

void RenderWindow::mousePressEvent(QMouseEvent* event) {
    // A press anywhere moves the window as its caption would.
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
    }
}

void RenderWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        popup_->exec(event->globalPosition().toPoint());
    }
}

void RenderWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) {
        return;
    }
    shown_ = true;
    // Shown for the first time with no place given: beside the owner rather than over its menus
    // at the screen's corner, moved left as far as the screen needs.
    QWidget* owner = parentWidget();
    if (testAttribute(Qt::WA_Moved) || owner == nullptr || !owner->isVisible() ||
        screen() == nullptr) {
        return;
    }
    const QRect area = screen()->availableGeometry();
    const QRect beside = owner->frameGeometry();
    const int x = std::max(area.left(), std::min(beside.right() + 1, area.right() + 1 - width()));
    const int y = std::max(area.top(), std::min(beside.top(), area.bottom() + 1 - height()));
    move(x, y);
}

void RenderWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

}  // namespace tavrine::ui
