// The gem cuts other than the brilliants: Emerald, Scissors, Mazarin, Old Single, Briolette,
// Double Rose and Baguette. Each is a few rings of vertices joined by bands of facets; the
// constants are computed in the form in which each cut is defined.
#include <cmath>

#include "app/model/builders.h"
#include "app/model/geometry_steps.h"

namespace tavrine {

namespace {

// Sets a facet whose corners are first, first+1, …, first+count-1.
void setRunFacet(Facet& facet, int32_t first, int32_t count) {
    facet.vertexCount = count;
    for (int32_t k = 0; k < count; ++k) facet.vertexIndex[k] = first + k;
}

}  // namespace

void buildEmeraldCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // Outline template in (x, z): a rectangle whose corner (X, 0.5) lies on the unit circle,
    // with its corners cut by 0.2 in both directions.
    const double bx = std::sqrt(0.75);
    const double tx[8] = {-bx, -(bx - 0.2), bx - 0.2, bx, bx, bx - 0.2, -(bx - 0.2), -bx};
    const double tz[8] = {-0.5, -0.7, -0.7, -0.5, 0.5, 0.7, 0.7, 0.5};
    // Levels from the table (0) down; levels 3 and 4 are the girdle band.
    const double levelY[7] = {0.4, 0.33, 0.2, 0.025, -0.025, -0.2, -0.4};
    const double levelS[7] = {0.5, 0.67, 0.85, 0.9, 0.9, 0.75, 0.6};
    Vertex* v = vertices;

    vertexCount = 58;
    facetCount = 57;

    for (int32_t e = 0; e < 7; ++e) {
        for (int32_t j = 0; j < 8; ++j) {
            v[8 * e + j] = Vertex{levelS[e] * tx[j], levelY[e], levelS[e] * tz[j]};
        }
    }
    // keel
    v[56] = Vertex{-0.3 * bx, -0.7, 0.0};
    v[57] = Vertex{0.3 * bx, -0.7, 0.0};

    setRunFacet(facets[0], 0, 8);  // table
    for (int32_t e = 0; e < 6; ++e) {
        for (int32_t j = 0; j < 8; ++j) {
            const int32_t next = (j + 1) % 8;
            setFacet(facets[1 + 8 * e + j],
                     {8 * e + 8 + j, 8 * e + 8 + next, 8 * e + next, 8 * e + j});
        }
    }
    // keel facets closing the lowest level
    Facet* keel = &facets[49];
    for (int32_t j = 0; j < 8; ++j) {
        const int32_t next = 48 + ((j + 1) % 8);
        switch (j) {
        case 0:
        case 6:
        case 7:
            setFacet(keel[j], {56, next, 48 + j});
            break;
        case 2:
        case 3:
        case 4:
            setFacet(keel[j], {57, next, 48 + j});
            break;
        case 1:
            setFacet(keel[j], {56, 57, 50, 49});
            break;
        default:
            setFacet(keel[j], {57, 56, 54, 53});
            break;  // j = 5
        }
    }
}

void buildScissorsCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // Half sizes of the 5:4 outline; its corner (X, Z) lies on the unit circle.
    const double bx = 5.0 / std::sqrt(41.0);
    const double bz = 4.0 / std::sqrt(41.0);
    Vertex* v = vertices;

    vertexCount = 26;
    facetCount = 45;

    // table
    const double yt = 0.25;
    v[0] = Vertex{-0.6 * bx, yt, 0.6 * bz};
    v[1] = Vertex{-0.6 * bx, yt, -0.6 * bz};
    v[2] = Vertex{0.6 * bx, yt, -0.6 * bz};
    v[3] = Vertex{0.6 * bx, yt, 0.6 * bz};
    // crown ring
    const double yc = 0.15;
    v[4] = Vertex{0.0, yc, 0.85 * bz};
    v[5] = Vertex{-0.85 * bx, yc, 0.0};
    v[6] = Vertex{0.0, yc, -0.85 * bz};
    v[7] = Vertex{0.85 * bx, yc, 0.0};
    // girdle: the rectangle with its corners cut
    v[8] = Vertex{-0.82 * bx, 0.0, bz};
    v[9] = Vertex{-bx, 0.0, 0.75 * bz};
    v[10] = Vertex{-bx, 0.0, -0.75 * bz};
    v[11] = Vertex{-0.82 * bx, 0.0, -bz};
    v[12] = Vertex{0.82 * bx, 0.0, -bz};
    v[13] = Vertex{bx, 0.0, -0.75 * bz};
    v[14] = Vertex{bx, 0.0, 0.75 * bz};
    v[15] = Vertex{0.82 * bx, 0.0, bz};
    // pavilion ring
    const double yp = -0.21;
    v[16] = Vertex{0.95 * bx, yp, 0.0};
    v[17] = Vertex{0.0, yp, -0.95 * bz};
    v[18] = Vertex{-0.95 * bx, yp, 0.0};
    v[19] = Vertex{0.0, yp, 0.95 * bz};
    // lower ring
    const double yl = -0.35;
    v[20] = Vertex{0.65 * bx, yl, 0.65 * bz};
    v[21] = Vertex{0.65 * bx, yl, -0.65 * bz};
    v[22] = Vertex{-0.65 * bx, yl, -0.65 * bz};
    v[23] = Vertex{-0.65 * bx, yl, 0.65 * bz};
    // keel
    const double yk = -0.5;
    v[24] = Vertex{0.3 * bx, yk, 0.0};
    v[25] = Vertex{-0.3 * bx, yk, 0.0};

    static const int32_t kCorners[45][4] = {
        {0, 1, 2, 3},     {1, 0, 5, -1},    {2, 1, 6, -1},    {3, 2, 7, -1},    {0, 3, 4, -1},
        {5, 9, 10, -1},   {6, 11, 12, -1},  {7, 13, 14, -1},  {4, 15, 8, -1},   {5, 0, 9, -1},
        {6, 1, 11, -1},   {7, 2, 13, -1},   {4, 3, 15, -1},   {5, 10, 1, -1},   {6, 12, 2, -1},
        {7, 14, 3, -1},   {4, 8, 0, -1},    {8, 9, 0, -1},    {10, 11, 1, -1},  {12, 13, 2, -1},
        {14, 15, 3, -1},  {20, 15, 14, -1}, {21, 13, 12, -1}, {22, 11, 10, -1}, {23, 9, 8, -1},
        {23, 8, 19, -1},  {20, 14, 16, -1}, {21, 12, 17, -1}, {22, 10, 18, -1}, {15, 20, 19, -1},
        {13, 21, 16, -1}, {11, 22, 17, -1}, {9, 23, 18, -1},  {8, 15, 19, -1},  {14, 13, 16, -1},
        {12, 11, 17, -1}, {10, 9, 18, -1},  {19, 20, 23, -1}, {16, 21, 20, -1}, {17, 22, 21, -1},
        {18, 23, 22, -1}, {20, 21, 24, -1}, {22, 23, 25, -1}, {20, 24, 25, 23}, {21, 22, 25, 24},
    };
    for (int32_t i = 0; i < 45; ++i) {
        const int32_t count = kCorners[i][3] < 0 ? 3 : 4;
        facets[i].vertexCount = count;
        for (int32_t k = 0; k < count; ++k) facets[i].vertexIndex[k] = kCorners[i][k];
    }
}

void buildMazarinCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    const double invSqrt2 = 1.0 / std::sqrt(2.0);
    Vertex* v = vertices;

    vertexCount = 21;
    facetCount = 33;

    // girdle: a square with cut corners
    v[0] = Vertex{0.0, 0.0, 0.85};
    v[1] = Vertex{-0.595, 0.0, 0.765};
    v[2] = Vertex{-0.765, 0.0, 0.595};
    quarterTurnCopy(v, 3, 11, -3);
    // table
    v[12] = Vertex{-0.5525 / std::sqrt(2.0), 0.425, 0.5525 / std::sqrt(2.0)};
    quarterTurnCopy(v, 13, 15, -1);
    // pavilion ring, one point at azimuth 45°
    const double rp = 0.3113975 / (invSqrt2 * 0.7327);
    v[16] = Vertex{-rp * invSqrt2, -0.36635, rp * invSqrt2};
    quarterTurnCopy(v, 17, 19, -1);
    v[20] = Vertex{0.0, -0.7327, 0.0};  // culet

    for (int32_t k = 0; k < 4; ++k) {
        setFacet(facets[4 * k], {3 * k, 12 + k, 12 + ((k + 3) % 4)});
        setFacet(facets[4 * k + 1], {3 * k, 3 * k + 1, 12 + k});
        setFacet(facets[4 * k + 2], {3 * k + 1, 3 * k + 2, 12 + k});
        setFacet(facets[4 * k + 3], {3 * k + 2, (3 * k + 3) % 12, 12 + k});
        setFacet(facets[16 + 4 * k], {3 * k, 16 + ((k + 3) % 4), 20, 16 + k});
        setFacet(facets[17 + 4 * k], {3 * k, 16 + k, 3 * k + 1});
        setFacet(facets[18 + 4 * k], {3 * k + 1, 16 + k, 3 * k + 2});
        setFacet(facets[19 + 4 * k], {3 * k + 2, 16 + k, (3 * k + 3) % 12});
    }
    setRunFacet(facets[32], 12, 4);  // table
}

void buildOldSingleCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    const double c8 = cos8();
    const double s8 = sin8();
    const double r = 0.9;
    Vertex* v = vertices;

    vertexCount = 17;
    facetCount = 17;

    // girdle, azimuths 22.5° + 45°·k
    v[0] = Vertex{-r * s8, 0.0, r * c8};
    v[1] = Vertex{-r * c8, 0.0, r * s8};
    quarterTurnCopy(v, 2, 7, -2);
    // table: the girdle drawn in to 0.58
    const double yt = 2.0 * r * 0.2;
    for (int32_t k = 0; k < 8; ++k) v[k + 8] = Vertex{v[k].x * 0.58, yt, v[k].z * 0.58};
    v[16] = Vertex{0.0, -(2.0 * r * 0.431), 0.0};  // culet

    for (int32_t k = 0; k < 8; ++k) {
        const int32_t prev = (k + 7) % 8;
        setFacet(facets[k], {k, k + 8, prev + 8, prev});
        setFacet(facets[k + 8], {k, prev, 16});
    }
    setRunFacet(facets[16], 8, 8);  // table
}

void buildBrioletteCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // Gaps between the nine heights, from the top apex down (sum 140).
    const int32_t weights[8] = {10, 15, 20, 25, 25, 20, 15, 10};
    const double radii[7] = {0.1, 0.25, 0.4, 0.53, 0.57, 0.52, 0.3};
    Vertex* v = vertices;

    vertexCount = 58;
    facetCount = 112;

    v[0] = Vertex{0.0, 1.0, 0.0};    // top apex
    v[57] = Vertex{0.0, -1.0, 0.0};  // bottom apex
    int32_t above = 0;
    for (int32_t j = 0; j < 7; ++j) {
        above += weights[j];
        const double y = 1.0 - (2.0 * above) / 140.0;
        const double r = radii[j];
        for (int32_t k = 0; k < 8; ++k) {
            // each ring is turned by 22.5° against the one above
            const double phi = (k / 4.0 + 2.0 - j / 8.0) * kPi;
            v[8 * j + k + 1] = Vertex{r * std::cos(phi), y, r * std::sin(phi)};
        }
    }

    for (int32_t k = 0; k < 8; ++k) {
        const int32_t next = (k + 1) % 8;
        setFacet(facets[k], {0, k + 1, next + 1});
        setFacet(facets[104 + k], {57, next + 49, k + 49});
    }
    for (int32_t b = 0; b < 6; ++b) {
        const int32_t n = 8 * b + 1;
        for (int32_t k = 0; k < 8; ++k) {
            const int32_t next = (k + 1) % 8;
            setFacet(facets[16 * b + 8 + k], {n + k, n + next + 8, n + next});
            setFacet(facets[16 * b + 16 + k], {n + k, n + k + 8, n + next + 8});
        }
    }
}

void buildDoubleRoseCut(Vertex* vertices, Facet* facets, int32_t& vertexCount,
                        int32_t& facetCount) {
    Vertex* v = vertices;

    vertexCount = 26;
    facetCount = 48;

    // upper dome
    v[0] = Vertex{0.0, 0.8, 0.0};
    for (int32_t k = 0; k < 6; ++k) {
        const double phi = (k * kPi) / 3.0;
        v[k + 1] = Vertex{0.7 * std::cos(phi), 0.4, 0.7 * std::sin(phi)};
    }
    // girdle
    for (int32_t k = 0; k < 6; ++k) {
        const double corner = (k * kPi) / 3.0;
        const double middle = (k / 3.0 + 1.0 / 6.0) * kPi;
        v[2 * k + 7] = Vertex{std::cos(corner), 0.0, std::sin(corner)};
        v[2 * k + 8] = Vertex{std::cos(middle), 0.0, std::sin(middle)};
    }
    // lower dome: the upper one mirrored in the plane y = 0
    for (int32_t i = 0; i <= 6; ++i) v[25 - i] = Vertex{v[i].x, -v[i].y, v[i].z};

    for (int32_t k = 0; k < 6; ++k) {
        const int32_t next = ((k + 1) % 6) + 1;
        setFacet(facets[k], {0, k + 1, next});
        setFacet(facets[k + 6], {2 * k + 8, next, k + 1});
        setFacet(facets[k + 12], {2 * k + 7, 2 * k + 8, k + 1});
        setFacet(facets[k + 18], {2 * k + 8, ((2 * k + 2) % 12) + 7, next});
    }
    // Mirrored facets: upper corners renumbered, order reversed to keep the outward winding.
    for (int32_t i = 0; i < 24; ++i) {
        const Facet& src = facets[i];
        Facet& dst = facets[47 - i];
        const int32_t c = src.vertexCount;
        dst.vertexCount = c;
        for (int32_t j = 0; j < c; ++j) {
            const int32_t corner = src.vertexIndex[j];
            dst.vertexIndex[c - 1 - j] = corner <= 6 ? 25 - corner : corner;
        }
    }
}

void buildBaguetteCut(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // Half sizes of the 5:2 outline; its corner lies on the unit circle.
    const double bx = 5.0 / std::sqrt(29.0);
    const double bz = 2.0 / std::sqrt(29.0);
    const double levelY[3] = {0.0, 0.2, 0.3};
    const double levelS[3] = {1.0, 0.8, 0.6};
    Vertex* v = vertices;

    vertexCount = 12;
    facetCount = 10;

    for (int32_t l = 0; l < 3; ++l) {
        const double s = levelS[l];
        const double y = levelY[l];
        v[4 * l] = Vertex{-s * bx, y, s * bz};
        v[4 * l + 1] = Vertex{-s * bx, y, -s * bz};
        v[4 * l + 2] = Vertex{s * bx, y, -s * bz};
        v[4 * l + 3] = Vertex{s * bx, y, s * bz};
    }

    setFacet(facets[0], {3, 2, 1, 0});  // flat base in the plane y = 0
    for (int32_t k = 0; k < 8; ++k) {
        const int32_t n = ((k + 1) % 4) + 4 * (k / 4);
        setFacet(facets[k + 1], {k, n, n + 4, k + 4});
    }
    setRunFacet(facets[9], 8, 4);  // table
}

}  // namespace tavrine
