#pragma once
// The drawing the engine asks for: the surface-model preview and the layers of the indicator box.
// The viewer implements it with Qt pictures (app/ui/pictures); the engine itself draws nothing.

#include <cstdint>

#include "app/model/model_record.h"
#include "app/view/orientation.h"
#include "app/view/panel_geometry.h"

namespace tavrine {

// The trimming frame of the preview, in pixels of the 199 x 199 preview box: an outline from
// (left, top) to (right - 1, bottom - 1), drawn only when active.
struct PreviewFrame {
    bool active = false;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The preview and indicator drawers. Called by one thread at a time: the window thread during
// start-up before the engine thread exists, then only the engine thread. Implementations publish
// every finished frame for the window thread to copy (guarded or double-buffered).
class PanelDrawing {
  public:
    virtual ~PanelDrawing() = default;

    // Draws the background layer of the indicator (the three great circles); once at start-up.
    virtual void drawBackground() = 0;

    // Clears the preview box black and draws the facets of |model| from |viewVertices| (whose
    // normals must already be computed for that view) shaded by |lightDirection| in |colour|,
    // then the trimming frame. Returns the number of facets drawn.
    virtual int32_t drawSurfaceModel(const ModelRecord& model, const Vertex* viewVertices,
                                     const Vec3& lightDirection, const PolygonColour& colour,
                                     const PreviewFrame& frame) = 0;

    // Redraws the light-ray layer from the light angles and direction.
    virtual void drawLightRay(const LightAngles& angles, const Vec3& lightDirection) = 0;

    // Redraws the two model-sketch layers from the model's baseVertices (the stone in its pose).
    virtual void drawModelSketch(const ModelRecord& model) = 0;

    // Redraws the trail layer: cleared after a restart, else the 59 segments from the oldest
    // position to the newest.
    virtual void drawTrail(const ViewPointTrail& trail, bool restarted) = 0;

    // Clears the indicator box (the composition surface) to the panel colour.
    virtual void clearComposition() = 0;

    // Composes the indicator box for |liveLayer| (0 to 3, or -1 for none): with |full| the cache
    // of all other layers is rebuilt first; then the cache is copied into the box and the live
    // layer added. The trail layer takes part only when |trailOn|.
    virtual void compose(int32_t liveLayer, bool full, bool trailOn) = 0;
};

// A drawer that draws nothing and counts every facet as drawn (for tools and tests without
// pictures).
class NullPanelDrawing : public PanelDrawing {
  public:
    void drawBackground() override {}
    int32_t drawSurfaceModel(const ModelRecord& model, const Vertex*, const Vec3&,
                             const PolygonColour&, const PreviewFrame&) override {
        return model.facetCount;
    }
    void drawLightRay(const LightAngles&, const Vec3&) override {}
    void drawModelSketch(const ModelRecord&) override {}
    void drawTrail(const ViewPointTrail&, bool) override {}
    void clearComposition() override {}
    void compose(int32_t, bool, bool) override {}
};

}  // namespace tavrine
