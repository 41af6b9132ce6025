#include "app/model/builders.h"

namespace tavrine {

void buildEmeraldCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildScissorsCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildMazarinCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildOldSingleCut(Vertex* vertices, Facet* facets, int32_t& vertexCount,
                       int32_t& facetCount) {}

void buildBrioletteCut(Vertex* vertices, Facet* facets, int32_t& vertexCount,
                       int32_t& facetCount) {}

void buildDoubleRoseCut(Vertex* vertices, Facet* facets, int32_t& vertexCount,
                        int32_t& facetCount) {}

void buildBaguetteCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

}  // namespace tavrine
