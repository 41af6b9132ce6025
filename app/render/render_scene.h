#pragma once
// The stone as a rendering sees it.

#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {

// What the render job reads of the stone: the model in view space with the facets' normals and
// planes computed for the same view, and the main light's direction in view space.
struct RenderScene {
    const Vertex* vertices = nullptr;
    int32_t vertexCount = 0;
    const Facet* facets = nullptr;
    int32_t facetCount = 0;
    Vec3 lightDirection{0.0, 0.0, 1.0};
};

}  // namespace tavrine
