#include "app/ui/threaded_engine.h"

#include <QCoreApplication>
#include <QImage>
#include <QMetaObject>

#include "app/engine/output_jobs.h"
#include "app/engine/start_up.h"
#include "app/engine/turning.h"
#include "app/ui/engine_event.h"
#include "app/ui/render_window.h"

namespace tavrine::ui {

namespace {

// Asks widget for a repaint of rect from any thread; the whole widget when rect is empty.
void updateLater(const QPointer<QWidget>& widget, const QRect& rect) {
    if (widget.isNull()) {
        return;
    }
    QWidget* target = widget.data();
    QMetaObject::invokeMethod(
        target,
        [target, rect] {
            if (rect.isEmpty()) {
                target->update();
            } else {
                target->update(rect);
            }
        },
        Qt::QueuedConnection);
}

// Copies the rows of a 24-bit bottom-up picture that fall into clip (picture coordinates).
QImage imageRows(const imgctl::DibData& data, const QRect& clip) {
    QImage image(data.width, data.height, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (data.bitCount != 24) {
        return image;
    }
    const QRect rows = clip & QRect(0, 0, data.width, data.height);
    for (int row = rows.top(); row <= rows.bottom(); ++row) {
        const uint8_t* stored = data.rows + static_cast<size_t>(data.height - 1 - row) *
                                                static_cast<size_t>(data.stride);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int x = 0; x < data.width; ++x) {
            line[x] = qRgb(stored[3 * x + 2], stored[3 * x + 1], stored[3 * x]);
        }
    }
    return image;
}

}  // namespace

void QtNotificationSink::setWindows(QWidget* mainWindow, QWidget* clientArea,
                                    QWidget* renderWindow) {
    mainWindow_ = mainWindow;
    clientArea_ = clientArea;
    renderWindow_ = renderWindow;
}

void QtNotificationSink::post(NotifyWindow window, int32_t code, int64_t lParam) {
    QWidget* target = nullptr;
    if (window == NotifyWindow::Main) {
        target = mainWindow_.data();
    } else if (window == NotifyWindow::Render) {
        target = renderWindow_.data();
    } else {
        // A progress window: queued on the receiver like the events, so the order holds.
        QObject* receiver = outputReceiver_.data();
        if (receiver != nullptr && outputNotify_) {
            QMetaObject::invokeMethod(
                receiver,
                [notify = outputNotify_, window, code, lParam] { notify(window, code, lParam); },
                Qt::QueuedConnection);
        }
        return;
    }
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new EngineEvent(code, lParam));
    }
}

void QtNotificationSink::showTitle() {
    // The engine waits until the title window is closed, or until the window loop has ended
    // (a blocking queued call would wait for ever once the loop no longer runs).
    std::unique_lock<std::mutex> lock(titleMutex_);
    if (closing_ || mainWindow_.isNull()) {
        return;
    }
    titleClosed_ = false;
    QWidget* target = mainWindow_.data();
    QMetaObject::invokeMethod(
        target,
        [this, target] {
            QMetaObject::invokeMethod(target, "showTitleWindow", Qt::DirectConnection);
            std::lock_guard<std::mutex> done(titleMutex_);
            titleClosed_ = true;
            titleChanged_.notify_all();
        },
        Qt::QueuedConnection);
    titleChanged_.wait(lock, [this] { return titleClosed_ || closing_; });
}

void QtNotificationSink::close() {
    std::lock_guard<std::mutex> lock(titleMutex_);
    closing_ = true;
    titleChanged_.notify_all();
}

void QtNotificationSink::bringToForeground() {
    if (mainWindow_.isNull()) {
        return;
    }
    QWidget* target = mainWindow_.data();
    QMetaObject::invokeMethod(
        target,
        [target] {
            target->raise();
            target->activateWindow();
        },
        Qt::QueuedConnection);
}

void QtNotificationSink::rowDrawn(NotifyWindow window, int32_t row) {
    if (window == NotifyWindow::Render) {
        auto* render = qobject_cast<RenderWindow*>(renderWindow_.data());
        if (render != nullptr) {
            const QRect picture = render->pictureRect();
            updateLater(renderWindow_,
                        QRect(picture.left(), picture.top() + row, picture.width(), 1));
        }
        return;
    }
    updateLater(clientArea_, QRect(kRenderArea.left, kRenderArea.top + row, 199, 1));
}

void QtNotificationSink::invalidate(const PanelRect& rect) {
    updateLater(clientArea_,
                QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1)));
}

ThreadedEngine::ThreadedEngine(Session& session) : session_(session) {
    engine_ = std::make_unique<Engine>(session_, sink_, pictures_);
    keyboard_ = std::make_unique<KeyboardThread>(heldKeys_, engine_->queue());
}

ThreadedEngine::~ThreadedEngine() { shutdown(); }

void ThreadedEngine::prepare(QWidget* mainWindow, QWidget* clientArea, QWidget* renderWindow) {
    sink_.setWindows(mainWindow, clientArea, renderWindow);
    if (auto* render = qobject_cast<RenderWindow*>(renderWindow)) {
        render->setPicturePainter(
            [this](QPainter& painter, const QPoint& origin, const QRect& clip) {
                paintPicture(painter, origin, clip);
            });
    }
    // The indicator background, the polygon colour, the stored model and its first view.
    startUpSession(session_, pictures_, sink_, startPosition_ ? &*startPosition_ : nullptr);
}

void ThreadedEngine::start() {
    if (started_) {
        return;
    }
    started_ = true;
    engine_->start();
    keyboard_->start();
}

void ThreadedEngine::shutdown() {
    if (!started_) {
        return;
    }
    started_ = false;
    sink_.close();
    keyboard_->stop();
    engine_->stop();
    keyboard_->join();
    engine_->join();
}

void ThreadedEngine::post(EngineCommand command, int64_t argument) {
    engine_->port().post(command, argument);
}

void ThreadedEngine::stopTurning() { engine_->queue().post(MSG_STOP_TURNING); }

void ThreadedEngine::pauseKeys() { keyboard_->queue().post(MSG_PAUSE_KEYS); }

void ThreadedEngine::resumeKeys() { keyboard_->queue().post(MSG_RESUME_KEYS); }

void ThreadedEngine::setHeldKeys(const HeldKeys& keys) {
    heldKeys_.setHeld(TurnKey::Left, keys.left);
    heldKeys_.setHeld(TurnKey::Right, keys.right);
    heldKeys_.setHeld(TurnKey::Up, keys.up);
    heldKeys_.setHeld(TurnKey::Down, keys.down);
    heldKeys_.setHeld(TurnKey::Z, keys.z);
    heldKeys_.setHeld(TurnKey::X, keys.x);
    heldKeys_.setHeld(TurnKey::L, keys.l);
    heldKeys_.setHeld(TurnKey::D, keys.d);
    heldKeys_.setHeld(TurnKey::T, keys.t);
    heldKeys_.setHeld(TurnKey::Shift, keys.shift);
}

bool ThreadedEngine::isIdle() { return engine_->port().isIdle(); }

void ThreadedEngine::resetIdle() { engine_->port().resetIdle(); }

bool ThreadedEngine::waitIdle(int timeoutMs) { return engine_->port().waitIdle(timeoutMs); }

void ThreadedEngine::resetViewAndLight() { resetView(session_); }

void ThreadedEngine::turnFaceUp() { tavrine::turnFaceUp(session_); }

void ThreadedEngine::setTurnStone(bool on) {
    setSyOn(session_.orientation, on, session_.model->modelIndex);
}

void ThreadedEngine::setTurntableView(bool on) {
    setGmOn(session_.orientation, on, session_.model->modelIndex);
}

void ThreadedEngine::selectPolygonColour(int index) {
    tavrine::selectPolygonColour(session_, index);
}

void ThreadedEngine::showTrail(bool shown) {
    pictures_.compose(session_.liveLayer, true, shown);
    session_.previousLiveLayer = session_.liveLayer;
    sink_.invalidate(PanelRect{kIndicatorBox.left, kIndicatorBox.top, kIndicatorBox.right + 1,
                               kIndicatorBox.bottom + 1});
}

void ThreadedEngine::connectOutputs(OutputJobs& jobs, QObject* receiver, OutputNotify notify) {
    if (started_) {
        return;  // the engine's jobs are set before its thread runs
    }
    sink_.setOutputReceiver(receiver, std::move(notify));
    engine_->setCaptureJob(
        captureEngineJob(session_, sink_, pictures_, jobs, nullptr, RenderExecution{}));
    engine_->setGifJob(gifEngineJob(sink_, jobs));
    engine_->setTiltJob(tiltEngineJob(session_, sink_, jobs.tilt, RenderExecution{}));
}

void ThreadedEngine::redrawIndicator() {
    const OrientationState& o = session_.orientation;
    pictures_.drawLightRay(o.lightAngles, o.lightDirection);
    pictures_.drawModelSketch(*session_.model);
    pictures_.clearComposition();
    pictures_.compose(session_.liveLayer, true, session_.settings.drawTrail != 0);
    session_.previousLiveLayer = session_.liveLayer;
    sink_.invalidate(PanelRect{kIndicatorBox.left, kIndicatorBox.top, kIndicatorBox.right + 1,
                               kIndicatorBox.bottom + 1});
}

void ThreadedEngine::setRenderWindow(QWidget* renderWindow) {
    sink_.setRenderWindow(renderWindow);
    if (auto* render = qobject_cast<RenderWindow*>(renderWindow)) {
        render->setPicturePainter(
            [this](QPainter& painter, const QPoint& origin, const QRect& clip) {
                paintPicture(painter, origin, clip);
            });
    }
}

void ThreadedEngine::replaceRenderPicture(int width) {
    imgctl::BitmapInfoHeader header;
    header.width = width;
    header.height = -width;
    session_.renderPicture.replace(imgctl::DibPtr(imgctl::CreateDIB(header)));
}

void ThreadedEngine::paintBoxes(QPainter& painter, const QRect& clip) {
    const QRect preview(kPreviewBox.left, kPreviewBox.top, 199, 199);
    const QRect indicator(kIndicatorBox.left, kIndicatorBox.top, 199, 199);
    if (clip.intersects(preview)) {
        painter.drawImage(preview.topLeft(), pictures_.preview().frame());
    }
    if (clip.intersects(indicator)) {
        painter.drawImage(indicator.topLeft(), pictures_.indicator().frame());
    }
    if (session_.settings.look.sizeMode == 0) {
        paintPicture(painter, QPoint(kRenderArea.left, kRenderArea.top), clip);
    }
}

PictureShows ThreadedEngine::renderAreaShows() {
    if (session_.settings.look.sizeMode != 0) return PictureShows::CurrentScene;
    bool live = false;
    session_.livePicture.read([&](const imgctl::DibData* data) { live = data != nullptr; });
    return live ? PictureShows::CurrentScene : session_.renderPicture.shows();
}

void ThreadedEngine::setLiveView(bool on) {
    if (engine_) engine_->setLiveView(on);
}

void ThreadedEngine::paintPicture(QPainter& painter, const QPoint& origin, const QRect& clip) {
    // A live picture of the current view, while there is one, stands in for the render picture.
    bool livePainted = false;
    session_.livePicture.read([&](const imgctl::DibData* data) {
        if (data == nullptr) return;
        livePainted = true;
        const QRect area(origin, QSize(data->width, data->height));
        if (clip.intersects(area)) {
            painter.drawImage(origin, imageRows(*data, clip.translated(-origin)));
        }
    });
    if (livePainted) return;
    session_.renderPicture.read([&](const imgctl::DibData* data) {
        if (data == nullptr) {
            return;
        }
        const QRect area(origin, QSize(data->width, data->height));
        if (!clip.intersects(area)) {
            return;
        }
        painter.drawImage(origin, imageRows(*data, clip.translated(-origin)));
    });
}

}  // namespace tavrine::ui
