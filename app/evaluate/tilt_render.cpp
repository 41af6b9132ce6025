#include "app/evaluate/tilt_render.h"

#include <utility>
#include <vector>

#include "app/view/face_up.h"
#include "app/view/view_space.h"

namespace tavrine::evaluate {

Evaluation evaluateAtTilt(const EvaluationScene& scene, double tiltDegrees,
                          RenderObserver& observer, const RenderExecution& execution) {
    PreparedScene prepared(scene.settings, execution);
    return evaluateAtTilt(prepared, scene, tiltDegrees, observer);
}

Evaluation evaluateAtTilt(PreparedScene& prepared, const EvaluationScene& scene, double tiltDegrees,
                          RenderObserver& observer) {
    Evaluation result;
    if (scene.model == nullptr) {
        result.error = "there is no stone to evaluate";
        return result;
    }
    const ModelRecord& model = *scene.model;
    const ViewPose view = tiltedView(scene.faceUp, tiltDegrees * (3.141592653589793 / 180.0));

    // The stone in view space, as preparing a session's view makes it, in arrays of its own.
    std::vector<Vertex> vertices(
        static_cast<size_t>(model.vertexCount > 0 ? model.vertexCount : 1));
    turnIntoView(model, view.orientation, vertices.data());
    std::vector<Facet> facets(model.facets, model.facets + model.facetCount);
    for (Facet& facet : facets) computeFacetNormalAndPlane(facet, vertices.data());

    RenderScene renderScene;
    renderScene.vertices = vertices.data();
    renderScene.vertexCount = model.vertexCount;
    renderScene.facets = facets.data();
    renderScene.facetCount = model.facetCount;
    renderScene.lightDirection = scene.lightDirection;

    RenderResult rendered = prepared.render(renderScene, nullptr, observer, &result.radiance);
    result.status = rendered.status;
    result.error = std::move(rendered.error);
    result.picture = std::move(rendered.picture);
    if (result.status == RenderStatus::Completed) result.figures = figuresOf(result.radiance);
    return result;
}

}  // namespace tavrine::evaluate
