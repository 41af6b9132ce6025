#pragma once
// The viewer's engine side: the session, the engine and keyboard threads, the held-keys record
// and the preview and indicator pictures, with the engine's notifications delivered to the
// windows as Qt events.

#include <QPointer>
#include <QWidget>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "app/engine/engine.h"
#include "app/engine/held_keys.h"
#include "app/engine/keyboard_thread.h"
#include "app/engine/notification_sink.h"
#include "app/output/position_info.h"
#include "app/session/session.h"
#include "app/ui/pictures/panel_pictures.h"
#include "app/ui/viewer_engine.h"

namespace tavrine::ui {

// Delivers the engine's notifications on the GUI thread: posted events for the codes, a
// blocking queued call for the title window, queued repaints for rows and rectangles.
class QtNotificationSink : public NotificationSink {
  public:
    // Sets the windows the notifications go to. GUI thread, before the engine starts.
    void setWindows(QWidget* mainWindow, QWidget* clientArea, QWidget* renderWindow);

    void post(NotifyWindow window, int32_t code, int64_t lParam) override;
    void showTitle() override;
    void bringToForeground() override;
    void rowDrawn(NotifyWindow window, int32_t row) override;
    void invalidate(const PanelRect& rect) override;
    // Replaces the render window (nullptr for none). GUI thread, while the engine is idle.
    void setRenderWindow(QWidget* renderWindow) { renderWindow_ = renderWindow; }
    // Sends the progress windows' notifications to notify, queued on receiver. GUI thread,
    // before the engine starts.
    void setOutputReceiver(QObject* receiver, OutputNotify notify) {
        outputReceiver_ = receiver;
        outputNotify_ = std::move(notify);
    }
    // Releases a showTitle() that waits and makes later ones return at once: the window loop
    // has ended and will open no title window. Any thread.
    void close();

  private:
    std::mutex titleMutex_;
    std::condition_variable titleChanged_;
    bool titleClosed_ = false;
    bool closing_ = false;
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> clientArea_;
    QPointer<QWidget> renderWindow_;
    QPointer<QObject> outputReceiver_;
    OutputNotify outputNotify_;
};

// The real engine side of the main window.
class ThreadedEngine : public ViewerEngine {
  public:
    // session must outlive the engine; its settings must already be read.
    explicit ThreadedEngine(Session& session);
    ~ThreadedEngine() override;

    // Makes prepare() start at the view, stone pose and light of a Position-Info record (whose
    // settings the session has already taken) instead of resetting them. Before prepare().
    void startAtPosition(const PositionInfo& info) { startPosition_ = info; }

    void prepare(QWidget* mainWindow, QWidget* clientArea, QWidget* renderWindow) override;
    void start() override;
    void shutdown() override;
    void post(EngineCommand command, int64_t argument = 0) override;
    void stopTurning() override;
    void pauseKeys() override;
    void resumeKeys() override;
    void setHeldKeys(const HeldKeys& keys) override;
    bool isIdle() override;
    void resetIdle() override;
    bool waitIdle(int timeoutMs) override;
    void resetViewAndLight() override;
    void turnFaceUp() override;
    void setTurnStone(bool on) override;
    void setTurntableView(bool on) override;
    void selectPolygonColour(int index) override;
    void showTrail(bool shown) override;
    void setRenderWindow(QWidget* renderWindow) override;
    void replaceRenderPicture(int width) override;
    void setLiveView(bool on) override;
    void paintBoxes(QPainter& painter, const QRect& clip) override;
    PictureShows renderAreaShows() override;
    Session* session() override { return &session_; }
    void connectOutputs(OutputJobs& jobs, QObject* receiver, OutputNotify notify) override;
    void redrawIndicator() override;
    // Paints the picture shown with its top-left corner at origin (the render area or the
    // separate window): the live view's picture while there is one, else the render picture.
    void paintPicture(QPainter& painter, const QPoint& origin, const QRect& clip);

  private:
    Session& session_;
    PanelPictures pictures_;
    QtNotificationSink sink_;
    HeldKeysRecord heldKeys_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<KeyboardThread> keyboard_;
    bool started_ = false;
    std::optional<PositionInfo> startPosition_;
};

}  // namespace tavrine::ui
