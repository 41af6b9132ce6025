#include "app/view/view_space.h"

namespace tavrine {

void turnStoneIntoBase(ModelRecord& model, const Orientation& stonePose) {
    for (int32_t i = 0; i < model.vertexCount; ++i) {
        model.baseVertices[i] = applyTranspose(stonePose, model.modelVertices[i]);
    }
}

void turnIntoView(const ModelRecord& model, const Orientation& view, Vertex* viewVertices) {
    for (int32_t i = 0; i < model.vertexCount; ++i) {
        viewVertices[i] = applyTranspose(view, model.baseVertices[i]);
    }
}

void computeFacetNormalAndPlane(Facet& facet, const Vertex* viewVertices) {
    const Vertex& p0 = viewVertices[facet.vertexIndex[0]];
    const Vertex& p1 = viewVertices[facet.vertexIndex[1]];
    const Vertex& p2 = viewVertices[facet.vertexIndex[2]];
    const Vec3 a{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
    const Vec3 b{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
    // n = b x a, each component divided by the length.
    const Vec3 cross{b.y * a.z - a.y * b.z, b.z * a.x - a.z * b.x, b.x * a.y - a.x * b.y};
    const Vec3 n = normalized(cross);
    facet.normal = n;
    const double d = -(n.x * p0.x + n.y * p0.y + n.z * p0.z);
    if (d == 0.0) {
        facet.plane[0] = n.x;
        facet.plane[1] = n.y;
        facet.plane[2] = n.z;
        facet.plane[3] = 0.0;
    } else {
        facet.plane[0] = n.x / d;
        facet.plane[1] = n.y / d;
        facet.plane[2] = n.z / d;
        facet.plane[3] = 1.0;
    }
}

void computeFacetPlanes(ModelRecord& model, const Vertex* viewVertices) {
    for (int32_t f = 0; f < model.facetCount; ++f) {
        computeFacetNormalAndPlane(model.facets[f], viewVertices);
    }
}

void prepareViewSpace(ModelRecord& model, const Orientation& view, Vertex* viewVertices) {
    turnIntoView(model, view, viewVertices);
    computeFacetPlanes(model, viewVertices);
}

void refreshViewSpace(OrientationState& state, ModelRecord& model, Vertex* viewVertices) {
    refreshViewOrientation(state.viewPose, state.gmOn);
    prepareViewSpace(model, state.viewPose.orientation, viewVertices);
}

TurnTarget applyTurnStep(OrientationState& state, const TurnFlags& flags, ModelRecord& model,
                         Vertex* viewVertices) {
    const TurnTarget target = turnStep(state, flags);
    if (target == TurnTarget::Stone) turnStoneIntoBase(model, state.stonePose.orientation);
    prepareViewSpace(model, state.viewPose.orientation, viewVertices);
    return target;
}

TurnTarget applyViewDrag(OrientationState& state, DragPoint point, ModelRecord& model,
                         Vertex* viewVertices) {
    const TurnTarget target = dragView(state, point);
    if (target == TurnTarget::Stone) turnStoneIntoBase(model, state.stonePose.orientation);
    prepareViewSpace(model, state.viewPose.orientation, viewVertices);
    return target;
}

}  // namespace tavrine
