#pragma once
// Shared checks of built models: the record invariants, closedness, convexity, edge lengths.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/model/model_record.h"

namespace tavrine::test {

// A freshly built model, heap-allocated (the record is too large for the stack).
std::unique_ptr<ModelRecord> buildFresh(int32_t modelIndex, const TransformableParams& params = {});

// Invariants 1 to 4 of every model plus convex, planar facets: corner counts 3 to 16, indexes
// in range, first three corners distinct and not collinear, (P2-P1)x(P1-P0) pointing away from
// the centre of the solid, every corner within planeTolerance of the plane of the first three,
// and each facet a convex polygon.
::testing::AssertionResult satisfiesInvariants(const Vertex* vertices, const Facet* facets,
                                               int32_t vertexCount, int32_t facetCount,
                                               double planeTolerance = 1e-9);

// Every edge between distinct points is used by exactly two facets, once in each direction,
// and V - E + F = 2 over the distinct points. Vertex slots holding the same point count as one.
::testing::AssertionResult isClosed(const Vertex* vertices, const Facet* facets,
                                    int32_t vertexCount, int32_t facetCount);

// No vertex lies more than tolerance outside the plane of any facet.
::testing::AssertionResult isConvexSolid(const Vertex* vertices, const Facet* facets,
                                         int32_t vertexCount, int32_t facetCount,
                                         double tolerance = 1e-9);

// The largest distance of a vertex outside the plane of another facet.
double maxOutsideDistance(const Vertex* vertices, const Facet* facets, int32_t vertexCount,
                          int32_t facetCount);

// The lengths of the distinct edges (between distinct points), sorted, merged within tolerance.
std::vector<double> distinctEdgeLengths(const Vertex* vertices, const Facet* facets,
                                        int32_t vertexCount, int32_t facetCount,
                                        double tolerance = 1e-6);

// Length of a vertex as a vector from the origin.
double length(const Vertex& v);

}  // namespace tavrine::test
