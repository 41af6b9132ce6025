#include "app/engine/turning.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/engine/engine_ids.h"
#include "app/view/keyboard_mapping.h"
#include "app/view/view_space.h"

namespace tavrine {

namespace {

// The whole main window (an empty rectangle).
constexpr PanelRect kWholeWindow{0, 0, 0, 0};

}  // namespace

void ThreadSleeper::sleepMs(int32_t milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int32_t framePause(int32_t turnDelay, int32_t facetsDrawn) {
    const int32_t pause = static_cast<int32_t>(turnDelay - 0.25 * facetsDrawn);
    return pause < 0 ? 0 : pause;
}

PreviewFrame previewFrameOf(const Session& session) {
    const Settings& s = session.settings;
    PreviewFrame frame;
    if (s.look.trimmingActive == 0) return frame;
    const double k = s.look.sizeMode != 0 && s.look.imageWidth > 0
                         ? static_cast<double>(kPanelSide) / s.look.imageWidth
                         : 1.0;
    frame.active = true;
    frame.left = static_cast<int32_t>(s.look.trimming.left * k);
    frame.top = static_cast<int32_t>(s.look.trimming.top * k);
    frame.right = kPanelSide - static_cast<int32_t>(s.look.trimming.right * k);
    frame.bottom = kPanelSide - static_cast<int32_t>(s.look.trimming.bottom * k);
    return frame;
}

TurningModel::TurningModel(Session& session, PanelDrawing& drawing, NotificationSink& sink,
                           Sleeper& sleeper)
    : session_(session), drawing_(drawing), sink_(sink), sleeper_(sleeper) {}

void TurningModel::drawSurface() {
    ModelRecord& model = *session_.model;
    // The preview pass is where the facets get their normals and planes for this view.
    computeFacetPlanes(model, session_.viewVertices.data());
    const PreviewFrame frame = previewFrameOf(session_);
    session_.drawnFacets =
        drawing_.drawSurfaceModel(model, session_.viewVertices.data(),
                                  session_.orientation.lightDirection, session_.polygonRgb, frame);
    if (frame.active) {
        sink_.invalidate(PanelRect{kPreviewBox.left + frame.left, kPreviewBox.top + frame.top,
                                   kPreviewBox.left + frame.right, kPreviewBox.top + frame.bottom});
    }
}

void TurningModel::viewFrame(bool restartTrail) {
    turnIntoView(*session_.model, session_.orientation.viewPose.orientation,
                 session_.viewVertices.data());
    drawSurface();
    int32_t x = 0;
    int32_t y = 0;
    trailPointOf(session_.orientation.viewPose.axisVector, x, y);
    if (restartTrail) {
        session_.trail.restart(x, y);
    } else {
        session_.trail.add(x, y);
    }
    drawing_.drawTrail(session_.trail, restartTrail);
}

void TurningModel::composeFrame() {
    const bool trailOn = session_.settings.drawTrail != 0;
    if (session_.liveLayer != session_.previousLiveLayer) {
        drawing_.compose(session_.liveLayer, true, trailOn);
        session_.previousLiveLayer = session_.liveLayer;
    } else {
        drawing_.compose(session_.liveLayer, false, trailOn);
    }
}

int32_t TurningModel::liveFrame(bool inTurnLoop) {
    // The render picture is current or stale against the scene as it now stands.
    session_.renderPicture.noteScene(sceneFingerprint(session_));
    if (live_ == nullptr || !live_->enabled()) return 0;
    live_->viewChanged();
    return inTurnLoop ? live_->renderCoarseNow() : 0;
}

void TurningModel::turnWhileHeld(int32_t turnButtonId, ThreadQueue& queue, ThreadMessage& record) {
    const TurnFlags flags = turnFlagsForId(turnButtonId);
    OrientationState& o = session_.orientation;
    for (;;) {
        // Only MSG_STOP_TURNING ends the loop; anything else taken here is lost.
        if (queue.peek(record)) {
            if (record.id == MSG_STOP_TURNING) return;
        } else if (queue.closed()) {
            return;
        }
        if (flags.light) {
            session_.liveLayer = static_cast<int32_t>(TurnTarget::Light);
            turnStep(o, flags);
            drawing_.drawLightRay(o.lightAngles, o.lightDirection);
            sleeper_.sleepMs(kLightFramePause);
        } else if (o.syOn) {
            session_.liveLayer = static_cast<int32_t>(TurnTarget::Stone);
            turnStep(o, flags);
            turnStoneIntoBase(*session_.model, o.stonePose.orientation);
            drawing_.drawModelSketch(*session_.model);
        } else {
            session_.liveLayer = static_cast<int32_t>(TurnTarget::View);
            turnStep(o, flags);
        }
        viewFrame(false);
        composeFrame();
        sink_.invalidate(kTurnStrip);
        // The live view's coarse picture is rendered within the frame's pause.
        const int32_t liveSpent = liveFrame(true);
        const int32_t pause = framePause(session_.settings.turnDelay, session_.drawnFacets);
        sleeper_.sleepMs(std::max(0, pause - liveSpent));
    }
}

void TurningModel::beginViewDrag(DragPoint point) {
    tavrine::beginViewDrag(session_.orientation, point);
}

void TurningModel::dragView(DragPoint point) {
    OrientationState& o = session_.orientation;
    const TurnTarget target = tavrine::dragView(o, point);
    session_.liveLayer = static_cast<int32_t>(target);
    if (target == TurnTarget::Stone) {
        turnStoneIntoBase(*session_.model, o.stonePose.orientation);
        drawing_.drawModelSketch(*session_.model);
    }
    viewFrame(false);
    composeFrame();
    sink_.invalidate(kTurnStrip);
    liveFrame(false);
    sleeper_.sleepMs(1);
}

void TurningModel::beginLightDrag(DragPoint point) {
    tavrine::beginLightDrag(session_.orientation, point);
}

void TurningModel::dragLight(DragPoint point) {
    OrientationState& o = session_.orientation;
    session_.liveLayer = static_cast<int32_t>(TurnTarget::Light);
    tavrine::dragLight(o, point);
    drawing_.drawLightRay(o.lightAngles, o.lightDirection);
    drawSurface();
    composeFrame();
    sink_.invalidate(kTurnStrip);
    liveFrame(false);
    sleeper_.sleepMs(1);
}

void TurningModel::refreshView() {
    OrientationState& o = session_.orientation;
    drawing_.drawLightRay(o.lightAngles, o.lightDirection);
    drawing_.drawModelSketch(*session_.model);
    drawing_.clearComposition();
    refreshViewOrientation(o.viewPose, o.gmOn);
    viewFrame(true);
    session_.liveLayer = -1;
    session_.previousLiveLayer = -1;
    const bool trailOn = session_.settings.drawTrail != 0;
    drawing_.compose(-1, true, trailOn);
    drawing_.compose(-1, false, trailOn);
    sink_.invalidate(kWholeWindow);
    liveFrame(false);
    sleeper_.sleepMs(1);
}

void TurningModel::rebuildModel() {
    // The session's rebuild: it also takes the open design.
    tavrine::rebuildModel(session_);
    refreshView();
}

void TurningModel::redrawPreview() {
    drawSurface();
    sink_.invalidate(kPreviewRepaint);
    sleeper_.sleepMs(1);
}

void TurningModel::applyRestoredPosition() {
    OrientationState& o = session_.orientation;
    alignViewVectors(o.viewPose, o.gmOn);
    viewFrame(true);
    session_.liveLayer = -1;
    session_.previousLiveLayer = -1;
    const bool trailOn = session_.settings.drawTrail != 0;
    drawing_.compose(-1, true, trailOn);
    drawing_.compose(-1, false, trailOn);
    sink_.invalidate(kTurnStrip);
    liveFrame(false);
}

}  // namespace tavrine
