#pragma once
// Where the engine's reports to windows go. The viewer turns each call into a Qt event posted to
// the right window; tests record them.

#include <cstdint>

#include "app/engine/engine_ids.h"

namespace tavrine {

// The windows a notification can be meant for.
enum class NotifyWindow : int32_t {
    Main,             // the main window ("NORMAL0")
    Render,           // the separate render window "RenderWnd"
    CaptureProgress,  // "AutoCapProgressWnd"
    GifProgress,      // "MakeAniGifProgressWnd"
    TiltPerformance,  // "TiltPerformanceWnd"
};

// Receives the engine's notifications. Called from the engine thread; post, rowDrawn and
// invalidate must never wait for the window thread (they only queue work for it), and
// implementations must accept calls from the engine thread while the window thread is busy.
class NotificationSink {
  public:
    virtual ~NotificationSink() = default;

    // Posts WM_APP with |code| (a NOTIFY_* value other than NOTIFY_SHOW_TITLE) and |lParam| to
    // the window. Never waits.
    virtual void post(NotifyWindow window, int32_t code, int64_t lParam) = 0;

    // Sends NOTIFY_SHOW_TITLE to the main window and waits until the title window is closed.
    // Called once, at the engine thread's start, holding nothing the window thread needs.
    virtual void showTitle() = 0;

    // Brings the main window to the foreground. Never waits.
    virtual void bringToForeground() = 0;

    // Asks the window to repaint the finished render row |row| (0 at the top) from the session's
    // render picture, which already holds it. Never waits.
    virtual void rowDrawn(NotifyWindow window, int32_t row) = 0;

    // Asks for a repaint of a rectangle of the main window's client area without erasing; the
    // whole window when |rect| is empty (all zero). Never waits.
    virtual void invalidate(const PanelRect& rect) = 0;
};

// A sink that drops everything (for tools and tests that need none).
class NullNotificationSink : public NotificationSink {
  public:
    void post(NotifyWindow, int32_t, int64_t) override {}
    void showTitle() override {}
    void bringToForeground() override {}
    void rowDrawn(NotifyWindow, int32_t) override {}
    void invalidate(const PanelRect&) override {}
};

}  // namespace tavrine
