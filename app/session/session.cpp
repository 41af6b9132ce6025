#include "app/session/session.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/settings/stone_table.h"
#include "app/view/face_up.h"
#include "app/view/view_space.h"
#include "tracer/colour_absorption.h"

namespace tavrine {

namespace {

TurnFlags flagsForKey(char key, bool light) {
    TurnFlags flags;
    flags.light = light;
    switch (key) {
    case 'R':
        flags.right = true;
        break;
    case 'L':
        flags.left = true;
        break;
    case 'U':
        flags.up = true;
        break;
    case 'D':
        flags.down = true;
        break;
    case 'X':
        flags.x = true;
        break;
    case 'Z':
        flags.z = true;
        break;
    default:
        break;
    }
    return flags;
}

void applySteps(Session& session, const std::vector<KeyStep>& steps, bool light) {
    for (const KeyStep& step : steps) {
        const TurnFlags flags = flagsForKey(step.key, light);
        for (int32_t i = 0; i < step.count; ++i) {
            applyTurnStep(session.orientation, flags, *session.model, session.viewVertices.data());
        }
    }
}

// The model whose view a reset takes: a design is shown as the brilliant is.
int32_t viewModelIndex(int32_t modelIndex) {
    return modelIndex == kDesignModelIndex ? 0 : modelIndex;
}

}  // namespace

void chooseStone(Session& session, int32_t stone) {
    Settings& s = session.settings;
    const StoneEntry& e = stoneTable[static_cast<size_t>(stone)];
    s.stoneIndex = stone;
    s.modelIndex = e.defaultModel;
    s.colourIndex = e.defaultColour;
    s.refractiveIndex = stoneRefractiveIndex(stone);
}

void selectPolygonColour(Session& session, int32_t index) {
    if (index < 0) index = 0;
    if (index >= kPolygonColourCount) index = kPolygonColourCount - 1;
    session.settings.polygonColour = index;
    session.polygonRgb = polygonColour(index);
}

void chooseModel(Session& session, int32_t modelIndex) { session.settings.modelIndex = modelIndex; }

bool openDesign(Session& session, const std::string& path, std::string* error) {
    OpenDesign opened;
    opened.model = std::make_unique<ModelRecord>();
    if (!loadDesignFile(path, opened.design, *opened.model, &opened.summary, error)) {
        return false;
    }
    // Recorded in full, so that a Position-Info File reopens it from any folder.
    std::error_code failed;
    const std::filesystem::path full = std::filesystem::absolute(path, failed);
    opened.path = failed ? path : full.lexically_normal().string();
    const double ri = opened.design.refractiveIndex;
    if (ri >= 1.0 && ri <= 3.0) session.settings.refractiveIndex = ri;
    session.design = std::move(opened);
    chooseModel(session, kDesignModelIndex);
    return true;
}

void chooseColour(Session& session, int32_t colourIndex) {
    session.settings.colourIndex = colourIndex;
}

void chooseRefractiveIndex(Session& session, double value) {
    session.settings.refractiveIndex = std::clamp(value, 1.0, 3.0);
}

void chooseHighQuality(Session& session, bool on) {
    session.settings.look.highQuality = on ? 1 : 0;
}

void chooseTurnStone(Session& session, bool on) {
    session.settings.look.turnStone = on ? 1 : 0;
    if (on) session.settings.look.turntableView = 0;
}

void chooseTurntableView(Session& session, bool on) {
    session.settings.look.turntableView = on ? 1 : 0;
    if (on) session.settings.look.turnStone = 0;
}

void chooseViewerSwitch(Session& session, ViewerSwitch which, bool on) {
    Settings& s = session.settings;
    switch (which) {
    case ViewerSwitch::ShowTitle:
        s.showTitle = on ? 1 : 0;
        break;
    case ViewerSwitch::RenderWindowTopMost:
        s.renderWindowTopMost = on ? 1 : 0;
        break;
    case ViewerSwitch::LiveRayTrace:
        s.liveRayTrace = on ? 1 : 0;
        break;
    }
}

void chooseLighting(Session& session, Lighting lighting) {
    session.settings.lighting = static_cast<int32_t>(lighting);
}

ViewPose faceUpViewOf(const Session& session) {
    const ModelRecord& model = *session.model;
    const Vec3 top = model.modelIndex == kDesignModelIndex && session.design.model
                         ? gearIndexDirection(session.design.design, 0.0)
                         : firstCrownFacetDirection(model);
    return faceUpView(session.orientation.stonePose.orientation, top);
}

void turnFaceUp(Session& session) {
    OrientationState& o = session.orientation;
    o.gmOn = false;
    session.settings.look.turntableView = 0;
    const TurntableAngles angles = o.viewPose.turntableAngles;
    o.viewPose = faceUpViewOf(session);
    o.viewPose.turntableAngles = angles;
    prepareView(session);
}

evaluate::EvaluationScene evaluationSceneOf(const Session& session) {
    evaluate::EvaluationScene scene;
    scene.model = session.model.get();
    scene.faceUp = faceUpViewOf(session);
    scene.settings = renderSettingsOf(session);
    scene.lightDirection = session.orientation.lightDirection;
    return scene;
}

void takeRecordSettings(Session& session, const PositionInfo& info) {
    Settings& s = session.settings;
    s.frameCount = info.frameCount;
    s.stoneIndex = info.stoneIndex;
    s.modelIndex = info.modelIndex;
    s.colourIndex = info.colourIndex;
    s.refractiveIndex = info.refractiveIndex;
    s.look = info.look;
    // The switches are kept as 0/1, and "SY" wins over "GM" should a record carry both.
    s.look.turnStone = info.look.turnStone != 0 ? 1 : 0;
    s.look.turntableView = info.look.turntableView != 0 && info.look.turnStone == 0 ? 1 : 0;
}

bool startAtPosition(Session& session, const PositionInfo& info, std::string* error) {
    if (info.modelIndex == kDesignModelIndex && !openDesign(session, info.designPath, error)) {
        return false;
    }
    takeRecordSettings(session, info);
    return true;
}

bool applyRecord(Session& session, const PositionInfo& info, std::string* error) {
    if (!startAtPosition(session, info, error)) return false;
    const ViewPose view = session.orientation.viewPose;
    rebuildModel(session);
    restoreOrientation(session, info);
    session.orientation.viewPose = view;
    return true;
}

bool restorePosition(Session& session, const PositionInfo& info, std::string* error) {
    if (!startAtPosition(session, info, error)) return false;
    rebuildModel(session);
    restoreOrientation(session, info);
    return true;
}

void rebuildModel(Session& session) {
    const ModelRecord* design = session.design.model.get();
    if (session.settings.modelIndex == kDesignModelIndex && design == nullptr) {
        // No design is open (a settings file of a run that showed one): the stone's own cut.
        session.settings.modelIndex =
            stoneTable[static_cast<size_t>(session.settings.stoneIndex)].defaultModel;
    }
    if (session.settings.modelIndex == kDesignModelIndex && design != nullptr) {
        ModelRecord& m = *session.model;
        m.modelIndex = kDesignModelIndex;
        m.vertexCount = design->vertexCount;
        m.facetCount = design->facetCount;
        std::copy(design->modelVertices, design->modelVertices + design->vertexCount,
                  m.modelVertices);
        std::copy(design->modelVertices, design->modelVertices + design->vertexCount,
                  m.baseVertices);
        std::copy(design->facets, design->facets + design->facetCount, m.facets);
        return;
    }
    session.model->modelIndex = session.settings.modelIndex;
    buildModel(*session.model, session.settings.look.transformable);
}

void resetView(Session& session) {
    // The chosen model: the window resets the view before the engine rebuilds it.
    resetOrientationState(session.orientation, viewModelIndex(session.settings.modelIndex),
                          session.settings.stoneIndex);
}

void restoreOrientation(Session& session, const PositionInfo& info) {
    OrientationState& o = session.orientation;
    o.syOn = info.look.turnStone != 0;
    o.gmOn = info.look.turntableView != 0;
    o.stonePose.orientation = info.stonePose;
    o.stonePose.axisVector = applyOrientation(info.stonePose, Vec3{0.0, 0.0, -1.0});
    o.stonePose.sideVector = applyOrientation(info.stonePose, Vec3{1.0, 0.0, 0.0});
    turnStoneIntoBase(*session.model, o.stonePose.orientation);
    o.lightAngles = info.lightAngles;
    o.lightDirection = lightDirectionFromAngles(o.lightAngles);
    takeSavedPosition(session, info);
    alignViewVectors(o.viewPose, o.gmOn);
}

void takeSavedPosition(Session& session, const PositionInfo& info) {
    OrientationState& o = session.orientation;
    o.savedPosition = info.savedPosition;
    o.viewPose.orientation = info.savedPosition.orientation;
    o.viewPose.turntableAngles = info.savedPosition.turntableAngles;
}

void setTurntable(Session& session, bool on) {
    if (on != session.orientation.gmOn) {
        setGmOn(session.orientation, on, viewModelIndex(session.model->modelIndex));
    }
}

void prepareView(Session& session) {
    prepareViewSpace(*session.model, session.orientation.viewPose.orientation,
                     session.viewVertices.data());
}

void applyKeySteps(Session& session, const std::vector<KeyStep>& steps, KeyStepTarget target) {
    if (steps.empty()) return;
    OrientationState& o = session.orientation;
    const bool sy = o.syOn;
    const bool gm = o.gmOn;
    switch (target) {
    case KeyStepTarget::View:
        o.syOn = false;
        applySteps(session, steps, false);
        break;
    case KeyStepTarget::Stone:
        o.syOn = true;
        o.gmOn = false;
        applySteps(session, steps, false);
        break;
    case KeyStepTarget::Light:
        applySteps(session, steps, true);
        break;
    }
    o.syOn = sy;
    o.gmOn = gm;
}

int32_t renderWidth(const Settings& settings) {
    return settings.look.sizeMode != 0 ? settings.look.imageWidth : kFixedModeImageWidth;
}

Settings settingsToKeep(const Session& session) {
    Settings kept = session.settings;
    if (kept.modelIndex == kDesignModelIndex && isStoneIndex(kept.stoneIndex)) {
        kept.modelIndex = stoneTable[static_cast<size_t>(kept.stoneIndex)].defaultModel;
        kept.refractiveIndex = stoneRefractiveIndex(kept.stoneIndex);
    }
    return kept;
}

RenderSettings renderSettingsOf(const Session& session) {
    const Settings& s = session.settings;
    RenderSettings r;
    const ColourAbsorption& absorption = colourAbsorption[s.colourIndex];
    r.absorption[0] = absorption.r;
    r.absorption[1] = absorption.g;
    r.absorption[2] = absorption.b;
    r.stoneIndex = s.refractiveIndex;
    r.dispersionSpread = stoneTable[static_cast<size_t>(s.stoneIndex)].dispersionSpread;
    r.maxDepth = s.recursionDepth;
    r.highQuality = s.look.highQuality != 0;
    r.renderFire = s.look.renderFire != 0;
    for (int i = 0; i < 3; ++i) r.backdrop[i] = s.look.backdrop[i];
    r.mainLight = s.look.mainLight;
    r.backLight = s.look.backLight;
    r.fillLight = s.look.fillLight;
    r.narrowHighlight = s.look.narrowHighlight;
    r.lighting = ranges::kLighting.contains(s.lighting) ? static_cast<Lighting>(s.lighting)
                                                        : Lighting::Studio;
    r.headShadow = s.headShadow;
    r.width = renderWidth(s);
    r.imageScale = imageScaleForWidth(r.width);
    return r;
}

namespace {

// FNV-1a over the bytes of plain values, in the order they are added.
class Fingerprint {
  public:
    template <typename T>
    void add(const T& value) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char b : bytes) hash_ = (hash_ ^ b) * 1099511628211ull;
    }
    void add(const Vec3& v) {
        add(v.x);
        add(v.y);
        add(v.z);
    }
    uint64_t value() const { return hash_ != 0 ? hash_ : 1; }

  private:
    uint64_t hash_ = 14695981039346656037ull;
};

}  // namespace

uint64_t sceneFingerprint(const Session& session) {
    Fingerprint f;
    const RenderSettings r = renderSettingsOf(session);
    for (double a : r.absorption) f.add(a);
    f.add(r.outerIndex);
    f.add(r.stoneIndex);
    f.add(r.dispersionSpread);
    f.add(r.maxDepth);
    f.add(r.highQuality);
    f.add(r.renderFire);
    for (int32_t b : r.backdrop) f.add(b);
    f.add(r.mainLight);
    f.add(r.backLight);
    f.add(r.fillLight);
    f.add(r.narrowHighlight);
    f.add(r.lighting);
    f.add(r.headShadow);
    f.add(r.width);
    f.add(r.imageScale);
    const ModelRecord& model = *session.model;
    f.add(model.vertexCount);
    for (int32_t i = 0; i < model.vertexCount; ++i)
        f.add(session.viewVertices[static_cast<size_t>(i)]);
    f.add(model.facetCount);
    for (int32_t i = 0; i < model.facetCount; ++i) {
        const Facet& facet = model.facets[i];
        f.add(facet.normal);
        for (double p : facet.plane) f.add(p);
        f.add(facet.vertexCount);
        for (int32_t k : facet.vertexIndex) f.add(k);
    }
    f.add(session.orientation.lightDirection);
    return f.value();
}

RenderScene renderSceneOf(const Session& session) {
    RenderScene scene;
    scene.vertices = session.viewVertices.data();
    scene.vertexCount = session.model->vertexCount;
    scene.facets = session.model->facets;
    scene.facetCount = session.model->facetCount;
    scene.lightDirection = session.orientation.lightDirection;
    return scene;
}

PictureTrimming pictureTrimmingOf(const Session& session) {
    const Settings& s = session.settings;
    PictureTrimming t;
    if (s.look.trimmingActive == 0) return t;
    t.top = s.look.trimming.top;
    t.bottom = s.look.trimming.bottom;
    t.left = s.look.trimming.left;
    t.right = s.look.trimming.right;
    return t;
}

PositionInfo positionInfoOf(const Session& session) {
    const Settings& s = session.settings;
    const OrientationState& o = session.orientation;
    PositionInfo info;
    info.stoneIndex = s.stoneIndex;
    info.modelIndex = session.model->modelIndex;
    info.colourIndex = s.colourIndex;
    info.refractiveIndex = s.refractiveIndex;
    info.savedPosition.orientation = o.viewPose.orientation;
    info.savedPosition.turntableAngles = o.viewPose.turntableAngles;
    info.stonePose = o.stonePose.orientation;
    info.lightAngles = o.lightAngles;
    info.look = s.look;
    // The switches are those of the view, and only trimming in force is recorded, its check box
    // following it.
    info.look.turnStone = o.syOn ? 1 : 0;
    info.look.turntableView = o.gmOn ? 1 : 0;
    const PictureTrimming t = pictureTrimmingOf(session);
    info.look.trimming.top = t.top;
    info.look.trimming.bottom = t.bottom;
    info.look.trimming.left = t.left;
    info.look.trimming.right = t.right;
    info.look.trimmingActive = t.active() ? 1 : 0;
    info.look.trimmingCheckBox = info.look.trimmingActive;
    if (info.modelIndex == kDesignModelIndex) info.designPath = session.design.path;
    return info;
}

}  // namespace tavrine
