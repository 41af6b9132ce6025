#pragma once
// The model record: the facet model of the selected stone shape.

#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {

// Capacity of the vertex arrays of the model record (and of every array sized like it).
inline constexpr int kMaxVertices = 2400;
// Capacity of the facet array of the model record.
inline constexpr int kMaxFacets = 2400;
// Number of entries of the model list, the separator row included.
inline constexpr int kModelCount = 28;
// The separator row of the model list; it builds nothing.
inline constexpr int kSeparatorModelIndex = 22;
// The model index of a stone read from a design file: the row after the model list. No builder
// makes it, so buildModel leaves such a record as it is.
inline constexpr int kDesignModelIndex = kModelCount;

// The stone shape as built (modelVertices), in the stone's pose (baseVertices), and its facets.
// One instance lives for the whole run; it is large (about 420 KB), so keep it in static or
// heap storage.
struct ModelRecord {
    int32_t modelIndex = 0;
    Vertex modelVertices[kMaxVertices];
    Vertex baseVertices[kMaxVertices];
    Facet facets[kMaxFacets];
    int32_t vertexCount = 0;
    int32_t facetCount = 0;
};

// The parameters of the five transformable models, as integers kept with the settings. The
// defaults are those of the Transformable Models dialog.
struct TransformableParams {
    int32_t ellipsoidSurfaces = 16;          // 3 to 24 meridians
    int32_t ellipsoidRows = 8;               // 2 to 16 bands
    int32_t ellipsoidDiameterRatio = 80;     // 5 to 100 percent
    int32_t ellipsoidCompressionRatio = 70;  // 5 to 100 percent
    int32_t prismSides = 6;                  // 3 to 16
    int32_t prismHeightRatio = 70;           // 5 to 95
    int32_t pyramidSides = 6;                // 3 to 16
    int32_t pyramidHeightRatio = 70;         // 5 to 95
    int32_t hedron14Keep = 50;               // 5 to 95 (100 minus the shown cutting ratio)
    int32_t hedron26Keep = 87;               // 5 to 95 (100 minus the shown cutting ratio)
};

// Builds entry modelIndex of the model list into the arrays and counts, then copies the first
// vertexCount entries of modelVertices into baseVertices. Index 22 (the separator) and indexes
// outside 0 to 27 change nothing at all.
void buildModel(int32_t modelIndex, Vertex* modelVertices, Vertex* baseVertices, Facet* facets,
                int32_t& vertexCount, int32_t& facetCount, const TransformableParams& params);

// Builds record.modelIndex into the record, as the overload above.
void buildModel(ModelRecord& record, const TransformableParams& params);

// Returns the English caption of entry modelIndex of the model list, or "" outside 0 to 27.
const char* modelCaption(int32_t modelIndex);

}  // namespace tavrine
