#pragma once
// Wavefront OBJ output of a built model, for other 3D programs.

#include <cstdint>
#include <string>

#include "tracer/tvrt.h"

namespace tavrine {

// Writes the model as a Wavefront OBJ file at path, in model space: one "v" line per vertex
// slot in slot order (17 significant digits, so each coordinate reads back as the same double,
// independent of the C locale), then one "f" line per facet in facet order with 1-based
// indexes and the corners reversed, so that they run counter-clockwise seen from outside as
// 3D tools expect. The file is written as util::AtomicFile writes: beside the (resolved) path
// under a temporary name and renamed over it only when complete; a device or FIFO in place;
// "-" to standard output. Returns false and leaves path untouched on an invalid model
// (negative counts, a corner count outside 3 to 16, an index outside the vertices) or any
// file error; then *error (if not null) receives "cannot write PATH: REASON".
bool writeObj(const std::string& path, const Vertex* vertices, int32_t vertexCount,
              const Facet* facets, int32_t facetCount, std::string* error);

}  // namespace tavrine
