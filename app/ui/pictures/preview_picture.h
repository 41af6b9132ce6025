#pragma once
// The surface-model preview: the model's facets flat-shaded in a 199 x 199 picture.

#include <QImage>
#include <cstdint>
#include <mutex>

#include "app/engine/panel_drawing.h"
#include "app/model/model_record.h"
#include "app/view/panel_geometry.h"

namespace tavrine {

// Returns the preview colour (0x00RRGGBB) of a facet with unit normal |n| under the light
// direction |light| in the polygon colour: base floor(140 s) + 128 limited to 64..255 with
// s = n.L, the highlight floor(|r|^16 x 256) up to 255 of r = 2 s n.z - L.z when r <= 0, each
// channel floor(base x factor + highlight) up to 255.
uint32_t previewFacetRgb(const Vec3& n, const Vec3& light, const PolygonColour& colour);

// The preview box's picture (Format_RGB32, 199 x 199). draw() is called by one thread at a time
// (the engine thread); frame() from any thread. The drawing goes to a private picture that is
// published whole when finished, so frame() always returns a finished frame.
class PreviewPicture {
  public:
    PreviewPicture();

    // Clears the picture black, draws every facet that faces the viewer (culling by the projected
    // winding) in its shaded colour, filled and outlined, then the trimming frame in green;
    // returns the number of facets drawn. The facets' normals must be computed for
    // |viewVertices|. Drawing thread only.
    int32_t draw(const ModelRecord& model, const Vertex* viewVertices, const Vec3& lightDirection,
                 const PolygonColour& colour, const PreviewFrame& frame);

    // Returns the last finished frame (a shallow copy). Any thread.
    QImage frame() const;

  private:
    QImage working_;
    mutable std::mutex mutex_;
    QImage published_;
};

}  // namespace tavrine
