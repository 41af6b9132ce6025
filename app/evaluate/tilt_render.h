#pragma once
// One rendering of a stone for its figures: the face-up view, tilted about the picture's
// horizontal axis, rendered with the pixels' light, and the figures of that light.

#include <string>

#include "app/evaluate/figures.h"
#include "app/model/model_record.h"
#include "app/render/prepared_scene.h"
#include "app/render/render_job.h"
#include "app/render/render_settings.h"
#include "app/view/orientation.h"
#include "imgctl/imgctl.h"

namespace tavrine::evaluate {

// A stone to judge: its model (the corners in the stone's pose, baseVertices, and the facets'
// corner lists; the facets' normals and planes are not read), the face-up view, the settings it
// is rendered with, and the main light's direction in view space (read in the Studio lighting
// only). The lighting stays with the viewer: a tilt turns the stone, not the light.
struct EvaluationScene {
    const ModelRecord* model = nullptr;
    ViewPose faceUp;
    RenderSettings settings;
    Vec3 lightDirection{0.0, 0.0, 1.0};
};

// What one rendering of the scene gave: how the render job ended (and why it failed), the
// figures of its light (of a completed rendering only), its W x W picture and the light of every
// pixel it rendered.
struct Evaluation {
    RenderStatus status = RenderStatus::Failed;
    std::string error;
    Figures figures;
    imgctl::DibPtr picture;
    RadianceBuffer radiance;
};

// Renders the scene's stone tilted by tiltDegrees about the picture's horizontal axis (positive:
// the top of the stone away from the viewer; 0 is the face-up view itself, exactly as a session
// in that view renders it) and returns its figures and picture. Reports to observer on the calling
// thread, as renderJob does; the scene is copied where the rendering changes it, so one scene may
// serve several calls. A scene without a model fails.
Evaluation evaluateAtTilt(const EvaluationScene& scene, double tiltDegrees,
                          RenderObserver& observer, const RenderExecution& execution = {});

// Renders as above with a prepared scene made for scene.settings, which keeps what the frames of a
// sweep share (workers, scratch, facet data) from one tilt to the next.
Evaluation evaluateAtTilt(PreparedScene& prepared, const EvaluationScene& scene, double tiltDegrees,
                          RenderObserver& observer);

}  // namespace tavrine::evaluate
