#include "app/model/builders.h"

namespace tavrine {

void buildEllipsoid(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                    int32_t n, int32_t m, double p, double q) {}

void buildPrism(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                int32_t n, int32_t r) {}

void buildPyramid(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                  int32_t n, int32_t r) {}

void buildHedron14(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                   int32_t t) {}

void buildHedron26(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                   int32_t t) {}

}  // namespace tavrine
