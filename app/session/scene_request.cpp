#include "app/session/scene_request.h"

#include <string>

namespace tavrine {

SceneResult setUpScene(Session& session, const SceneRequest& request) {
    Settings& s = session.settings;
    SceneResult result;
    // Another stone, cut or design replaces the record's cut, which is then not opened.
    const bool otherCut = request.stone || request.model || !request.design.empty();
    if (request.record) {
        if (otherCut) {
            takeRecordSettings(session, *request.record);
        } else if (!startAtPosition(session, *request.record, &result.message)) {
            result.problem = SceneProblem::RecordDesign;
            return result;
        }
    }

    // Choosing a stone proposes its model, colour and index; the spread always follows it.
    if (request.stone) {
        chooseStone(session, *request.stone);
    } else if (!request.record) {
        chooseStone(session, 0);
    }
    if (request.model) chooseModel(session, *request.model);
    if (!request.design.empty() && !openDesign(session, request.design, &result.message)) {
        result.problem = SceneProblem::Design;
        return result;
    }
    if (request.colour) chooseColour(session, *request.colour);
    if (request.refractiveIndex) s.refractiveIndex = *request.refractiveIndex;

    const int32_t width = request.width    ? *request.width
                          : request.record ? renderWidth(s)
                                           : kDefaultSceneWidth;
    s.look.sizeMode = 1;
    s.look.imageWidth = width;
    if (request.depth) s.recursionDepth = *request.depth;
    if (request.highQuality) s.look.highQuality = *request.highQuality != 0 ? 1 : 0;
    if (request.fire) s.look.renderFire = *request.fire != 0 ? 1 : 0;
    if (request.backdrop) {
        for (int i = 0; i < 3; ++i)
            s.look.backdrop[i] = (*request.backdrop)[static_cast<size_t>(i)];
    }
    if (request.lights) {
        s.look.mainLight = (*request.lights)[0];
        s.look.backLight = (*request.lights)[1];
        s.look.fillLight = (*request.lights)[2];
    }
    if (request.narrowHighlight) s.look.narrowHighlight = *request.narrowHighlight;
    if (request.lighting) chooseLighting(session, *request.lighting);
    if (request.headShadow) s.headShadow = *request.headShadow;
    if (request.trimming) {
        const Trimming& t = *request.trimming;
        s.look.trimming = t;
        s.look.trimmingActive = (t.top | t.bottom | t.left | t.right) != 0 ? 1 : 0;
        s.look.trimmingCheckBox = s.look.trimmingActive;
    }
    const PictureTrimming t = pictureTrimmingOf(session);
    if (t.top + t.bottom >= width || t.left + t.right >= width) {
        result.problem = SceneProblem::Trimming;
        result.message =
            "top + bottom and left + right must each be below the size " + std::to_string(width);
        return result;
    }

    // The model, then the view: restored from the record unless another cut was chosen, which
    // resets view, stone pose and light as the lists do.
    rebuildModel(session);
    if (request.record && !otherCut) {
        restoreOrientation(session, *request.record);
    } else {
        resetView(session);
    }
    if (request.turntable) setTurntable(session, *request.turntable);
    prepareView(session);
    if (request.faceUp) turnFaceUp(session);
    applyKeySteps(session, request.viewSteps, KeyStepTarget::View);
    applyKeySteps(session, request.stoneSteps, KeyStepTarget::Stone);
    applyKeySteps(session, request.lightSteps, KeyStepTarget::Light);
    prepareView(session);
    return result;
}

}  // namespace tavrine
