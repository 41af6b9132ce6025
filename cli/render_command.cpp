#include "cli/render_command.h"

#include <memory>
#include <string>
#include <vector>

#include "app/engine/orientation.h"
#include "app/engine/stone_table.h"
#include "app/engine/view_space.h"
#include "app/model/model_record.h"
#include "app/model/obj_export.h"
#include "app/render/picture_formats.h"
#include "app/render/render_job.h"
#include "cli/progress_bar.h"
#include "imgctl/imgctl.h"
#include "tracer/colour_absorption.h"

namespace tavrine::cli {

namespace {

// The scene of one run: what a user would have set up in the viewer.
struct Scene {
    int32_t stone = 0;
    int32_t colour = 0;
    double refractiveIndex = 2.42;
    double spread = 0.025;
    TransformableParams params;
    OrientationState orientation;
    std::unique_ptr<ModelRecord> model = std::make_unique<ModelRecord>();
    std::vector<Vertex> viewVertices = std::vector<Vertex>(kMaxVertices);
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

}  // namespace

int runRender(const CliOptions& o, std::FILE* out, std::FILE* err) {
    Scene scene;
    scene.stone = o.stone.value_or(0);
    const StoneEntry& stone = stoneTable[static_cast<size_t>(scene.stone)];
    scene.model->modelIndex = o.model.value_or(stone.defaultModel);
    scene.colour = o.colour.value_or(stone.defaultColour);
    scene.refractiveIndex = o.refractiveIndex.value_or(stoneRefractiveIndex(scene.stone));
    scene.spread = stone.dispersionSpread;

    const int32_t width = o.size.value_or(270);
    if (o.trim) {
        const std::vector<int32_t>& t = *o.trim;
        if (t[0] + t[1] >= width || t[2] + t[3] >= width) {
            std::fprintf(err,
                         "tavrine-render: --trim must leave at least one pixel: top + bottom and "
                         "left + right must each be below --size %d\n",
                         width);
            return kExitUsage;
        }
    }

    buildModel(*scene.model, scene.params);
    resetOrientationState(scene.orientation, scene.model->modelIndex, scene.stone);
    scene.orientation.gmOn = o.gm.value_or(0) != 0;
    refreshViewSpace(scene.orientation, *scene.model, scene.viewVertices.data());
    applyTurns(scene, o.viewTurns, false);
    applyStoneTurns(scene, o.stoneTurns);
    applyTurns(scene, o.lightTurns, true);
    refreshViewSpace(scene.orientation, *scene.model, scene.viewVertices.data());

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

    RenderSettings settings;
    const ColourAbsorption& absorption = colourAbsorption[scene.colour];
    settings.absorption[0] = absorption.r;
    settings.absorption[1] = absorption.g;
    settings.absorption[2] = absorption.b;
    settings.stoneIndex = scene.refractiveIndex;
    settings.dispersionSpread = scene.spread;
    settings.maxDepth = o.depth.value_or(8);
    settings.highQuality = o.highQuality.value_or(0) != 0;
    settings.renderFire = o.fire.value_or(1) != 0;
    const std::vector<int32_t> backdrop = o.backdrop.value_or(std::vector<int32_t>{0, 0, 0});
    const std::vector<int32_t> lights = o.lights.value_or(std::vector<int32_t>{100, 100, 100});
    for (int i = 0; i < 3; ++i) settings.backdrop[i] = backdrop[static_cast<size_t>(i)];
    settings.mainLight = lights[0];
    settings.backLight = lights[1];
    settings.fillLight = lights[2];
    settings.narrowHighlight = o.narrow.value_or(0);
    settings.width = width;
    settings.imageScale = imageScaleForWidth(width);

    RenderScene renderScene;
    renderScene.vertices = scene.viewVertices.data();
    renderScene.vertexCount = scene.model->vertexCount;
    renderScene.facets = scene.model->facets;
    renderScene.facetCount = scene.model->facetCount;
    renderScene.lightDirection = scene.orientation.lightDirection;

    imgctl::BitmapInfoHeader header;
    header.width = width;
    header.height = -width;
    imgctl::DibHandle picture = imgctl::CreateDIB(header);
    ProgressBar bar(err);
    RenderExecution execution;
    execution.threads = o.threads;
    execution.literal = o.literal;
    renderJob(settings, renderScene, &picture, bar, execution);

    PictureTrimming trimming;
    if (o.trim) {
        trimming.top = (*o.trim)[0];
        trimming.bottom = (*o.trim)[1];
        trimming.left = (*o.trim)[2];
        trimming.right = (*o.trim)[3];
    }
    const imgctl::ColorRef backdropColour =
        static_cast<imgctl::ColorRef>(settings.backdrop[0]) +
        256u * static_cast<imgctl::ColorRef>(settings.backdrop[1]) +
        65536u * static_cast<imgctl::ColorRef>(settings.backdrop[2]);
    const PictureSaveResult saved =
        savePictureFile(picture, trimming, o.formatIndex, backdropColour, o.out);
    imgctl::DeleteDIB(picture);
    if (!saved.ok) {
        std::fprintf(err, "tavrine-render: %s\n", saved.message.c_str());
        return kExitFileError;
    }
    std::fprintf(out, "wrote %s\n", o.out.c_str());
    return kExitOk;
}

}  // namespace tavrine::cli
