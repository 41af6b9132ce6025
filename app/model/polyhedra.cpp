// The eight fixed solids: the five regular polyhedra, the 60 hedron (pentakis dodecahedron),
// the 32 hedron (truncated icosahedron) and the sphere. Every vertex lies on the unit
// circumsphere.

#include <cmath>

#include "app/model/builders.h"
#include "app/model/geometry_steps.h"

namespace tavrine {

namespace {

// The direction (u, w, 0) of the centre of the dodecahedron's first pentagon: the mean of the
// x and of the y coordinates of its corners, summed in corner-list order, scaled to length 1.
// The icosahedron, the 60 hedron and the 32 hedron take their vertices from u and w.
void pentagonCentreDirection(const Vertex* dodecahedron, const Facet& pentagon, double& u,
                             double& w) {
    double sumX = 0.0;
    double sumY = 0.0;
    for (int32_t k = 0; k < pentagon.vertexCount; ++k) {
        sumX += dodecahedron[pentagon.vertexIndex[k]].x;
        sumY += dodecahedron[pentagon.vertexIndex[k]].y;
    }
    const double meanX = sumX / 5.0;
    const double meanY = sumY / 5.0;
    const double length = checkedSqrt(meanX * meanX + meanY * meanY);
    u = meanX / length;
    w = meanY / length;
}

}  // namespace

void buildTetrahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    const double a = 1.0 / std::sqrt(3.0);
    vertexCount = 4;
    facetCount = 4;

    // Four alternate corners of the cube inscribed in the circumsphere.
    vertices[0] = Vertex{a, a, -a};
    vertices[1] = Vertex{a, -a, a};
    vertices[2] = Vertex{-a, a, a};
    vertices[3] = Vertex{-a, -a, -a};

    setFacet(facets[0], {0, 1, 2});
    setFacet(facets[1], {1, 0, 3});
    setFacet(facets[2], {2, 3, 0});
    setFacet(facets[3], {3, 2, 1});
}

void buildCube(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    const double a = 1.0 / std::sqrt(3.0);
    vertexCount = 8;
    facetCount = 6;

    // First half of the corners: a·(sx, sy, sz) with one sign flipped for vertices 1 to 3.
    for (int32_t i = 0; i < 4; ++i) {
        const double sx = (i == 3) ? -1.0 : 1.0;
        const double sy = (i == 1) ? -1.0 : 1.0;
        const double sz = (i == 2) ? 1.0 : -1.0;
        vertices[i] = Vertex{a * sx, a * sy, a * sz};
    }

    // The faces x = +a, y = +a and z = -a, all through vertex 0.
    for (int32_t k = 0; k < 3; ++k) {
        setFacet(facets[k], {0, k + 1, 6 - ((k + 2) % 3), ((k + 1) % 3) + 1});
    }

    // The opposite corners and faces by point mirroring.
    pointMirrorVertices(vertices, vertexCount);
    pointMirrorFacets(facets, vertexCount, facetCount);
}

void buildOctahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    vertexCount = 6;
    facetCount = 8;

    // The six unit points on the axes.
    vertices[0] = Vertex{0.0, 1.0, 0.0};
    vertices[1] = Vertex{1.0, 0.0, 0.0};
    vertices[2] = Vertex{0.0, 0.0, 1.0};
    vertices[3] = Vertex{0.0, 0.0, -1.0};
    vertices[4] = Vertex{-1.0, 0.0, 0.0};
    vertices[5] = Vertex{0.0, -1.0, 0.0};

    // Four triangles round the top point, four round the bottom one.
    setFacet(facets[0], {0, 1, 2});
    setFacet(facets[1], {0, 2, 4});
    setFacet(facets[2], {0, 3, 1});
    setFacet(facets[3], {0, 4, 3});
    setFacet(facets[4], {2, 1, 5});
    setFacet(facets[5], {4, 2, 5});
    setFacet(facets[6], {1, 3, 5});
    setFacet(facets[7], {3, 4, 5});
}

void buildDodecahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    const double a = 1.0 / std::sqrt(3.0);
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    const double p = phi / std::sqrt(3.0);
    const double q = 1.0 / (phi * std::sqrt(3.0));
    vertexCount = 20;
    facetCount = 12;

    // First half of the corners: cube corners (±a, ±a, ±a) and the golden-ratio points.
    vertices[0] = Vertex{a, a, -a};
    vertices[1] = Vertex{p, 0.0, -q};
    vertices[2] = Vertex{q, p, 0.0};
    vertices[3] = Vertex{0.0, q, -p};
    vertices[4] = Vertex{p, 0.0, q};
    vertices[5] = Vertex{-q, p, 0.0};
    vertices[6] = Vertex{0.0, -q, -p};
    vertices[7] = Vertex{a, a, a};
    vertices[8] = Vertex{-a, a, -a};
    vertices[9] = Vertex{a, -a, -a};

    // First half of the pentagons.
    setFacet(facets[0], {0, 1, 4, 7, 2});
    setFacet(facets[1], {0, 2, 5, 8, 3});
    setFacet(facets[2], {0, 3, 6, 9, 1});
    setFacet(facets[3], {1, 9, 14, 11, 4});
    setFacet(facets[4], {2, 7, 13, 10, 5});
    setFacet(facets[5], {3, 8, 15, 12, 6});

    // The other half by point mirroring.
    pointMirrorVertices(vertices, vertexCount);
    pointMirrorFacets(facets, vertexCount, facetCount);
}

void buildIcosahedron(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // The dodecahedron first: the centre of its first pentagon gives u and w.
    buildDodecahedron(vertices, facets, vertexCount, facetCount);
    double u = 0.0;
    double w = 0.0;
    pentagonCentreDirection(vertices, facets[0], u, w);

    vertexCount = 12;
    facetCount = 20;

    // First half of the corners, by sign and axis patterns of u and w.
    vertices[0] = Vertex{u, w, 0.0};
    vertices[1] = Vertex{0.0, u, -w};
    vertices[2] = Vertex{w, 0.0, -u};
    vertices[3] = Vertex{u, -w, 0.0};
    vertices[4] = Vertex{w, 0.0, u};
    vertices[5] = Vertex{0.0, u, w};

    // Five triangles round vertex 0, then the five below them.
    setFacet(facets[0], {0, 1, 2});
    setFacet(facets[1], {0, 2, 3});
    setFacet(facets[2], {0, 3, 4});
    setFacet(facets[3], {0, 4, 5});
    setFacet(facets[4], {0, 5, 1});
    setFacet(facets[5], {1, 7, 2});
    setFacet(facets[6], {2, 6, 3});
    setFacet(facets[7], {3, 10, 4});
    setFacet(facets[8], {4, 9, 5});
    setFacet(facets[9], {5, 8, 1});

    // The other half by point mirroring.
    pointMirrorVertices(vertices, vertexCount);
    pointMirrorFacets(facets, vertexCount, facetCount);
}

void buildHedron60(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // The dodecahedron, kept aside because its pentagons are needed while the facets are written.
    Vertex dodecahedron[20];
    Facet pentagons[12];
    int32_t dodecahedronVertexCount = 0;
    int32_t pentagonCount = 0;
    buildDodecahedron(dodecahedron, pentagons, dodecahedronVertexCount, pentagonCount);
    double u = 0.0;
    double w = 0.0;
    pentagonCentreDirection(dodecahedron, pentagons[0], u, w);

    vertexCount = 32;
    facetCount = 60;

    // Vertices 0 to 9: the first half of the dodecahedron.
    for (int32_t i = 0; i < 10; ++i) vertices[i] = dodecahedron[i];

    // Vertices 10 to 15: the apexes, the icosahedron directions through the centres of
    // pentagons 0 to 5 in that order.
    vertices[10] = Vertex{u, w, 0.0};
    vertices[11] = Vertex{0.0, u, -w};
    vertices[12] = Vertex{w, 0.0, -u};
    vertices[13] = Vertex{u, -w, 0.0};
    vertices[14] = Vertex{0.0, u, w};
    vertices[15] = Vertex{-w, 0.0, -u};

    // Facets 0 to 29: a fan of five triangles from each apex over the edges of its pentagon.
    // Dodecahedron vertices 10 to 19 are vertices 22 to 31 here.
    for (int32_t f = 0; f < 6; ++f) {
        int32_t corners[5];
        for (int32_t j = 0; j < 5; ++j) {
            const int32_t c = pentagons[f].vertexIndex[j];
            corners[j] = (c >= 10) ? c + 12 : c;
        }
        for (int32_t j = 0; j < 5; ++j) {
            setFacet(facets[5 * f + j], {10 + f, corners[j], corners[(j + 1) % 5]});
        }
    }

    // The other half (the remaining apexes and dodecahedron corners) by point mirroring.
    pointMirrorVertices(vertices, vertexCount);
    pointMirrorFacets(facets, vertexCount, facetCount);
}

void buildHedron32(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // The icosahedron, kept aside as the frame of the thirds-points.
    Vertex icosahedron[20];
    Facet icosahedronFacets[20];
    int32_t icosahedronVertexCount = 0;
    int32_t icosahedronFacetCount = 0;
    buildIcosahedron(icosahedron, icosahedronFacets, icosahedronVertexCount, icosahedronFacetCount);

    vertexCount = 60;
    facetCount = 32;

    // Vertices 5A to 5A+4: for icosahedron vertex A (0 to 5) and its five neighbours B in the
    // order in which they surround A, the point (2A + B)/3 pushed out onto the circumsphere.
    for (int32_t corner = 0; corner < 6; ++corner) {
        int32_t neighbours[5];
        if (corner == 0) {
            for (int32_t k = 0; k < 5; ++k) neighbours[k] = k + 1;
        } else {
            const int32_t i = corner - 1;
            neighbours[0] = 0;
            neighbours[1] = ((i + 4) % 5) + 1;
            neighbours[2] = 10 - ((i + 2) % 5);
            neighbours[3] = 10 - ((i + 3) % 5);
            neighbours[4] = ((i + 1) % 5) + 1;
        }
        const Vertex& a = icosahedron[corner];
        for (int32_t k = 0; k < 5; ++k) {
            const Vertex& b = icosahedron[neighbours[k]];
            const Vertex third{(2.0 * a.x + b.x) / 3.0, (2.0 * a.y + b.y) / 3.0,
                               (2.0 * a.z + b.z) / 3.0};
            const double length =
                checkedSqrt(third.x * third.x + third.y * third.y + third.z * third.z);
            vertices[5 * corner + k] = Vertex{third.x / length, third.y / length, third.z / length};
        }
    }

    // Facets 0 to 5: the pentagons round icosahedron vertices 0 to 5.
    for (int32_t corner = 0; corner < 6; ++corner) {
        const int32_t s = 5 * corner;
        setFacet(facets[corner], {s, s + 1, s + 2, s + 3, s + 4});
    }

    // Facets 6 to 15: the hexagons over icosahedron facets 0 to 9, each made of the two
    // thirds-points of each edge of that facet.
    for (int32_t i = 0; i < 5; ++i) {
        const int32_t next = (i + 1) % 5;
        const int32_t opposite = 5 * ((i + 3) % 5);
        setFacet(facets[6 + i], {i, 5 * i + 5, 5 * i + 9, 5 * next + 6, 5 * next + 5, next});
        setFacet(facets[11 + i],
                 {5 * i + 9, 5 * i + 8, 52 - opposite, 51 - opposite, 5 * next + 7, 5 * next + 6});
    }

    // The other half by point mirroring.
    pointMirrorVertices(vertices, vertexCount);
    pointMirrorFacets(facets, vertexCount, facetCount);
}

void buildSphere(Vertex* vertices, Facet* facets, int32_t& vertexCount, int32_t& facetCount) {
    // The ellipsoid with 16 meridians, 8 bands and both semi-axis factors 1.
    buildEllipsoid(vertices, facets, vertexCount, facetCount, 16, 8, 1.0, 1.0);
}

}  // namespace tavrine
