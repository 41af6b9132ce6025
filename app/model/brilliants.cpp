// The brilliant cuts (eight-fold, ten-fold, and eight-fold with split facets) and the Antique
// Cushion cut, which is the first brilliant bent onto a rounded square. Every constant is
// computed in the form in which the cut is defined, so that the coordinates are reproducible to
// the last bit.
#include <cmath>

#include "app/model/builders.h"
#include "app/model/geometry_steps.h"

namespace tavrine {

namespace {

// The facet lists of the eight-fold brilliant, shared with the Antique Cushion cut.
void brilliantFacets(Facet* facets) {
    Facet* table = &facets[0];
    table->vertexCount = 8;
    for (int32_t k = 0; k < 8; ++k) table->vertexIndex[k] = k;
    for (int32_t k = 0; k < 8; ++k) {
        // star facets
        setFacet(facets[k + 1], {(k + 1) % 8, k, k + 8});
        // bezel (kite) facets
        setFacet(facets[k + 9], {k + 8, k, ((k + 7) % 8) + 8, 2 * k + 16});
        // upper girdle facets
        setFacet(facets[2 * k + 17], {k + 8, 2 * k + 16, 2 * k + 17});
        setFacet(facets[2 * k + 18], {k + 8, 2 * k + 17, ((2 * k + 2) % 16) + 16});
        // pavilion mains (kites)
        setFacet(facets[k + 49], {2 * k + 16, ((k + 7) % 8) + 32, 40, k + 32});
    }
    // lower girdle facets
    for (int32_t j = 0; j < 16; ++j) {
        setFacet(facets[j + 33], {j + 16, (j / 2) + 32, ((j + 1) % 16) + 16});
    }
}

// A point of a ring of radius r at height y and the given azimuth, from sin and cos.
Vertex azimuthPoint(double r, double y, double azimuth) {
    return Vertex{-r * std::sin(azimuth), y, r * std::cos(azimuth)};
}

}  // namespace

void buildBrilliant(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    const double c8 = cos8();
    const double s8 = sin8();
    const double r = 1.0;               // girdle radius
    const double t = 0.56;              // table radius
    const double h = 0.324;             // table height
    const double yb = 2.0 * r * 0.1;    // height of the crown's middle ring
    const double pd = 2.0 * r * 0.431;  // culet depth
    const double py = 2.0 * r * 0.3;    // depth of the pavilion ring
    Vertex* v = vertices;

    vertexCount = 41;
    facetCount = 57;

    // table
    v[0] = Vertex{0.0, h, t};
    v[1] = Vertex{-t / std::sqrt(2.0), h, t / std::sqrt(2.0)};
    quarterTurnCopy(v, 2, 7, -2);

    // crown middle ring: the girdle-to-table line at height yb, pushed out to azimuth 22.5°
    const double rc = (r * (h - yb) + t * yb) / (h * c8);
    v[8] = Vertex{-rc * s8, yb, rc * c8};
    v[9] = Vertex{-rc * c8, yb, rc * s8};
    quarterTurnCopy(v, 10, 15, -2);

    // girdle, no thickness
    v[16] = Vertex{0.0, 0.0, r};
    v[17] = Vertex{-r * s8, 0.0, r * c8};
    v[18] = Vertex{-r / std::sqrt(2.0), 0.0, r / std::sqrt(2.0)};
    v[19] = Vertex{-r * c8, 0.0, r * s8};
    quarterTurnCopy(v, 20, 31, -4);

    // pavilion ring: the girdle-to-culet cone at depth py, pushed out to azimuth 22.5°
    const double rp = r * (pd - py) / (pd * c8);
    v[32] = Vertex{-rp * s8, -py, rp * c8};
    v[33] = Vertex{-rp * c8, -py, rp * s8};
    quarterTurnCopy(v, 34, 39, -2);

    v[40] = Vertex{0.0, -pd, 0.0};  // culet

    brilliantFacets(facets);
}

void buildBrilliant2(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // Every azimuth is a multiple of 18° = π/10; each point comes from sin and cos directly.
    const double step = 0.3141592653589793;
    const double cs = std::cos(step);
    const double r30 = 1.0 - ((1.0 - 0.85 * cs) * 0.32) / 0.2;
    const double r40 = 0.85 - ((0.85 - r30 * cs) * 0.2) / 0.12;
    const double r50 = 0.3448 / (cs * 0.862);
    Vertex* v = vertices;

    vertexCount = 61;
    facetCount = 81;

    for (int32_t k = 0; k < 20; ++k) v[k] = azimuthPoint(1.0, 0.0, k * step);  // girdle
    for (int32_t k = 0; k < 10; ++k) {
        v[k + 20] = azimuthPoint(0.85, 0.2, (2 * k) * step);
        v[k + 30] = azimuthPoint(r30, 0.32, (2 * k + 1) * step);
        v[k + 40] = azimuthPoint(r40, 0.4, (2 * k) * step);  // table
        v[k + 50] = azimuthPoint(r50, -0.5172, (2 * k) * step);
    }
    v[60] = Vertex{0.0, -0.862, 0.0};  // culet

    for (int32_t k = 0; k < 10; ++k) {
        const int32_t next = (k + 1) % 10;
        setFacet(facets[2 * k], {2 * k, 2 * k + 1, k + 20});
        setFacet(facets[2 * k + 1], {(2 * k + 2) % 20, next + 20, 2 * k + 1});
        setFacet(facets[k + 20], {2 * k + 1, next + 20, k + 30, k + 20});
        setFacet(facets[k + 30], {k + 20, k + 30, k + 40, ((k + 9) % 10) + 30});
        setFacet(facets[k + 40], {k + 30, next + 40, k + 40});
        setFacet(facets[2 * k + 50], {2 * k, k + 50, 2 * k + 1});
        setFacet(facets[2 * k + 51], {2 * k + 1, next + 50, (2 * k + 2) % 20});
        setFacet(facets[k + 70], {2 * k + 1, k + 50, 60, next + 50});
    }
    Facet& table = facets[80];
    table.vertexCount = 10;
    for (int32_t k = 0; k < 10; ++k) table.vertexIndex[k] = 40 + k;
}

void buildBrilliant3(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    const double c8 = cos8();
    const double s8 = sin8();
    const double c16 = std::cos(kPi / 16.0);
    const double s16 = std::sin(kPi / 16.0);
    const double c316 = std::cos(3.0 * kPi / 16.0);
    const double s316 = std::sin(3.0 * kPi / 16.0);
    const double invSqrt2 = 1.0 / std::sqrt(2.0);
    Vertex* v = vertices;

    vertexCount = 89;
    facetCount = 137;

    // girdle, 32 points at azimuths 11.25°·k
    v[0] = Vertex{0.0, 0.0, 1.0};
    v[1] = Vertex{-s16, 0.0, c16};
    v[2] = Vertex{-s8, 0.0, c8};
    v[3] = Vertex{-s316, 0.0, c316};
    v[4] = Vertex{-invSqrt2, 0.0, invSqrt2};
    v[5] = Vertex{-c316, 0.0, s316};
    v[6] = Vertex{-c8, 0.0, s8};
    v[7] = Vertex{-c16, 0.0, s16};
    quarterTurnCopy(v, 8, 31, -8);

    // crown ring at azimuths 45°·k; 0.236 = (0.324 - 0.2) + 0.56·0.2
    const double rc = 0.236 / (c8 * 0.324);
    v[32] = Vertex{0.0, 0.2, rc};
    v[33] = Vertex{-rc * invSqrt2, 0.2, rc * invSqrt2};
    quarterTurnCopy(v, 34, 39, -2);

    // table, turned by 22.5° against the crown ring
    const double t = 0.56;
    const double h = 0.324;
    v[40] = Vertex{-t * s8, h, t * c8};
    v[41] = Vertex{-t * c8, h, t * s8};
    quarterTurnCopy(v, 42, 47, -2);

    // first pavilion ring, azimuths 11.25° + 22.5°·k
    const double y1 = -0.25 * 0.862;
    const double r1 = 0.8;
    v[48] = Vertex{-r1 * s16, y1, r1 * c16};
    v[49] = Vertex{-r1 * s316, y1, r1 * c316};
    v[50] = Vertex{-r1 * c316, y1, r1 * s316};
    v[51] = Vertex{-r1 * c16, y1, r1 * s16};
    quarterTurnCopy(v, 52, 63, -4);

    // second pavilion ring, azimuths 22.5°·k, on the line from the girdle over the first ring
    const double y2 = -0.45 * 0.862;
    const double r2 = 1.0 - (0.3879 * (1.0 - 0.8 * c16)) / 0.2155;
    v[64] = Vertex{0.0, y2, r2};
    v[65] = Vertex{-r2 * s8, y2, r2 * c8};
    v[66] = Vertex{-r2 * invSqrt2, y2, r2 * invSqrt2};
    v[67] = Vertex{-r2 * c8, y2, r2 * s8};
    quarterTurnCopy(v, 68, 79, -4);

    // third pavilion ring, azimuths 22.5° + 45°·k
    const double y3 = 0.5 * r2 + 0.3879;
    const double r3 = r2 * (0.862 - y3) / ((0.862 - 0.3879) * c8);
    v[80] = Vertex{-r3 * s8, -y3, r3 * c8};
    v[81] = Vertex{-r3 * c8, -y3, r3 * s8};
    quarterTurnCopy(v, 82, 87, -2);

    v[88] = Vertex{0.0, -0.862, 0.0};  // culet

    for (int32_t j = 0; j < 32; ++j) {
        setFacet(facets[j], {j, (j + 1) % 32, 32 + (((j + 2) % 32) / 4)});
        setFacet(facets[48 + j], {j, 48 + (j / 2), (j + 1) % 32});
    }
    for (int32_t k = 0; k < 8; ++k) {
        setFacet(facets[32 + k], {4 * k + 2, 32 + ((k + 1) % 8), 40 + k, 32 + k});
        setFacet(facets[40 + k], {32 + k, 40 + k, 40 + ((k + 7) % 8)});
        setFacet(facets[128 + k], {64 + 2 * k, 80 + ((k + 7) % 8), 88, 80 + k});
    }
    for (int32_t i = 0; i < 16; ++i) {
        setFacet(facets[80 + i], {2 * i, 48 + ((i + 15) % 16), 64 + i, 48 + i});
        setFacet(facets[96 + i], {48 + i, 64 + i, 64 + ((i + 1) % 16)});
        setFacet(facets[112 + i], {64 + i, 80 + (i / 2), 64 + ((i + 1) % 16)});
    }
    Facet& table = facets[136];
    table.vertexCount = 8;
    for (int32_t k = 0; k < 8; ++k) table.vertexIndex[k] = 40 + k;
}

void buildAntiqueCushion(Vertex* vertices, Facet* facets, int32_t& vertexCount,
                         int32_t& facetCount) {
    const double c8 = cos8();
    const double s8 = sin8();
    // Bending exponent e = 0.5: a point (u·a, u·b) of the unit circle becomes (u·a^e, u·b^e),
    // a point of |x|^4 + |z|^4 = u^4.
    const double e = 0.5;
    const double p = std::pow(1.0 / std::sqrt(2.0), e);
    const double g = 1.0 / std::sqrt(2.0 * p * p);  // girdle size: 45° corners on the unit circle
    const double pc = std::pow(c8, e);
    const double ps = std::pow(s8, e);
    Vertex* v = vertices;

    vertexCount = 41;
    facetCount = 57;

    // table
    const double yt = 2.0 * 0.162 * g;
    v[0] = Vertex{0.0, yt, 0.56 * g};
    v[1] = Vertex{-0.56 * g * p, yt, 0.56 * g * p};
    quarterTurnCopy(v, 2, 7, -2);

    // crown ring
    const double yc = 0.162 * g;
    const double m = (g + 0.56 * g) / 2.0;
    const double n = (std::pow(g, e) + std::pow(0.56 * g, e)) / 2.0;
    const double q = m * s8 / c8 + (n - m) * std::sqrt(2.0);
    v[8] = Vertex{-q, yc, m};
    v[9] = Vertex{-m, yc, q};
    quarterTurnCopy(v, 10, 15, -2);

    // girdle on the rounded square
    v[16] = Vertex{0.0, 0.0, g};
    v[17] = Vertex{-g * ps, 0.0, g * pc};
    v[18] = Vertex{-g * p, 0.0, g * p};
    v[19] = Vertex{-g * pc, 0.0, g * ps};
    quarterTurnCopy(v, 20, 31, -4);

    // pavilion ring
    const double pd = 2.0 * 0.431 * g;
    const double py = 2.0 * 0.3 * g;
    const double rho = g * (pd - py) / (pd * c8);
    v[32] = Vertex{-rho * ps, -py, rho * pc};
    v[33] = Vertex{-rho * pc, -py, rho * ps};
    quarterTurnCopy(v, 34, 39, -2);

    v[40] = Vertex{0.0, -pd, 0.0};  // culet

    brilliantFacets(facets);
}

void makeOval(Vertex* vertices, int32_t vertexCount) {
    for (int32_t i = 0; i < vertexCount; ++i) vertices[i].x *= 0.8;
}

}  // namespace tavrine
