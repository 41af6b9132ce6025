#include "cli/render_command.h"

#include <memory>
#include <string>
#include <vector>

#include "app/model/model_record.h"
#include "app/model/obj_export.h"
#include "app/output/position_info.h"
#include "app/render/picture_formats.h"
#include "app/render/render_job.h"
#include "app/settings/stone_table.h"
#include "app/view/orientation.h"
#include "app/view/view_space.h"
#include "cli/progress_bar.h"
#include "imgctl/imgctl.h"
#include "tracer/colour_absorption.h"

namespace tavrine::cli {

namespace {

// The picture width of the fixed-size mode (rendering on the main window).
constexpr int32_t kFixedModeWidth = 199;

// What a user would have set up in the viewer before pressing "ray-trace".
struct Scene {
    int32_t stone = 0;
    int32_t colour = 0;
    double refractiveIndex = 2.42;
    TransformableParams params;
    OrientationState orientation;
    std::unique_ptr<ModelRecord> model = std::make_unique<ModelRecord>();
    std::vector<Vertex> viewVertices = std::vector<Vertex>(kMaxVertices);
    RenderSettings render;
    PictureTrimming trimming;
};

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

void applyTurns(Scene& scene, const std::vector<TurnStep>& steps, bool light) {
    for (const TurnStep& step : steps) {
        const TurnFlags flags = flagsForKey(step.key, light);
        for (int32_t i = 0; i < step.count; ++i) {
            applyTurnStep(scene.orientation, flags, *scene.model, scene.viewVertices.data());
        }
    }
}

// Turns the view by the steps, freely or on the turntable as "GM" says, also when a restored
// position has "SY" on (whose key steps would turn the stone); the switches stay as they were.
void applyViewTurns(Scene& scene, const std::vector<TurnStep>& steps) {
    if (steps.empty()) return;
    const bool sy = scene.orientation.syOn;
    scene.orientation.syOn = false;
    applyTurns(scene, steps, false);
    scene.orientation.syOn = sy;
}

// Turns the stone by the steps as the "SY" switch does, leaving the switches as they were.
void applyStoneTurns(Scene& scene, const std::vector<TurnStep>& steps) {
    if (steps.empty()) return;
    const bool sy = scene.orientation.syOn;
    const bool gm = scene.orientation.gmOn;
    scene.orientation.syOn = true;
    scene.orientation.gmOn = false;
    applyTurns(scene, steps, false);
    scene.orientation.syOn = sy;
    scene.orientation.gmOn = gm;
}

// Takes the render and picture settings of a Position-Info record.
void takeSettingsFrom(const PositionInfo& info, Scene& scene) {
    RenderSettings& r = scene.render;
    scene.stone = info.stoneIndex;
    scene.model->modelIndex = info.modelIndex;
    scene.colour = info.colourIndex;
    scene.refractiveIndex = info.refractiveIndex;
    scene.params = info.transformable;
    r.width = info.sizeMode != 0 ? info.imageWidth : kFixedModeWidth;
    r.highQuality = info.highQuality != 0;
    r.renderFire = info.renderFire != 0;
    for (int i = 0; i < 3; ++i) r.backdrop[i] = info.backdrop[i];
    r.mainLight = info.mainLight;
    r.backLight = info.backLight;
    r.fillLight = info.fillLight;
    r.narrowHighlight = info.narrowHighlight;
    if (info.trimmingActive != 0) {
        scene.trimming.top = info.trimming.top;
        scene.trimming.bottom = info.trimming.bottom;
        scene.trimming.left = info.trimming.left;
        scene.trimming.right = info.trimming.right;
    }
}

// Restores the view, the stone pose and the light of a Position-Info record, as Restore
// Position does: the model is turned by the stone pose, the saved view becomes current.
void restoreOrientation(const PositionInfo& info, Scene& scene) {
    OrientationState& o = scene.orientation;
    o.syOn = info.turnStone != 0;
    o.gmOn = info.turntableView != 0;
    o.stonePose.orientation = info.stonePose;
    o.stonePose.axisVector = applyOrientation(info.stonePose, Vec3{0.0, 0.0, -1.0});
    o.stonePose.sideVector = applyOrientation(info.stonePose, Vec3{1.0, 0.0, 0.0});
    turnStoneIntoBase(*scene.model, o.stonePose.orientation);
    o.lightAngles = info.lightAngles;
    o.lightDirection = lightDirectionFromAngles(o.lightAngles);
    o.savedPosition = info.savedPosition;
    o.viewPose.orientation = info.savedPosition.orientation;
    o.viewPose.turntableAngles = info.savedPosition.turntableAngles;
    alignViewVectors(o.viewPose, o.gmOn);
}

// The record a screen shot with the Position-Info flag writes for this render.
PositionInfo positionInfoOf(const Scene& scene) {
    PositionInfo info;
    const RenderSettings& r = scene.render;
    const OrientationState& o = scene.orientation;
    info.stoneIndex = scene.stone;
    info.modelIndex = scene.model->modelIndex;
    info.colourIndex = scene.colour;
    info.refractiveIndex = scene.refractiveIndex;
    info.savedPosition.orientation = o.viewPose.orientation;
    info.savedPosition.turntableAngles = o.viewPose.turntableAngles;
    info.stonePose = o.stonePose.orientation;
    info.lightAngles = o.lightAngles;
    info.turnStone = o.syOn ? 1 : 0;
    info.turntableView = o.gmOn ? 1 : 0;
    info.highQuality = r.highQuality ? 1 : 0;
    info.renderFire = r.renderFire ? 1 : 0;
    for (int i = 0; i < 3; ++i) info.backdrop[i] = static_cast<int16_t>(r.backdrop[i]);
    info.mainLight = r.mainLight;
    info.backLight = r.backLight;
    info.fillLight = r.fillLight;
    info.narrowHighlight = r.narrowHighlight;
    info.sizeMode = 1;
    info.imageWidth = r.width;
    info.trimming.top = scene.trimming.top;
    info.trimming.bottom = scene.trimming.bottom;
    info.trimming.left = scene.trimming.left;
    info.trimming.right = scene.trimming.right;
    info.trimmingActive = scene.trimming.active() ? 1 : 0;
    info.trimmingCheckBox = info.trimmingActive;
    info.transformable = scene.params;
    return info;
}

// Sets the scene up from the position file (if any) and the options; returns an exit code, or
// -1 to go on.
int setUpScene(const CliOptions& o, Scene& scene, std::FILE* err) {
    PositionInfo info;
    const bool restoring = !o.position.empty();
    if (restoring) {
        std::string error;
        if (!readPositionInfo(o.position, info, false, &error)) {
            std::fprintf(err, "tavrine-render: cannot use the position file %s: %s\n",
                         o.position.c_str(), error.c_str());
            return kExitFileError;
        }
        takeSettingsFrom(info, scene);
    }

    // Choosing a stone proposes its model, colour and index; the spread always follows it.
    if (o.stone) {
        scene.stone = *o.stone;
        const StoneEntry& e = stoneTable[static_cast<size_t>(scene.stone)];
        scene.model->modelIndex = e.defaultModel;
        scene.colour = e.defaultColour;
        scene.refractiveIndex = stoneRefractiveIndex(scene.stone);
    } else if (!restoring) {
        const StoneEntry& e = stoneTable[0];
        scene.model->modelIndex = e.defaultModel;
        scene.colour = e.defaultColour;
        scene.refractiveIndex = stoneRefractiveIndex(0);
    }
    if (o.model) scene.model->modelIndex = *o.model;
    if (o.colour) scene.colour = *o.colour;
    if (o.refractiveIndex) scene.refractiveIndex = *o.refractiveIndex;

    RenderSettings& r = scene.render;
    if (o.size) r.width = *o.size;
    if (!restoring && !o.size) r.width = 270;
    r.imageScale = imageScaleForWidth(r.width);
    if (o.depth) r.maxDepth = *o.depth;
    if (o.highQuality) r.highQuality = *o.highQuality != 0;
    if (o.fire) r.renderFire = *o.fire != 0;
    if (o.backdrop) {
        for (int i = 0; i < 3; ++i) r.backdrop[i] = (*o.backdrop)[static_cast<size_t>(i)];
    }
    if (o.lights) {
        r.mainLight = (*o.lights)[0];
        r.backLight = (*o.lights)[1];
        r.fillLight = (*o.lights)[2];
    }
    if (o.narrow) r.narrowHighlight = *o.narrow;
    if (o.trim) {
        scene.trimming.top = (*o.trim)[0];
        scene.trimming.bottom = (*o.trim)[1];
        scene.trimming.left = (*o.trim)[2];
        scene.trimming.right = (*o.trim)[3];
    }
    const PictureTrimming& t = scene.trimming;
    if (t.top + t.bottom >= r.width || t.left + t.right >= r.width) {
        std::fprintf(err,
                     "tavrine-render: --trim must leave at least one pixel: top + bottom and left "
                     "+ right must each be below the size %d\n",
                     r.width);
        return kExitUsage;
    }

    const ColourAbsorption& absorption = colourAbsorption[scene.colour];
    r.absorption[0] = absorption.r;
    r.absorption[1] = absorption.g;
    r.absorption[2] = absorption.b;
    r.stoneIndex = scene.refractiveIndex;
    r.dispersionSpread = stoneTable[static_cast<size_t>(scene.stone)].dispersionSpread;

    // The model, then the view: restored from the file unless another stone or model was
    // chosen, which resets view, stone pose and light as the lists do.
    buildModel(*scene.model, scene.params);
    const int32_t model = scene.model->modelIndex;
    if (restoring && !o.stone && !o.model) {
        restoreOrientation(info, scene);
    } else {
        resetOrientationState(scene.orientation, model, scene.stone);
    }
    if (o.gm && (*o.gm != 0) != scene.orientation.gmOn) {
        setGmOn(scene.orientation, *o.gm != 0, model);
    }
    prepareViewSpace(*scene.model, scene.orientation.viewPose.orientation,
                     scene.viewVertices.data());
    applyViewTurns(scene, o.viewTurns);
    applyStoneTurns(scene, o.stoneTurns);
    applyTurns(scene, o.lightTurns, true);
    prepareViewSpace(*scene.model, scene.orientation.viewPose.orientation,
                     scene.viewVertices.data());
    return -1;
}

}  // namespace

int runRender(const CliOptions& o, std::FILE* out, std::FILE* err) {
    Scene scene;
    const int setUp = setUpScene(o, scene, err);
    if (setUp >= 0) return setUp;

    if (!o.exportObj.empty()) {
        std::string error;
        if (!writeObj(o.exportObj, scene.model->modelVertices, scene.model->vertexCount,
                      scene.model->facets, scene.model->facetCount, &error)) {
            std::fprintf(err, "tavrine-render: %s\n", error.c_str());
            return kExitFileError;
        }
        std::fprintf(out, "wrote %s\n", o.exportObj.c_str());
    }
    if (o.out.empty()) return kExitOk;

    const RenderSettings& r = scene.render;
    RenderScene renderScene;
    renderScene.vertices = scene.viewVertices.data();
    renderScene.vertexCount = scene.model->vertexCount;
    renderScene.facets = scene.model->facets;
    renderScene.facetCount = scene.model->facetCount;
    renderScene.lightDirection = scene.orientation.lightDirection;

    imgctl::BitmapInfoHeader header;
    header.width = r.width;
    header.height = -r.width;
    imgctl::DibPtr picture(imgctl::CreateDIB(header));
    imgctl::DibHandle handle = picture.release();
    ProgressBar bar(err);
    RenderExecution execution;
    execution.threads = o.threads;
    execution.literal = o.literal;
    renderJob(r, renderScene, &handle, bar, execution);
    picture.reset(handle);

    const imgctl::ColorRef backdrop = static_cast<imgctl::ColorRef>(r.backdrop[0]) +
                                      256u * static_cast<imgctl::ColorRef>(r.backdrop[1]) +
                                      65536u * static_cast<imgctl::ColorRef>(r.backdrop[2]);
    const PictureSaveResult saved =
        savePictureFile(picture.get(), scene.trimming, o.formatIndex, backdrop, o.out);
    if (!saved.ok) {
        std::fprintf(err, "tavrine-render: %s\n", saved.message.c_str());
        return kExitFileError;
    }
    std::fprintf(out, "wrote %s\n", o.out.c_str());

    if (!o.savePosition.empty()) {
        std::string error;
        if (!writePositionInfo(o.savePosition, positionInfoOf(scene), &error)) {
            std::fprintf(err, "tavrine-render: cannot write the position file %s: %s\n",
                         o.savePosition.c_str(), error.c_str());
            return kExitFileError;
        }
        std::fprintf(out, "wrote %s\n", o.savePosition.c_str());
    }
    return kExitOk;
}

}  // namespace tavrine::cli
