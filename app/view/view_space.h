#pragma once
// Turning the model into view space and the facets' normals and planes in view space, as the
// preview pass computes them before every rendering.

#include "app/model/model_record.h"
#include "app/view/orientation.h"

namespace tavrine {

// Sets baseVertices to the transpose of the stone pose applied to every used entry of
// modelVertices (the model in the stone's pose).
void turnStoneIntoBase(ModelRecord& model, const Orientation& stonePose);

// Writes the transpose of the view orientation applied to every used entry of baseVertices into
// viewVertices, which holds at least the model's vertexCount entries (kMaxVertices in practice).
void turnIntoView(const ModelRecord& model, const Orientation& view, Vertex* viewVertices);

// Computes the facet's unit normal n = |(P2-P1) x (P1-P0)| of its first three view-space
// corners and its plane (n/d, 1) with d = -(n.P0), or (n, 0) when d is exactly 0.
void computeFacetNormalAndPlane(Facet& facet, const Vertex* viewVertices);

// Computes the normal and plane of every used facet of the model from viewVertices.
void computeFacetPlanes(ModelRecord& model, const Vertex* viewVertices);

// Turns baseVertices into viewVertices by the view and computes every facet's normal and plane:
// the model is then ready for the tracer.
void prepareViewSpace(ModelRecord& model, const Orientation& view, Vertex* viewVertices);

// Derives the view orientation as a refresh does ("GM" aware) and prepares the view space.
void refreshViewSpace(OrientationState& state, ModelRecord& model, Vertex* viewVertices);

// Runs one frame of the hold-to-turn loop without drawing: turns the light, the stone (then
// recomputes baseVertices) or the view by the flags, and prepares the view space; returns which
// one turned.
TurnTarget applyTurnStep(OrientationState& state, const TurnFlags& flags, ModelRecord& model,
                         Vertex* viewVertices);

// Moves a view drag to the point as the drag command does without drawing, recomputing
// baseVertices after a stone drag, and prepares the view space; returns which state changed.
TurnTarget applyViewDrag(OrientationState& state, DragPoint point, ModelRecord& model,
                         Vertex* viewVertices);

}  // namespace tavrine
