#include "app/model/builders.h"

namespace tavrine {

void buildTetrahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildCube(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildOctahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildDodecahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildIcosahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildHedron60(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildHedron32(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

void buildSphere(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {}

}  // namespace tavrine
