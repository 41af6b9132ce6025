#include "app/model/geometry_steps.h"

#include <cmath>
#include <cstdio>

namespace tavrine {

double cos8() { return std::sqrt(2.0 + std::sqrt(2.0)) / 2.0; }

double sin8() { return std::sqrt(2.0 - std::sqrt(2.0)) / 2.0; }

void setFacet(Facet& facet, std::initializer_list<int32_t> corners) {
    facet.vertexCount = static_cast<int32_t>(corners.size());
    int32_t k = 0;
    for (int32_t corner : corners) facet.vertexIndex[k++] = corner;
}

void quarterTurnCopy(Vertex* vertices, int32_t first, int32_t last, int32_t offset) {
    for (int32_t i = first; i <= last; ++i) {
        const Vertex& src = vertices[i + offset];
        vertices[i] = Vertex{-src.z, src.y, src.x};
    }
}

void pointMirrorVertices(Vertex* vertices, int32_t n) {
    for (int32_t i = 0; i < n / 2; ++i) {
        const Vertex& src = vertices[i];
        vertices[n - 1 - i] = Vertex{-src.x, -src.y, -src.z};
    }
}

void pointMirrorFacets(Facet* facets, int32_t vertexCount, int32_t facetCount) {
    for (int32_t i = 0; i < facetCount / 2; ++i) {
        const Facet& src = facets[i];
        Facet& dst = facets[facetCount - 1 - i];
        const int32_t c = src.vertexCount;
        dst.vertexCount = c;
        for (int32_t j = 0; j < c; ++j) {
            dst.vertexIndex[c - 1 - j] = vertexCount - 1 - src.vertexIndex[j];
        }
    }
}

void cycleAxes(Vertex* vertices, int32_t src, int32_t dst) {
    const Vertex v = vertices[src];
    vertices[dst] = Vertex{v.y, v.z, v.x};
}

double checkedSqrt(double x) {
    if (x < 0.0) {
        std::fputs("Error:Sqr argument is illegal\n", stderr);
        return -1.0;
    }
    return std::sqrt(x);
}

}  // namespace tavrine
