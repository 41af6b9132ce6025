#pragma once
// The live ray-traced view ("Live Ray-trace (&L)" in the View menu). While it is on, every view
// change of turning and dragging also renders the picture at the new view, in the main window's
// render area or in the separate render window as the size mode has it: a coarse picture first
// (every other pixel, enlarged), then, once the user holds still, the full picture. It runs on the
// engine thread between turn frames and while the engine has nothing else to do, and a render is
// abandoned as soon as anything waits in the engine's queue, so the newest view always wins and
// no command is taken away from the engine. It never touches renderBusy or idleEvent and sends no
// render notifications: the window keeps taking turns and drags. Only a completed full render
// becomes the session's render picture (the one screen shots save); the coarse and the unfinished
// pictures stay in the session's live picture, which the picture's window shows on top.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "app/engine/notification_sink.h"
#include "app/render/render_job.h"
#include "app/session/session.h"

namespace tavrine {

// A thread message that only wakes the engine so that it looks at the live view again (after the
// switch changed). Not a command: a running job or turn loop that takes it just drops it.
inline constexpr uint32_t MSG_LIVE_VIEW_SWITCHED = 7040;

// Runs one render of a copy of the scene; the default runs renderJob. Called on the engine thread.
using RenderRunner =
    std::function<RenderResult(const RenderSettings& settings, const RenderScene& scene,
                               RenderObserver& observer, const RenderExecution& execution)>;

// The settings of the coarse live picture for the full picture's settings: half the scale, no HQ,
// and a width whose centre column lands on the full picture's centre column, so that coarse pixel
// (c, r) is the full picture's pixel (2c + coarseOffset, 2r + coarseOffset).
RenderSettings coarseSettingsOf(const RenderSettings& full);
int32_t coarseOffset(const RenderSettings& full);

// Enlarges a coarse picture (24-bit) to a fullWidth x fullWidth one: every pixel takes the colour
// of the nearest coarse pixel at or to the upper left of it. Null when memory is refused.
imgctl::DibPtr enlargeCoarse(const imgctl::DibData& coarse, int32_t fullWidth, int32_t offset);

// The live view of one engine. Every member runs on the engine thread unless said otherwise.
class LiveView {
  public:
    // |newerWaiting| tells, without taking anything, whether a message waits in the engine's
    // queue or the engine stops.
    LiveView(Session& session, NotificationSink& sink, std::function<bool()> newerWaiting);

    // Replaces the render job (tests). Before the engine starts.
    void setRunner(RenderRunner runner) { runner_ = std::move(runner); }
    void setExecution(const RenderExecution& execution) { execution_ = execution; }

    // Switches the live view on or off. Any thread.
    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // The view has changed: the live pictures shown are stale, a coarse and a full one are due.
    void viewChanged();

    // Renders the coarse picture of the current view now, between two turn frames; returns the
    // milliseconds spent, so the turn loop can shorten its pause by them.
    int32_t renderCoarseNow();

    // Runs what is due (the coarse picture, then the full one) while nothing waits in the queue;
    // when the live view is off or does not apply, drops what is due and the live picture.
    void renderDue();

    // Drops what is due and the live picture (before a requested render, or when switched off).
    void forget();

    // Live pictures shown so far (for the benchmark and the tests). Any thread.
    int64_t coarseShown() const { return coarseShown_; }
    int64_t fullShown() const { return fullShown_; }

  private:
    // Renders the current view with |settings|; returns the picture when it completed.
    imgctl::DibPtr renderView(const RenderSettings& settings);
    bool renderCoarse();
    bool renderFull();
    bool applies() const;
    // Asks the window that shows the picture to repaint it.
    void showLivePicture();

    Session& session_;
    NotificationSink& sink_;
    std::function<bool()> newerWaiting_;
    RenderRunner runner_;
    RenderExecution execution_;
    std::atomic<bool> enabled_{false};
    bool coarseDue_ = false;
    bool fullDue_ = false;
    std::atomic<int64_t> coarseShown_{0};
    std::atomic<int64_t> fullShown_{0};
};

}  // namespace tavrine
