#include "app/output/capture_job.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/model/geometry_steps.h"
#include "app/output/file_names.h"
#include "app/render/prepared_scene.h"
#include "app/view/view_space.h"
#include "util/path_text.h"

namespace tavrine {

namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Records the capture's progress; false with the message set ("cannot write PATH: REASON")
// when the file cannot be written.
bool recordProgress(const CaptureFiles& files, const PositionInfo& record, std::string& message) {
    std::string error, reason;
    if (writePositionInfo(files.infoPath, record, &error, &reason)) return true;
    message = util::cannotText("write", files.infoPath, reason.empty() ? error : reason);
    return false;
}

// Records the capture's progress for a result; a failure is the run's failure.
bool recordProgress(const CaptureFiles& files, const PositionInfo& record, CaptureResult& result) {
    if (recordProgress(files, record, result.message)) return true;
    result.recordFailed = true;
    return false;
}

}  // namespace

std::string captureCompleteText(const std::string& captureName) {
    return "All frames have been captured.\n\nTo make Animation GIF file from these frames,\nGo "
           "to the \"Automatic Screen Capture(P)\" menu -> \"Make Animation GIF(A)\",\nthen on "
           "the \"Open Capture-Info File\" dialog,\nSelect this \"" +
           captureName + ".sqi\" file.";
}

std::string captureProgressText(int32_t k, int32_t n) {
    const long percent = n > 0 ? std::lround(k * 100.0 / n) : 0;
    char text[64];
    std::snprintf(text, sizeof text, "%d / %d        %ld %%", k, n, percent);
    return text;
}

const char* frameExtension(FrameFormat format) {
    return format == FrameFormat::Png24 ? ".png" : ".gif";
}

int32_t frameFilterIndex(FrameFormat format) {
    return static_cast<int32_t>(format == FrameFormat::Png24 ? PictureFormat::Png24
                                                             : PictureFormat::Gif8);
}

double captureTurnAngle(int32_t k, int32_t frameCount) { return (k * (2 * kPi)) / frameCount; }

void turnViewForFrame(ViewPose& view, const SavedPosition& saved, bool turntable, int32_t k,
                      int32_t frameCount) {
    const double theta = captureTurnAngle(k, frameCount);
    if (turntable) {
        // The view circles the world's vertical axis.
        view.turntableAngles.elevation = saved.turntableAngles.elevation;
        view.turntableAngles.azimuth = saved.turntableAngles.azimuth - theta;
        view.turntableAngles.third = 0.0;
        setViewFromTurntable(view);
        return;
    }
    // The view circles the vertical axis of the saved view.
    StepVectors step;
    step.axis = Vec3{std::sin(theta), 0.0, -std::cos(theta)};
    step.side = Vec3{std::cos(theta), 0.0, std::sin(theta)};
    composeStep(saved.orientation, step, view.axisVector, view.sideVector, view.orientation);
}

RenderFunction renderJobFunction(const RenderExecution& execution) {
    // The frames of a capture share one prepared scene while their settings stay the same.
    struct Kept {
        std::unique_ptr<PreparedScene> prepared;
        RenderSettings settings;
    };
    auto kept = std::make_shared<Kept>();
    return [execution, kept](const RenderSettings& settings, const RenderScene& scene,
                             RenderObserver& observer) {
        if (!kept->prepared ||
            std::memcmp(&kept->settings, &settings, sizeof(RenderSettings)) != 0) {
            kept->settings = settings;
            kept->prepared = std::make_unique<PreparedScene>(settings, execution);
        }
        return kept->prepared->render(scene, nullptr, observer);
    };
}

CaptureResult captureFrames(CaptureScene& scene, PositionInfo& record, const CaptureFiles& files,
                            const RenderFunction& render, CaptureObserver& observer) {
    CaptureResult result;
    const int32_t n = record.frameCount;
    if (n < 1 || n > 0xFFFF || record.framesDone < 0 || record.framesDone > n) {
        result.message = util::cannotText("read", files.infoPath, "it holds ") +
                         std::to_string(record.framesDone) + " of " + std::to_string(n) +
                         " frames, which no capture can continue";
        return result;
    }
    if (!recordProgress(files, record, result)) return result;

    OrientationState& orientation = *scene.orientation;
    ViewPose& view = orientation.viewPose;
    const SavedPosition saved = record.savedPosition;
    const bool turntable = orientation.gmOn;
    if (turntable) view.turntableAngles = {saved.turntableAngles.elevation, 0.0, 0.0};
    const char* extension = frameExtension(files.format);
    observer.captureStarted();

    const int32_t first = record.framesDone;
    for (int32_t k = first; k <= n; ++k) {
        observer.frameStarting(k, n);
        turnViewForFrame(view, saved, turntable, k, n);
        prepareViewSpace(*scene.model, view.orientation, scene.viewVertices);
        observer.viewTurned(k, k == first);
        if (k == n) break;

        const std::string path = frameFileName(files.frameBase, k, n, extension);
        if (record.checkMode != 0 && fileExists(path)) {
            ++result.framesKept;
            observer.frameDone(k, path, false);
            continue;
        }
        RenderScene renderScene;
        renderScene.vertices = scene.viewVertices;
        renderScene.vertexCount = scene.model->vertexCount;
        renderScene.facets = scene.model->facets;
        renderScene.facetCount = scene.model->facetCount;
        renderScene.lightDirection = orientation.lightDirection;
        const RenderResult rendered = render(scene.settings, renderScene, observer);
        if (rendered.status != RenderStatus::Completed || rendered.picture == nullptr) {
            // The frame is not written: the capture stops here and resumes at this frame.
            record.framesDone = k;
            std::string ignored;
            recordProgress(files, record, ignored);
            if (rendered.status == RenderStatus::Aborted) {
                result.outcome = CaptureOutcome::Aborted;
            } else {
                result.message = "cannot render frame " + std::to_string(k) + " (" +
                                 util::quotedPath(path) +
                                 "): " + (rendered.error.empty() ? "no picture" : rendered.error);
            }
            return result;
        }
        observer.frameRendered(k, rendered.picture.get());
        const PictureSaveResult written =
            savePictureFile(rendered.picture.get(), scene.trimming, frameFilterIndex(files.format),
                            scene.backdrop, path);
        if (!written.ok) {
            // The frame is missing: the capture stops here, as an abort does.
            record.framesDone = k;
            std::string ignored;
            recordProgress(files, record, ignored);
            result.message = written.message;
            return result;
        }
        ++result.framesRendered;
        record.framesDone = k + 1;
        if (!recordProgress(files, record, result)) return result;
        observer.frameDone(k, path, true);
    }
    record.framesDone = n;
    if (!recordProgress(files, record, result)) return result;
    result.outcome = CaptureOutcome::Complete;
    return result;
}

}  // namespace tavrine
