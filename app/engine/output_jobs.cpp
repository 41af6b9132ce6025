#include "app/engine/output_jobs.h"

#include <utility>

#include "app/engine/turning.h"
#include "app/session/capture_session.h"

namespace tavrine {

namespace {

// Turns the capture's reports into notifications, preview and trail drawings and rows of the
// session's render picture. Runs on the engine thread.
class EngineCaptureObserver : public CaptureObserver {
  public:
    EngineCaptureObserver(Session& session, NotificationSink& sink, PanelDrawing& drawing,
                          const std::function<bool()>& abortPoll)
        : session_(session),
          sink_(sink),
          drawing_(drawing),
          abortPoll_(abortPoll),
          window_(session.settings.look.sizeMode != 0 ? NotifyWindow::Render : NotifyWindow::Main) {
    }

    void captureStarted() override {
        session_.liveLayer = static_cast<int32_t>(TurnTarget::View);  // the view-point trail
    }
    void frameStarting(int32_t k, int32_t n) override {
        sink_.post(NotifyWindow::CaptureProgress, NOTIFY_PROGRESS, frameProgressParam(k, n));
    }
    void viewTurned(int32_t, bool restartTrail) override {
        // The preview and the trail of this frame, as a turn draws them.
        const PreviewFrame frame = previewFrameOf(session_);
        session_.drawnFacets = drawing_.drawSurfaceModel(
            *session_.model, session_.viewVertices.data(), session_.orientation.lightDirection,
            session_.polygonRgb, frame);
        int32_t x = 0;
        int32_t y = 0;
        trailPointOf(session_.orientation.viewPose.axisVector, x, y);
        if (restartTrail) {
            session_.trail.restart(x, y);
        } else {
            session_.trail.add(x, y);
        }
        drawing_.drawTrail(session_.trail, restartTrail);
        const bool full = session_.liveLayer != session_.previousLiveLayer;
        drawing_.compose(session_.liveLayer, full, session_.settings.drawTrail != 0);
        session_.previousLiveLayer = session_.liveLayer;
        sink_.invalidate(kTurnStrip);
    }
    void renderStarted() override { sink_.post(window_, NOTIFY_RENDER_STARTED, 0); }
    void progress(int32_t percent) override { sink_.post(window_, NOTIFY_PROGRESS, percent); }
    // Every frame's render ends as a render does, so its progress display is hidden again.
    void renderEnded() override { sink_.post(window_, NOTIFY_RENDER_ENDED, 0); }
    void rowFinished(int32_t row, const imgctl::DibData& picture) override {
        if (session_.renderPicture.copyRow(picture, row)) sink_.rowDrawn(window_, row);
    }
    bool abortRequested() override { return abortPoll_(); }
    void frameRendered(int32_t, imgctl::DibHandle picture) override {
        // Shown until the next frame replaces it, and kept for a screen shot afterwards.
        session_.renderPicture.replaceRendered(imgctl::DibPtr(imgctl::CopyDIB(picture)),
                                               sceneFingerprint(session_));
    }

  private:
    Session& session_;
    NotificationSink& sink_;
    PanelDrawing& drawing_;
    const std::function<bool()>& abortPoll_;
    NotifyWindow window_;
};

// Posts the compile's progress to the GIF progress window.
class EngineAnimationObserver : public AnimationObserver {
  public:
    explicit EngineAnimationObserver(NotificationSink& sink) : sink_(sink) {}
    void progress(int32_t i, int32_t n) override {
        sink_.post(NotifyWindow::GifProgress, NOTIFY_PROGRESS, frameProgressParam(i, n));
    }

  private:
    NotificationSink& sink_;
};

}  // namespace

EngineJob captureEngineJob(Session& session, NotificationSink& sink, PanelDrawing& drawing,
                           OutputJobs& jobs, RenderRunner render, RenderExecution execution) {
    return [&session, &sink, &drawing, &jobs, render = std::move(render), execution](
               const std::function<bool()>& abortPoll, int64_t checkMode) -> int32_t {
        jobs.captureRecord.checkMode = checkMode != 0 ? 1 : 0;
        CaptureScene scene = captureSceneOf(session, jobs.captureRecord);
        EngineCaptureObserver observer(session, sink, drawing, abortPoll);
        const RenderFunction frame = [&render, execution](const RenderSettings& settings,
                                                          const RenderScene& renderScene,
                                                          RenderObserver& reports) {
            return render ? render(settings, renderScene, reports, execution)
                          : renderJob(settings, renderScene, nullptr, reports, execution);
        };
        jobs.captureResult =
            captureFrames(scene, jobs.captureRecord, jobs.captureFiles, frame, observer);
        return jobs.captureResult.outcome == CaptureOutcome::Complete ? 1 : 0;
    };
}

EngineJob gifEngineJob(NotificationSink& sink, OutputJobs& jobs) {
    return [&sink, &jobs](const std::function<bool()>&, int64_t) -> int32_t {
        // The compile has no abort: its progress window has no close box.
        EngineAnimationObserver observer(sink);
        jobs.animationResult = compileAnimation(jobs.animation, observer);
        return jobs.animationResult.ok ? 1 : 0;
    };
}

}  // namespace tavrine
