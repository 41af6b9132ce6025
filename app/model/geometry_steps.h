#pragma once
// Small in-place steps that the model builders share.

#include <cstdint>
#include <initializer_list>

#include "tracer/tvrt.h"

namespace tavrine {

// π to the seventeen digits the builders use.
inline constexpr double kPi = 3.141592653589793;

// Returns cos 22.5° in its square-root form, sqrt(2 + sqrt(2)) / 2, the same double everywhere.
double cos8();

// Returns sin 22.5° in its square-root form, sqrt(2 - sqrt(2)) / 2, the same double everywhere.
double sin8();

// Writes the corner count and the corner list of one facet, in the order given; the caller
// gives 3 to 16 corners.
void setFacet(Facet& facet, std::initializer_list<int32_t> corners);

// Writes V[i] = (-V[i+offset].z, V[i+offset].y, V[i+offset].x) for i = first … last in that
// order: each new vertex is an earlier one given a quarter turn about the y axis. offset is
// negative.
void quarterTurnCopy(Vertex* vertices, int32_t first, int32_t last, int32_t offset);

// Writes V[n-1-i] = -V[i] for i = 0 … n/2 - 1.
void pointMirrorVertices(Vertex* vertices, int32_t n);

// Completes the second half of a point-symmetric model: facet facetCount-1-i becomes facet i
// with every index j replaced by vertexCount-1-j and the corner order reversed, which keeps
// the outward winding.
void pointMirrorFacets(Facet* facets, int32_t vertexCount, int32_t facetCount);

// Writes V[dst] = (V[src].y, V[src].z, V[src].x).
void cycleAxes(Vertex* vertices, int32_t src, int32_t dst);

// Returns the square root of x; for negative x writes "Error:Sqr argument is illegal" to
// standard error and returns -1.
double checkedSqrt(double x);

}  // namespace tavrine
