#pragma once
// The Qt side of the engine's drawing interface: the preview and indicator pictures.

#include "app/engine/panel_drawing.h"
#include "app/ui/pictures/indicator_picture.h"
#include "app/ui/pictures/preview_picture.h"

namespace tavrine {

// Draws what the engine asks into the preview and indicator pictures. The PanelDrawing members are
// called by one thread at a time (see PanelDrawing); preview() and indicator() may be used from
// any thread for their frame() calls.
class PanelPictures : public PanelDrawing {
  public:
    void drawBackground() override;
    int32_t drawSurfaceModel(const ModelRecord& model, const Vertex* viewVertices,
                             const Vec3& lightDirection, const PolygonColour& colour,
                             const PreviewFrame& frame) override;
    void drawLightRay(const LightAngles& angles, const Vec3& lightDirection) override;
    void drawModelSketch(const ModelRecord& model) override;
    void drawTrail(const ViewPointTrail& trail, bool restarted) override;
    void clearComposition() override;
    void compose(int32_t liveLayer, bool full, bool trailOn) override;

    // The preview box's picture.
    const PreviewPicture& preview() const { return preview_; }
    // The indicator box's picture.
    const IndicatorPicture& indicator() const { return indicator_; }

  private:
    PreviewPicture preview_;
    IndicatorPicture indicator_;
};

}  // namespace tavrine
