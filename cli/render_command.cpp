#include "cli/render_command.h"

#include <string>

#include "app/model/obj_export.h"
#include "app/output/position_info.h"
#include "app/render/picture_formats.h"
#include "app/render/render_job.h"
#include "app/session/session.h"
#include "cli/progress_bar.h"
#include "imgctl/imgctl.h"

namespace tavrine::cli {

int setUpScene(const CliOptions& o, Session& session, std::FILE* err) {
    Settings& s = session.settings;
    PositionInfo info;
    const bool restoring = !o.position.empty();
    if (restoring) {
        std::string error;
        if (!readPositionInfo(o.position, info, false, &error)) {
            std::fprintf(err, "tavrine-render: cannot use the position file %s: %s\n",
                         o.position.c_str(), error.c_str());
            return kExitFileError;
        }
        takeRecordSettings(session, info);
    }

    // Choosing a stone proposes its model, colour and index; the spread always follows it.
    if (o.stone) {
        chooseStone(session, *o.stone);
    } else if (!restoring) {
        chooseStone(session, 0);
    }
    if (o.model) chooseModel(session, *o.model);
    if (o.colour) chooseColour(session, *o.colour);
    if (o.refractiveIndex) s.refractiveIndex = *o.refractiveIndex;

    const int32_t width = o.size ? *o.size : restoring ? renderWidth(s) : 270;
    s.sizeMode = 1;
    s.imageWidth = width;
    if (o.depth) s.recursionDepth = *o.depth;
    if (o.highQuality) s.highQuality = *o.highQuality != 0 ? 1 : 0;
    if (o.fire) s.renderFire = *o.fire != 0 ? 1 : 0;
    if (o.backdrop) {
        for (int i = 0; i < 3; ++i) {
            s.backdrop[i] = static_cast<int16_t>((*o.backdrop)[static_cast<size_t>(i)]);
        }
    }
    if (o.lights) {
        s.mainLight = (*o.lights)[0];
        s.backLight = (*o.lights)[1];
        s.fillLight = (*o.lights)[2];
    }
    if (o.narrow) s.narrowHighlight = *o.narrow;
    if (o.trim) {
        s.trimming.top = (*o.trim)[0];
        s.trimming.bottom = (*o.trim)[1];
        s.trimming.left = (*o.trim)[2];
        s.trimming.right = (*o.trim)[3];
        s.trimmingActive =
            (s.trimming.top | s.trimming.bottom | s.trimming.left | s.trimming.right) != 0 ? 1 : 0;
        s.trimmingCheckBox = s.trimmingActive;
    }
    const PictureTrimming t = pictureTrimmingOf(session);
    if (t.top + t.bottom >= width || t.left + t.right >= width) {
        std::fprintf(err,
                     "tavrine-render: --trim must leave at least one pixel: top + bottom and left "
                     "+ right must each be below the size %d\n",
                     width);
        return kExitUsage;
    }

    // The model, then the view: restored from the file unless another stone or model was
    // chosen, which resets view, stone pose and light as the lists do.
    rebuildModel(session);
    if (restoring && !o.stone && !o.model) {
        restoreOrientation(session, info);
    } else {
        resetView(session);
    }
    if (o.gm) setTurntable(session, *o.gm != 0);
    prepareView(session);
    applyKeySteps(session, o.viewTurns, KeyStepTarget::View);
    applyKeySteps(session, o.stoneTurns, KeyStepTarget::Stone);
    applyKeySteps(session, o.lightTurns, KeyStepTarget::Light);
    prepareView(session);
    return -1;
}

int runRender(const CliOptions& o, std::FILE* out, std::FILE* err) {
    Session session;
    const int setUp = setUpScene(o, session, err);
    if (setUp >= 0) return setUp;

    if (!o.exportObj.empty()) {
        std::string error;
        const ModelRecord& model = *session.model;
        if (!writeObj(o.exportObj, model.modelVertices, model.vertexCount, model.facets,
                      model.facetCount, &error)) {
            std::fprintf(err, "tavrine-render: %s\n", error.c_str());
            return kExitFileError;
        }
        std::fprintf(out, "wrote %s\n", o.exportObj.c_str());
    }
    if (o.out.empty()) return kExitOk;

    const RenderSettings r = renderSettingsOf(session);
    const RenderScene renderScene = renderSceneOf(session);

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
        savePictureFile(picture.get(), pictureTrimmingOf(session), o.formatIndex, backdrop, o.out);
    if (!saved.ok) {
        std::fprintf(err, "tavrine-render: %s\n", saved.message.c_str());
        return kExitFileError;
    }
    std::fprintf(out, "wrote %s\n", o.out.c_str());

    if (!o.savePosition.empty()) {
        std::string error;
        if (!writePositionInfo(o.savePosition, positionInfoOf(session), &error)) {
            std::fprintf(err, "tavrine-render: cannot write the position file %s: %s\n",
                         o.savePosition.c_str(), error.c_str());
            return kExitFileError;
        }
        std::fprintf(out, "wrote %s\n", o.savePosition.c_str());
    }
    return kExitOk;
}

}  // namespace tavrine::cli
