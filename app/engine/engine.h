#pragma once
// The engine thread: takes commands from its queue and runs them one at a time (rebuild,
// refresh, render, turning, drags, restored position, capture, animated GIF, tilt sweep).
//
// The viewer's sequence: startUpSession (start_up.h) on the window thread; construct the Engine
// and a KeyboardThread over engine.queue(); start the engine, then the keyboard thread; drive it
// through a WindowProtocol (window_protocol.h) over port(). At exit: keyboard.stop(),
// engine.stop(), then join both (a running job sees the stop at its next poll).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "app/engine/engine_ids.h"
#include "app/engine/engine_port.h"
#include "app/engine/live_view.h"
#include "app/engine/notification_sink.h"
#include "app/engine/panel_drawing.h"
#include "app/engine/thread_queue.h"
#include "app/engine/turning.h"
#include "app/render/render_job.h"
#include "app/session/session.h"

namespace tavrine {

// A long job run on command (capture, animated GIF, tilt sweep): gets the poll for Abort and the
// command's lParam, returns non-zero on success. Called on the engine thread.
using EngineJob = std::function<int32_t(const std::function<bool()>& abortPoll, int64_t lParam)>;

// The engine thread and its queue. Construct, configure and start on the window thread; post
// commands to queue() from any thread. The session, sink and drawer must outlive the engine; the
// engine thread is the only one to touch the session while a command runs.
class Engine {
  public:
    Engine(Session& session, NotificationSink& sink, PanelDrawing& drawing);
    // Stops and joins the thread.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // How renders run (worker count, literal tracer). Before start().
    void setRenderExecution(const RenderExecution& execution) {
        execution_ = execution;
        live_.setExecution(execution);
    }
    // Replaces the render job (tests). Before start().
    void setRenderRunner(RenderRunner runner) { renderRunner_ = std::move(runner); }
    // Replaces the live view's render job (tests). Before start().
    void setLiveRenderRunner(RenderRunner runner) { live_.setRunner(std::move(runner)); }
    // Sets the capture job run by StartCapture. Before start().
    void setCaptureJob(EngineJob job) { captureJob_ = std::move(job); }
    // Sets the animated-GIF job run by CompileGif. Before start().
    void setGifJob(EngineJob job) { gifJob_ = std::move(job); }
    // Sets the tilt-sweep job run by TiltSweep; it returns 1 done, 2 stopped or 3 failed, which
    // NOTIFY_TILT_ENDED carries to the Tilt Performance window. Before start().
    void setTiltJob(EngineJob job) { tiltJob_ = std::move(job); }
    // Replaces the sleeper of the turning commands (tests). Before start().
    void setSleeper(Sleeper& sleeper) { sleeper_ = &sleeper; }
    // Skips the 20 ms start pause, the title and the foreground request (tests). Before start().
    void setQuickStart(bool quick) { quickStart_ = quick; }

    // Starts the engine thread. Window thread; once. Returns false when the thread cannot start.
    bool start();

    // Asks the thread to end: closes the queue and makes a running job's next abort poll report
    // an abort. Any thread; returns at once.
    void stop();

    // Waits until the thread has ended (after stop()). Window thread; no-op when not started.
    void join();

    // Switches the live ray-traced view on or off and wakes the engine to act on it; start() takes
    // the setting's value. Any thread.
    void setLiveView(bool on);

    // The live view (counters, tests). Its members run on the engine thread.
    const LiveView& liveView() const { return live_; }

    // The engine thread's queue. Any thread.
    ThreadQueue& queue() { return queue_; }

    // The manual-reset idleEvent, created signalled. Any thread.
    ManualResetEvent& idleEvent() { return idleEvent_; }

    // The window thread's port over queue() and idleEvent().
    EnginePort& port() { return port_; }

    // The wParam of the last message taken when the thread ended. After join().
    int64_t exitCode() const { return exitCode_; }

    // Takes one message, if any, from the queue into the engine message record; returns true when
    // it was Abort, or when the engine is stopping. Messages of any other kind are dropped. Engine
    // thread only (the running job calls it).
    bool abortPoll();

  private:
    void run();
    void dispatch(int32_t command, int64_t lParam);
    void render();

    Session& session_;
    NotificationSink& sink_;
    PanelDrawing& drawing_;
    ThreadSleeper threadSleeper_;
    Sleeper* sleeper_ = &threadSleeper_;
    std::unique_ptr<TurningModel> turning_;
    ThreadQueue queue_;
    ManualResetEvent idleEvent_{true};
    QueueEnginePort port_{queue_, idleEvent_};
    ThreadMessage record_;
    std::atomic<bool> stopping_{false};
    RenderExecution execution_;
    RenderRunner renderRunner_;
    EngineJob captureJob_;
    EngineJob gifJob_;
    EngineJob tiltJob_;
    LiveView live_;
    bool quickStart_ = false;
    bool showTitle_ = false;
    std::thread thread_;
    int64_t exitCode_ = 0;
};

}  // namespace tavrine
