#pragma once
// The model builders, one family per source file. Every builder stores both counts, writes
// vertices 0 to vertexCount-1 and, for facets 0 to facetCount-1, the corner count and corner
// list. A builder that refuses its parameters leaves arrays and counts exactly as they were.

#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {

// polyhedra.cpp: the fixed round and regular solids.
void buildTetrahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildCube(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildOctahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildDodecahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildIcosahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildHedron60(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildHedron32(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildSphere(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);

// brilliants.cpp: the brilliant cuts and the Antique Cushion cut.
void buildBrilliant(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildBrilliant2(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildBrilliant3(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildAntiqueCushion(Vertex* vertices, Facet* facets, int32_t& vertexCount,
                         int32_t& facetCount);
// Multiplies the x coordinate of vertices 0 to vertexCount-1 by 0.8 (the oval variants).
void makeOval(Vertex* vertices, int32_t vertexCount);

// gem_cuts.cpp: the further gem cuts.
void buildEmeraldCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildScissorsCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildMazarinCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildOldSingleCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildBrioletteCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildDoubleRoseCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);
void buildBaguetteCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount);

// transformable_models.cpp: the solids built from parameters.
// Ellipsoid with n meridians (3 to 24), m bands (2 to 16; the Sphere uses 8), semi-axes P along
// x, 1 along y and P*Q along z. Refuses parameters outside those ranges or P, Q outside
// 0.05 to 1.
void buildEllipsoid(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                    int32_t n, int32_t m, double p, double q);
// Prism along x with n sides (3 to 16) and half length r/100 (r 5 to 95).
void buildPrism(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                int32_t n, int32_t r);
// Pyramid along x with n sides (3 to 16), apex at x = r/100 (r 5 to 95).
void buildPyramid(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                  int32_t n, int32_t r);
// Cube with its corners cut off, keeping t percent (5 to 95).
void buildHedron14(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                   int32_t t);
// Cube with its edges and corners bevelled, keeping t percent (5 to 95).
void buildHedron26(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                   int32_t t);

}  // namespace tavrine
