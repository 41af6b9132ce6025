#include "app/ui/pictures/panel_pictures.h"

namespace tavrine {

void PanelPictures::drawBackground() { indicator_.drawBackground(); }

int32_t PanelPictures::drawSurfaceModel(const ModelRecord& model, const Vertex* viewVertices,
                                        const Vec3& lightDirection, const PolygonColour& colour,
                                        const PreviewFrame& frame) {
    return preview_.draw(model, viewVertices, lightDirection, colour, frame);
}

void PanelPictures::drawLightRay(const LightAngles& angles, const Vec3& lightDirection) {
    indicator_.drawLightRay(angles, lightDirection);
}

void PanelPictures::drawModelSketch(const ModelRecord& model) { indicator_.drawModelSketch(model); }

void PanelPictures::drawTrail(const ViewPointTrail& trail, bool restarted) {
    indicator_.drawTrail(trail, restarted);
}

void PanelPictures::clearComposition() { indicator_.clearBox(); }

void PanelPictures::compose(int32_t liveLayer, bool full, bool trailOn) {
    indicator_.compose(liveLayer, full, trailOn);
}

}  // namespace tavrine
