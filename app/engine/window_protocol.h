#pragma once
// The window thread's side of the engine protocol: renderBusy, the abort confirmation, the render
// request, closing while rendering, and the mouse drags in the preview and indicator boxes. The
// viewer's main window runs it over the engine's port, with a message box as the confirmation.

#include <chrono>
#include <cstdint>
#include <functional>

#include "app/engine/abort_confirmation.h"
#include "app/engine/engine_ids.h"
#include "app/engine/engine_port.h"

namespace tavrine {

// What a left-button press in the main window's client area started.
enum class PressResult {
    Ignored,     // the engine is busy (idleEvent not signalled)
    ViewDrag,    // drag mode 1: BeginViewDrag posted
    LightDrag,   // drag mode 2: BeginLightDrag posted
    RenderArea,  // inside the render area: nothing
    Elsewhere,   // anywhere else, busy or not: the caller gives the focus to the main window
};

// The window thread's protocol state. Every member is for the window thread only; the port's
// queue and idle signal are the engine's and may be shared with it.
class WindowProtocol {
  public:
    WindowProtocol(EnginePort& engine, AbortConfirmation& confirmation);

    // Returns renderBusy: true from a posted Render until NOTIFY_RENDER_ENDED arrives.
    bool renderBusy() const { return renderBusy_; }

    // Asks |text| and posts Abort on Yes; returns the answer.
    bool confirmAbort(const char* text = kAbortText);

    // Returns true when an action that needs the engine may go on; while rendering it asks
    // |text| first (posting Abort on Yes) and returns false whatever the answer.
    bool readyForAction(const char* text = kAbortText);

    // The "ray-trace" button or Space: while rendering asks kAbortText and returns false;
    // otherwise runs |ready| (the refractive index check and what goes before the post; false
    // ends the request), then resets idleEvent, sets renderBusy, posts Render and returns true.
    bool requestRender(const std::function<bool()>& ready = {});

    // Posts an engine command.
    void post(EngineCommand command, int64_t lParam = 0);

    // Restore Position after the record was taken over: resets idleEvent and posts
    // ApplyRestoredPosition. The caller checks readyForAction first.
    void postRestoredPosition();

    // Handles a notification that reached a window: NOTIFY_RENDER_ENDED clears renderBusy.
    void notified(int32_t code, int64_t lParam);

    // Closing the main window: while rendering asks kAbortToExitText; on No returns false (stay
    // open); on Yes waits up to |wait| for idleEvent and returns true whether or not the job
    // ended. Returns true at once when not rendering.
    bool requestClose(std::chrono::milliseconds wait = std::chrono::milliseconds(5000));

    // A left-button press at (x, y) of the client area: with idleEvent signalled, a press strictly
    // inside the preview or indicator box starts a drag (the caller grabs the mouse).
    PressResult mousePressed(int32_t x, int32_t y);

    // A mouse move to (x, y): during a drag, when idleEvent is signalled, resets it and posts
    // DragView or DragLight; returns whether it posted (moves during a step are dropped).
    bool mouseMoved(int32_t x, int32_t y);

    // The left button was released: ends the drag.
    void mouseReleased() { dragMode_ = 0; }

    // Returns the drag mode: 0 none, 1 the preview box, 2 the indicator box.
    int32_t dragMode() const { return dragMode_; }

  private:
    EnginePort& engine_;
    AbortConfirmation& confirmation_;
    bool renderBusy_ = false;
    int32_t dragMode_ = 0;
};

}  // namespace tavrine
