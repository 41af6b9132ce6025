#include "cli/render_command.h"

#include <array>
#include <functional>
#include <string>
#include <utility>

#include "app/evaluate/figures.h"
#include "app/evaluate/tilt_sweep.h"
#include "app/model/obj_export.h"
#include "app/output/position_info.h"
#include "app/render/picture_formats.h"
#include "app/render/render_job.h"
#include "app/session/scene_request.h"
#include "app/session/session.h"
#include "cli/output_checks.h"
#include "cli/plot_loader.h"
#include "cli/progress_bar.h"
#include "cli/tilt_command.h"
#include "imgctl/imgctl.h"
#include "util/binary_record.h"
#include "util/interrupts.h"
#include "util/path_text.h"

namespace tavrine::cli {

using util::interrupted;
using util::interruptExitCode;
using util::InterruptGuard;

namespace {

// Warns that X and Z steps of --turn turn nothing while the turntable view is on, as the
// viewer's keys do nothing then; the render goes on.
void warnAboutTurntableKeys(const CliOptions& o, const Session& session, std::FILE* err) {
    if (!session.orientation.gmOn) return;
    for (const TurnStep& step : o.viewTurns) {
        if (step.key == 'X' || step.key == 'Z') {
            std::fprintf(err,
                         "tavrine-render: warning: --turn %c steps turn nothing on the turntable "
                         "(--gm 1 or GM in the position file); only R, L, U and D turn it\n",
                         step.key);
            return;
        }
    }
}

}  // namespace

namespace {

// Returns the scene the options ask for, without the position file.
SceneRequest sceneRequestOf(const CliOptions& o) {
    SceneRequest r;
    r.stone = o.stone;
    r.model = o.model;
    r.design = o.design;
    r.colour = o.colour;
    r.refractiveIndex = o.refractiveIndex;
    r.width = o.size;
    r.depth = o.depth;
    r.highQuality = o.highQuality;
    r.fire = o.fire;
    if (o.backdrop) {
        r.backdrop.emplace();
        for (size_t i = 0; i < 3; ++i) (*r.backdrop)[i] = static_cast<int16_t>((*o.backdrop)[i]);
    }
    if (o.lights) r.lights = std::array<int32_t, 3>{(*o.lights)[0], (*o.lights)[1], (*o.lights)[2]};
    r.narrowHighlight = o.narrow;
    if (o.trim) r.trimming = Trimming{(*o.trim)[0], (*o.trim)[1], (*o.trim)[2], (*o.trim)[3]};
    if (o.gm) r.turntable = *o.gm != 0;
    r.lighting = o.lighting;
    r.headShadow = o.headShadow;
    r.faceUp = o.faceUp;
    r.viewSteps = o.viewTurns;
    r.stoneSteps = o.stoneTurns;
    r.lightSteps = o.lightTurns;
    return r;
}

// Renders the view the options set up, prints its figures with --brightness and saves the
// picture and the Position-Info File; returns an exit code.
int renderView(const CliOptions& o, Session& session, const RenderExecution& execution,
               std::FILE* report, std::FILE* err,
               const std::function<void(const std::string&)>& wrote) {
    const RenderSettings r = renderSettingsOf(session);
    const RenderScene renderScene = renderSceneOf(session);
    ProgressBar bar(err);
    RadianceBuffer radiance;
    RenderResult rendered =
        renderJob(r, renderScene, nullptr, bar, execution, o.brightness ? &radiance : nullptr);
    if (rendered.status == RenderStatus::Failed) {
        std::fprintf(err, "tavrine-render: cannot render: %s\n", rendered.error.c_str());
        return kExitFileError;
    }
    if (rendered.status == RenderStatus::Aborted || interrupted()) {
        std::fprintf(err, "tavrine-render: stopped; %s was not written\n",
                     o.out == kStandardOutput ? "the picture" : util::quotedPath(o.out).c_str());
        return interruptExitCode();
    }
    imgctl::DibPtr picture = std::move(rendered.picture);
    if (o.brightness) {
        const evaluate::Figures figures = evaluate::figuresOf(radiance);
        std::fprintf(report, "brightness: %.2f%%  dark: %.2f%%\n", figures.brightness,
                     figures.darkArea);
    }
    if (o.out.empty()) return kExitOk;

    const PictureSaveResult saved =
        savePictureFile(picture.get(), pictureTrimmingOf(session), o.formatIndex,
                        imgctl::colourRef(r.backdrop), o.out);
    if (!saved.ok) {
        std::fprintf(err, "tavrine-render: %s\n", saved.message.c_str());
        return kExitFileError;
    }
    wrote(o.out);

    if (!o.savePosition.empty() && interrupted()) {
        std::fprintf(err, "tavrine-render: stopped; %s was not written\n",
                     util::quotedPath(o.savePosition).c_str());
        return interruptExitCode();
    }
    if (!o.savePosition.empty()) {
        std::string error, reason;
        if (!writePositionInfo(o.savePosition, positionInfoOf(session), &error, &reason)) {
            std::fprintf(
                err, "tavrine-render: %s\n",
                util::cannotText("write", o.savePosition, reason.empty() ? error : reason).c_str());
            return kExitFileError;
        }
        wrote(o.savePosition);
    }
    return kExitOk;
}

}  // namespace

int setUpScene(const CliOptions& o, Session& session, std::FILE* err) {
    SceneRequest request = sceneRequestOf(o);
    if (!o.position.empty()) {
        PositionInfo& info = request.record.emplace();
        std::string error;
        if (!readPositionInfo(o.position, info, false, &error)) {
            std::fprintf(err, "tavrine-render: %s\n",
                         util::cannotText("read", o.position, error).c_str());
            return kExitFileError;
        }
    }
    const SceneResult set = setUpScene(session, request);
    switch (set.problem) {
    case SceneProblem::None:
        break;
    case SceneProblem::RecordDesign:
        std::fprintf(err, "tavrine-render: %s; %s names this design\n", set.message.c_str(),
                     util::quotedPath(o.position).c_str());
        return kExitFileError;
    case SceneProblem::Design:
        std::fprintf(err, "tavrine-render: %s\n", set.message.c_str());
        return kExitFileError;
    case SceneProblem::Trimming:
        std::fprintf(err, "tavrine-render: --trim must leave at least one pixel: %s\n",
                     set.message.c_str());
        return kExitUsage;
    }
    warnAboutTurntableKeys(o, session, err);
    return kExitOk;
}

int runRender(const CliOptions& o, std::FILE* out, std::FILE* err) {
    // Nothing is rendered or written unless every output can be: bad usage first, then the
    // folders of the outputs once the scene (and its position file) is known to be sound.
    const std::string duplicate = duplicateOutputProblem(o);
    if (!duplicate.empty()) {
        std::fprintf(err, "tavrine-render: %s\n", duplicate.c_str());
        return kExitUsage;
    }
    // With a picture, model or CSV on standard output the "wrote" lines and the figures go to
    // standard error.
    const bool dataOnOut =
        o.out == kStandardOutput || o.exportObj == kStandardOutput || o.tiltCsv == kStandardOutput;
    std::FILE* report = dataOnOut ? err : out;
    const std::function<void(const std::string&)> wrote = [&](const std::string& path) {
        if (!o.quiet && path != kStandardOutput)
            std::fprintf(report, "wrote %s\n", util::quotedPath(path).c_str());
    };

    Session session;
    const int setUp = setUpScene(o, session, err);
    if (setUp != kExitOk) return setUp;
    if (!checkOutputFolders(o, err)) return kExitFileError;
    // A plot or strip needs the plot module; one that cannot be loaded fails the run at once.
    if (!o.tiltPlot.empty() || !o.tiltStrip.empty()) {
        std::string error;
        if (loadPlotModule(&error) == nullptr) {
            std::fprintf(err, "tavrine-render: %s\n", error.c_str());
            return kExitFileError;
        }
    }

    if (!o.exportObj.empty()) {
        std::string error;
        const ModelRecord& model = *session.model;
        if (!writeObj(o.exportObj, model.modelVertices, model.vertexCount, model.facets,
                      model.facetCount, &error)) {
            std::fprintf(err, "tavrine-render: %s\n", error.c_str());
            return kExitFileError;
        }
        wrote(o.exportObj);
    }
    if (o.out.empty() && !o.brightness && !o.tiltSweep) {
        return finishOutput(report, err) ? kExitOk : kExitFileError;
    }

    const RenderSettings r = renderSettingsOf(session);
    // A strip keeps the picture of every tilt until it is drawn.
    const int32_t keptPictures = o.tiltSweep && !o.tiltStrip.empty()
                                     ? static_cast<int32_t>(evaluate::tiltsOf(*o.tiltSweep).size())
                                     : 0;
    const std::string memory = pictureMemoryProblem(
        r.width, r.highQuality != 0, o.brightness || o.tiltSweep.has_value(), keptPictures);
    if (!memory.empty()) {
        std::fprintf(err, "tavrine-render: %s\n", memory.c_str());
        return kExitFileError;
    }
    // Ctrl-C, SIGTERM or SIGHUP stop the render at the next row, and no later output is
    // begun; a file being written when one arrives is finished whole first.
    InterruptGuard guard;
    RenderExecution execution;
    execution.threads = o.threads;
    execution.literal = o.literal;
    if (!o.out.empty() || o.brightness) {
        const int rendered = renderView(o, session, execution, report, err, wrote);
        if (rendered != kExitOk) return rendered;
    }
    if (o.tiltSweep) {
        if (interrupted()) {
            std::fprintf(err, "tavrine-render: stopped; the tilt sweep was not begun\n");
            return interruptExitCode();
        }
        const int swept = runTiltSweep(o, session, execution, out, report, err, wrote);
        if (swept != kExitOk) return swept;
    }
    return finishOutput(report, err) ? kExitOk : kExitFileError;
}

}  // namespace tavrine::cli
