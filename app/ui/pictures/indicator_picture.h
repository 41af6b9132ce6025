#pragma once
// The indicator box: four 199 x 199 layers (background circles, model sketch, view-point trail,
// light-ray arrow) combined into the box picture by the live layer.

#include <QImage>
#include <cstdint>
#include <mutex>

#include "app/model/model_record.h"
#include "app/view/orientation.h"
#include "app/view/panel_geometry.h"

namespace tavrine {

// The indicator box's layers and picture (all Format_RGB32, 199 x 199). The drawing members are
// called by one thread at a time (the engine thread); frame() from any thread. The box is drawn
// in a private picture and published whole by compose() and clearBox().
class IndicatorPicture {
  public:
    IndicatorPicture();

    // Draws layer 0: the three great circles of the fixed view on the panel colour.
    void drawBackground();

    // Draws layer 1 from two outline layers of the model's baseVertices at half scale: facets
    // that face the fixed view in 0x00A000, the others in 0x005000, combined by OR.
    void drawModelSketch(const ModelRecord& model);

    // Draws layer 3: the light-ray arrow on the panel colour.
    void drawLightRay(const LightAngles& angles, const Vec3& lightDirection);

    // Draws layer 2: cleared after a restart, else the 59 trail segments in grey levels.
    void drawTrail(const ViewPointTrail& trail, bool restarted);

    // Clears the box picture to the panel colour and publishes it.
    void clearBox();

    // Composes the box for |liveLayer| (-1 to 3): with |full| the cache of every other layer is
    // rebuilt (the first copied, the rest ORed); then the cache is copied into the box inset by
    // one pixel (197 x 197) and the live layer ORed over it; publishes the box. The trail layer
    // takes part only when |trailOn|.
    void compose(int32_t liveLayer, bool full, bool trailOn);

    // Returns the last published box picture (a shallow copy). Any thread.
    QImage frame() const;

    // Returns layer |index| (0 to 3) as last drawn. Drawing thread only.
    const QImage& layer(int32_t index) const { return layers_[index]; }

  private:
    QImage layers_[4];
    QImage sketchFront_;
    QImage sketchBack_;
    QImage cache_;
    QImage box_;
    bool cacheTrailOn_ = false;
    mutable std::mutex mutex_;
    QImage published_;
};

}  // namespace tavrine
