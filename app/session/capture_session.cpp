#include "app/session/capture_session.h"

namespace tavrine {

PositionInfo newCaptureRecord(Session& session, int32_t frameCount) {
    OrientationState& o = session.orientation;
    if (o.syOn) setSyOn(o, false, session.model->modelIndex);
    o.savedPosition.orientation = o.viewPose.orientation;
    o.savedPosition.turntableAngles = o.viewPose.turntableAngles;
    PositionInfo record = positionInfoOf(session);
    record.frameCount = frameCount;
    record.framesDone = 0;
    record.checkMode = 0;
    record.frameSettings = frameSettingsOf(session);
    return record;
}

FrameSettings frameSettingsOf(const Session& session) {
    FrameSettings settings;
    settings.recursionDepth = session.settings.recursionDepth;
    const RenderSettings r = renderSettingsOf(session);
    settings.lighting = static_cast<int32_t>(r.lighting);
    // The head shadow counts under the dome only; a Studio capture's record stays as it was.
    if (r.lighting != Lighting::Studio) settings.headShadow = r.headShadow;
    return settings;
}

std::string captureDepthConflict(const PositionInfo& record, int32_t depth) {
    if (!record.frameSettings || record.frameSettings->recursionDepth == depth) return "";
    return "its frames are rendered at recursion depth " +
           std::to_string(record.frameSettings->recursionDepth) + ", not " + std::to_string(depth);
}

bool resumeCapture(Session& session, const PositionInfo& record, std::string* error) {
    if (!restorePosition(session, record, error)) return false;
    chooseTurnStone(session, false);
    if (session.orientation.syOn) setSyOn(session.orientation, false, session.model->modelIndex);
    prepareView(session);
    return true;
}

CaptureScene captureSceneOf(Session& session, PositionInfo& record) {
    if (!record.frameSettings) {
        FrameSettings older;
        older.recursionDepth = session.settings.recursionDepth;
        record.frameSettings = older;
    }
    const FrameSettings& frames = *record.frameSettings;
    CaptureScene scene;
    scene.model = session.model.get();
    scene.viewVertices = session.viewVertices.data();
    scene.orientation = &session.orientation;
    scene.settings = renderSettingsOf(session);
    scene.settings.maxDepth = frames.recursionDepth;
    scene.settings.lighting = ranges::kLighting.contains(frames.lighting)
                                  ? static_cast<Lighting>(frames.lighting)
                                  : Lighting::Studio;
    scene.settings.headShadow = frames.headShadow;
    scene.trimming = pictureTrimmingOf(session);
    scene.backdrop = imgctl::colourRef(session.settings.look.backdrop);
    return scene;
}

}  // namespace tavrine
