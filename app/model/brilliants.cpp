#include "app/model/builders.h"

namespace tavrine {

void buildBrilliant(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildBrilliant2(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildBrilliant3(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildAntiqueCushion(Vertex* vertices, Facet* facets, int32_t& vertexCount,
                         int32_t& facetCount) {}

void makeOval(Vertex* vertices, int32_t vertexCount) {}

}  // namespace tavrine
