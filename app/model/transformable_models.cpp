// The five solids whose proportions the user sets: ellipsoid, prism, pyramid, 14 hedron and
// 26 hedron. Each builder refuses parameters outside the ranges of the Transformable Models
// dialog and then leaves arrays and counts exactly as they were.

#include <cmath>

#include "app/model/builders.h"
#include "app/model/geometry_steps.h"

namespace tavrine {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// True for sides 3 to 16 (the corner slots of a facet) and heights 5 to 95 percent; a height
// of 100 would flatten the end polygons to a point.
bool acceptsSidesAndHeight(int32_t n, int32_t r) { return n >= 3 && n <= 16 && r >= 5 && r <= 95; }

// True for the kept share t of the 14 and 26 hedra, 5 to 95 percent.
bool acceptsKeep(int32_t t) { return t >= 5 && t <= 95; }

// Writes vertex i = (-h, rho·cos θ, rho·sin θ), θ = 2π·i/n, for i = 0 … n-1: the end polygon
// at x = -h shared by the prism and the pyramid. Returns h.
double writeBasePolygon(Vertex* vertices, int32_t n, int32_t r) {
    const double h = r / 100.0;
    const double rho = checkedSqrt(10000.0 - static_cast<double>(r * r)) / 100.0;
    for (int32_t i = 0; i < n; ++i) {
        const double theta = (kTwoPi * i) / n;
        vertices[i] = Vertex{-h, rho * std::cos(theta), rho * std::sin(theta)};
    }
    return h;
}

}  // namespace

void buildEllipsoid(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                    int32_t n, int32_t m, double p, double q) {
    // Refuse what the dialog cannot produce; written so that NaN is refused as well.
    if (n < 3 || n > 24 || m < 2 || m > 16 || !(p >= 0.05 && p <= 1.0) ||
        !(q >= 0.05 && q <= 1.0)) {
        return;
    }
    vertexCount = n * (m + 1);
    facetCount = n * m;

    // Meridian i, row j from the north pole (j = 0) to the south pole (j = m); each pole point
    // is written once per meridian.
    for (int32_t i = 0; i < n; ++i) {
        const double theta = (kTwoPi * i) / n;
        for (int32_t j = 0; j <= m; ++j) {
            const double phi = ((m / 2.0 - j) * kPi) / m;
            vertices[i * (m + 1) + j] = Vertex{p * std::cos(phi) * std::cos(theta), std::sin(phi),
                                               p * q * std::cos(phi) * std::sin(theta)};
        }
    }

    // Band j of meridian i: corners b, b+1 on this meridian and their twins on the next one,
    // the last meridian closing onto the first. The northern bands start at b; the others start
    // at the third corner, which keeps the south pole's two slots out of the first three.
    for (int32_t k = 0; k < facetCount; ++k) {
        const int32_t i = k / m;
        const int32_t j = k % m;
        const int32_t b = i * (m + 1) + j;
        const int32_t nextLow = (b + m + 2) % vertexCount;
        const int32_t nextHigh = (b + m + 1) % vertexCount;
        if (j < m / 2) {
            setFacet(facets[k], {b, b + 1, nextLow, nextHigh});
        } else {
            setFacet(facets[k], {nextLow, nextHigh, b, b + 1});
        }
    }
}

void buildPrism(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                int32_t n, int32_t r) {
    if (!acceptsSidesAndHeight(n, r)) return;
    vertexCount = 2 * n;
    facetCount = n + 2;

    // The end at x = -h, then the end at x = +h with the same angles in the opposite order.
    const double h = writeBasePolygon(vertices, n, r);
    for (int32_t i = 0; i < n; ++i) {
        const Vertex& near = vertices[i];
        vertices[n + ((n - i) % n)] = Vertex{h, near.y, near.z};
    }

    // The two ends, then the n side quadrilaterals.
    facets[0].vertexCount = n;
    facets[1].vertexCount = n;
    for (int32_t i = 0; i < n; ++i) {
        facets[0].vertexIndex[i] = i;
        facets[1].vertexIndex[i] = n + i;
    }
    for (int32_t i = 0; i < n; ++i) {
        setFacet(facets[2 + i], {(n - i) % n, n - 1 - i, ((i + 1) % n) + n, i + n});
    }
}

void buildPyramid(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                  int32_t n, int32_t r) {
    if (!acceptsSidesAndHeight(n, r)) return;
    vertexCount = n + 1;
    facetCount = n + 1;

    // The prism's end at x = -h as the base, and the apex at x = +h on the axis.
    const double h = writeBasePolygon(vertices, n, r);
    vertices[n] = Vertex{h, 0.0, 0.0};

    // The base, then the n side triangles.
    facets[0].vertexCount = n;
    for (int32_t i = 0; i < n; ++i) facets[0].vertexIndex[i] = i;
    for (int32_t i = 0; i < n; ++i) {
        setFacet(facets[1 + i], {(n - i) % n, n - 1 - i, n});
    }
}

void buildHedron14(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                   int32_t t) {
    if (!acceptsKeep(t)) return;
    vertexCount = 36;
    facetCount = 14;

    // a² + 2c² = 1: every corner (±a, ±c, ±c), in any axis arrangement, is on the circumsphere.
    const double a = t / (100.0 * std::sqrt(3.0));
    const double c = checkedSqrt(1.0 - a * a) * std::sqrt(2.0) * 0.5;

    // Six corners of the octagon on y = c, each followed by its two axis cycles.
    const Vertex octagon[6] = {{a, c, c},   {-a, c, c},  {-c, c, a},
                               {-c, c, -a}, {-a, c, -c}, {a, c, -c}};
    for (int32_t k = 0; k < 6; ++k) {
        const int32_t v = 3 * k;
        vertices[v] = octagon[k];
        cycleAxes(vertices, v, v + 1);
        cycleAxes(vertices, v + 1, v + 2);
    }
    pointMirrorVertices(vertices, vertexCount);

    // The octagons on y = c, x = c and z = c, three corner triangles beside them and the corner
    // triangle of the (+, +, +) corner; the rest by point mirroring.
    for (int32_t s = 0; s < 3; ++s) {
        setFacet(facets[s],
                 {s, s + 3, s + 6, s + 9, s + 12, s + 15, ((s + 1) % 3) + 3, (s + 1) % 3});
        setFacet(facets[3 + s], {s + 3, ((s + 2) % 3) + 15, s + 6});
    }
    setFacet(facets[6], {0, 1, 2});
    pointMirrorFacets(facets, vertexCount, facetCount);
}

void buildHedron26(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                   int32_t t) {
    if (!acceptsKeep(t)) return;
    vertexCount = 24;
    facetCount = 26;

    // 2a² + c² = 1: every corner (±a, ±c, ±a), in any axis arrangement, is on the circumsphere.
    const double a = t / (100.0 * std::sqrt(3.0));
    const double b = checkedSqrt(1.0 - a * a);
    const double c = checkedSqrt(b * b - a * a);

    // The square on y = c and its two axis cycles (the squares on z = c and x = c).
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t sx = (i & 2) - 1;
        const int32_t sz = ((i + 3) & 2) - 1;
        vertices[i] = Vertex{a * sx, c, a * sz};
        cycleAxes(vertices, i, i + 4);
        cycleAxes(vertices, i + 4, i + 8);
    }
    pointMirrorVertices(vertices, vertexCount);

    // For each of the three squares: the square, the rectangles over two cube edges and a corner
    // triangle; then the triangle of the (+, +, +) corner; the rest by point mirroring.
    for (int32_t s = 0; s < 3; ++s) {
        const int32_t k = 4 * s;
        const int32_t e = (8 * s) % 12;
        setFacet(facets[s], {k, k + 1, k + 2, k + 3});
        setFacet(facets[3 + s], {k + 2, (k + 4) % 12, (k + 7) % 12, k + 3});
        setFacet(facets[6 + s], {k + 1, e + 15, e + 14, k + 2});
        setFacet(facets[9 + s],
                 {k + 2, facets[6 + s].vertexIndex[2], facets[3 + s].vertexIndex[1]});
    }
    setFacet(facets[12], {3, 7, 11});
    pointMirrorFacets(facets, vertexCount, facetCount);
}

}  // namespace tavrine
