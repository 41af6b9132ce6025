#pragma once
// The turning surface model: the hold-to-turn loop and its pacing, the drags, and the refresh,
// rebuild, preview redraw and restored-position commands, each as a sequence of state changes and
// drawing calls. Runs on the engine thread (the window thread may run refreshView itself at
// start-up, before the engine exists).

#include <cstdint>

#include "app/engine/live_view.h"
#include "app/engine/notification_sink.h"
#include "app/engine/panel_drawing.h"
#include "app/engine/thread_queue.h"
#include "app/session/session.h"

namespace tavrine {

// Pauses the calling thread; tests replace it to record the pauses instead.
class Sleeper {
  public:
    virtual ~Sleeper() = default;
    // Sleeps |milliseconds| (0 or more; 0 returns at once).
    virtual void sleepMs(int32_t milliseconds) = 0;
};

// A sleeper that really sleeps.
class ThreadSleeper : public Sleeper {
  public:
    void sleepMs(int32_t milliseconds) override;
};

// A sleeper that never pauses: start-up draws its first frame at once.
class NoSleep : public Sleeper {
  public:
    void sleepMs(int32_t) override {}
};

// The pause after a view or stone frame: turn delay - 0.25 x facets drawn, truncated towards zero
// to whole milliseconds, and 0 when negative.
int32_t framePause(int32_t turnDelay, int32_t facetsDrawn);

// The pause of a light-ray frame before the frame is drawn, in milliseconds.
inline constexpr int32_t kLightFramePause = 40;

// The trimming frame of the preview for the session's settings (inactive unless trimming is in
// force; the values scaled by 199 / W in the separate-window mode).
PreviewFrame previewFrameOf(const Session& session);

// The commands that turn and redraw the surface model. Not thread-safe: one thread at a time (the
// engine thread once it runs). Holds references only; every argument must outlive it.
class TurningModel {
  public:
    TurningModel(Session& session, PanelDrawing& drawing, NotificationSink& sink, Sleeper& sleeper);

    // Gives every view change to the live view (nullptr for none); the turn loop renders its
    // coarse picture between frames, within the frame's pause.
    void setLiveView(LiveView* live) { live_ = live; }

    // Runs the hold-to-turn loop for the turn button id until MSG_STOP_TURNING is taken from
    // |queue| (every other message taken is dropped) or the queue is closed. |record| receives
    // each message taken.
    void turnWhileHeld(int32_t turnButtonId, ThreadQueue& queue, ThreadMessage& record);

    // Starts a view drag at the point (snapshot of the stone pose with "SY", else of the view
    // unless "GM" is on).
    void beginViewDrag(DragPoint point);

    // Follows a view drag to the point and redraws; sleeps 1 ms. The caller sets idleEvent.
    void dragView(DragPoint point);

    // Starts a light drag at the point.
    void beginLightDrag(DragPoint point);

    // Follows a light drag to the point and redraws; sleeps 1 ms. The caller sets idleEvent.
    void dragLight(DragPoint point);

    // Redraws everything for the current model and view; restarts the trail.
    void refreshView();

    // Builds the current model, then refreshes the view.
    void rebuildModel();

    // Redraws the surface model only (after a trimming change).
    void redrawPreview();

    // Makes the restored view current (the window thread has copied it into the view pose) and
    // redraws; the caller sets idleEvent.
    void applyRestoredPosition();

  private:
    void drawSurface();
    void viewFrame(bool restartTrail);
    void composeFrame();
    // Notes the new scene against the render picture and tells the live view of it; in the turn
    // loop, renders the live view's coarse picture now and returns the milliseconds spent.
    int32_t liveFrame(bool inTurnLoop);

    Session& session_;
    PanelDrawing& drawing_;
    NotificationSink& sink_;
    Sleeper& sleeper_;
    LiveView* live_ = nullptr;
};

}  // namespace tavrine
