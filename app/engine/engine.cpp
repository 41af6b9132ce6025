#include "app/engine/engine.h"

#include <chrono>
#include <system_error>
#include <utility>
#include <vector>

namespace tavrine {

namespace {

// Turns the render job's reports into notifications and rows of the session's render picture.
// Runs on the engine thread (the job reports on its calling thread).
class EngineRenderObserver : public RenderObserver {
  public:
    EngineRenderObserver(Engine& engine, Session& session, NotificationSink& sink,
                         NotifyWindow window)
        : engine_(engine), session_(session), sink_(sink), window_(window) {}

    void renderStarted() override { sink_.post(window_, NOTIFY_RENDER_STARTED, 0); }
    void progress(int32_t percent) override { sink_.post(window_, NOTIFY_PROGRESS, percent); }
    void rowFinished(int32_t row, const imgctl::DibData& picture) override {
        if (session_.renderPicture.copyRow(picture, row)) sink_.rowDrawn(window_, row);
    }
    bool abortRequested() override { return engine_.abortPoll(); }

  private:
    Engine& engine_;
    Session& session_;
    NotificationSink& sink_;
    NotifyWindow window_;
};

}  // namespace

Engine::Engine(Session& session, NotificationSink& sink, PanelDrawing& drawing)
    : session_(session),
      sink_(sink),
      drawing_(drawing),
      live_(session, sink, [this] { return stopping_ || queue_.size() > 0; }) {
    // The job starts from a copy of the picture shown, so that rows an abort leaves unrendered
    // keep the previous picture, as when rendering over it.
    renderRunner_ = [this](const RenderSettings& settings, const RenderScene& scene,
                           RenderObserver& observer, const RenderExecution& execution) {
        imgctl::DibPtr start = session_.renderPicture.copy();
        const imgctl::DibData* data = start ? imgctl::DataDIB(start.get()) : nullptr;
        if (data == nullptr || data->bitCount != 24 || data->width != settings.width ||
            data->height != settings.width) {
            start.reset();
        }
        return renderJob(settings, scene, std::move(start), observer, execution);
    };
}

Engine::~Engine() {
    stop();
    join();
}

bool Engine::start() {
    if (thread_.joinable()) return false;
    turning_ = std::make_unique<TurningModel>(session_, drawing_, sink_, *sleeper_);
    turning_->setLiveView(&live_);
    live_.setEnabled(session_.settings.liveRayTrace != 0);
    // Read here, on the window thread, which owns the settings while the engine is idle.
    showTitle_ = session_.settings.showTitle != 0;
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Engine::stop() {
    stopping_ = true;
    queue_.close();
}

void Engine::setLiveView(bool on) {
    live_.setEnabled(on);
    queue_.post(MSG_LIVE_VIEW_SWITCHED);
}

void Engine::join() {
    if (thread_.joinable()) thread_.join();
}

bool Engine::abortPoll() {
    if (stopping_) return true;
    if (!queue_.peek(record_)) return queue_.closed();
    // Whatever else was taken is dropped: commands sent during a job are lost.
    return record_.wParam == static_cast<int64_t>(EngineCommand::Abort);
}

void Engine::run() {
    if (!quickStart_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (showTitle_) sink_.showTitle();
        sink_.bringToForeground();
    }
    // With the live view on from the start, the first view is rendered as soon as nothing waits.
    live_.viewChanged();
    for (;;) {
        // The live view works only while nothing waits, and gives way to whatever arrives.
        live_.renderDue();
        if (!queue_.get(record_)) break;
        if (record_.id == MSG_ENGINE_COMMAND) {
            dispatch(static_cast<int32_t>(record_.wParam), record_.lParam);
        } else if (record_.id == MSG_LIVE_VIEW_SWITCHED) {
            live_.viewChanged();  // switched on: show the current view at once
        }
        // A message is never run twice.
        record_.id = kNoMessage;
    }
    exitCode_ = record_.wParam;
}

void Engine::dispatch(int32_t command, int64_t lParam) {
    const DragPoint point{pointX(lParam), pointY(lParam)};
    switch (static_cast<EngineCommand>(command)) {
    case EngineCommand::TurnWhileHeld:
        turning_->turnWhileHeld(static_cast<int32_t>(lParam), queue_, record_);
        break;
    case EngineCommand::RebuildModel:
        turning_->rebuildModel();
        break;
    case EngineCommand::RefreshView:
        turning_->refreshView();
        break;
    case EngineCommand::Render:
        render();
        idleEvent_.set();
        break;
    case EngineCommand::BeginViewDrag:
        turning_->beginViewDrag(point);
        break;
    case EngineCommand::DragView:
        turning_->dragView(point);
        idleEvent_.set();
        break;
    case EngineCommand::BeginLightDrag:
        turning_->beginLightDrag(point);
        break;
    case EngineCommand::DragLight:
        turning_->dragLight(point);
        idleEvent_.set();
        break;
    case EngineCommand::RedrawPreview:
        turning_->redrawPreview();
        break;
    case EngineCommand::ApplyRestoredPosition:
        turning_->applyRestoredPosition();
        idleEvent_.set();
        break;
    case EngineCommand::StartCapture: {
        // Every capture frame is rendered in full and shows its rows: no live picture on top.
        live_.forget();
        const int32_t ok = captureJob_ ? captureJob_([this] { return abortPoll(); }, lParam) : 0;
        sink_.post(NotifyWindow::CaptureProgress, NOTIFY_CAPTURE_ENDED, ok != 0 ? 1 : 2);
        sink_.post(NotifyWindow::Main, NOTIFY_RENDER_ENDED, 0);
        break;
    }
    case EngineCommand::CompileGif: {
        const int32_t ok = gifJob_ ? gifJob_([this] { return abortPoll(); }, lParam) : 0;
        sink_.post(NotifyWindow::GifProgress, NOTIFY_GIF_ENDED, ok != 0 ? 1 : 2);
        break;
    }
    case EngineCommand::TiltSweep: {
        const int32_t ended = tiltJob_ ? tiltJob_([this] { return abortPoll(); }, lParam) : 3;
        sink_.post(NotifyWindow::TiltPerformance, NOTIFY_TILT_ENDED, ended);
        break;
    }
    case EngineCommand::Abort:
        break;  // no job runs: nothing to abort
    default:
        break;  // not a command
    }
}

void Engine::render() {
    // A requested render shows its rows over the render picture, not over a live one.
    live_.forget();
    // The job reads its own copy of everything it renders, so the window thread may change the
    // session while it runs.
    const RenderSettings settings = renderSettingsOf(session_);
    const uint64_t sceneShown = sceneFingerprint(session_);
    const ModelRecord& model = *session_.model;
    const std::vector<Vertex> vertices(session_.viewVertices.begin(),
                                       session_.viewVertices.begin() + model.vertexCount);
    const std::vector<Facet> facets(model.facets, model.facets + model.facetCount);
    RenderScene scene;
    scene.vertices = vertices.data();
    scene.vertexCount = model.vertexCount;
    scene.facets = facets.data();
    scene.facetCount = model.facetCount;
    scene.lightDirection = session_.orientation.lightDirection;

    const NotifyWindow window =
        session_.settings.look.sizeMode != 0 ? NotifyWindow::Render : NotifyWindow::Main;
    EngineRenderObserver observer(*this, session_, sink_, window);
    RenderResult result = renderRunner_(settings, scene, observer, execution_);
    // Only a finished picture shows the scene; an aborted one is marked as another.
    if (result.picture) {
        session_.renderPicture.replaceRendered(
            std::move(result.picture), result.status == RenderStatus::Completed ? sceneShown : 0);
    }
    // Posted after the picture is in place, so the window paints the finished picture.
    sink_.post(window, NOTIFY_RENDER_ENDED, 0);
}

}  // namespace tavrine
