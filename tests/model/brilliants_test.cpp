#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/model/model_record.h"
#include "tests/model/model_checks.h"

namespace tavrine {
namespace {

using test::buildFresh;
using test::length;

constexpr double kTol = 1e-9;
// The Cushion's bezel facets bend by 0.02123 (0.021 to three places): the corner on the
// girdle lies that far off the plane of the first three corners.
constexpr double kCushionBend = 0.0213;

double ringRadius(const Vertex& v) { return std::sqrt(v.x * v.x + v.z * v.z); }

void expectVertex(const ModelRecord& m, int i, double x, double y, double z) {
    EXPECT_NEAR(x, m.modelVertices[i].x, kTol) << "vertex " << i;
    EXPECT_NEAR(y, m.modelVertices[i].y, kTol) << "vertex " << i;
    EXPECT_NEAR(z, m.modelVertices[i].z, kTol) << "vertex " << i;
}

// The largest distance of a facet corner from the plane through the facet's first three.
double facetBend(const Vertex* v, const Facet& f) {
    const Vertex& p0 = v[f.vertexIndex[0]];
    const Vertex& p1 = v[f.vertexIndex[1]];
    const Vertex& p2 = v[f.vertexIndex[2]];
    const double ax = p2.x - p1.x, ay = p2.y - p1.y, az = p2.z - p1.z;
    const double bx = p1.x - p0.x, by = p1.y - p0.y, bz = p1.z - p0.z;
    const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
    const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
    double worst = 0.0;
    for (int k = 3; k < f.vertexCount; ++k) {
        const Vertex& p = v[f.vertexIndex[k]];
        const double d = ((p.x - p0.x) * nx + (p.y - p0.y) * ny + (p.z - p0.z) * nz) / nl;
        worst = std::max(worst, std::fabs(d));
    }
    return worst;
}

bool sameFacetLists(const ModelRecord& a, const ModelRecord& b) {
    if (a.facetCount != b.facetCount) return false;
    for (int32_t i = 0; i < a.facetCount; ++i) {
        const Facet& fa = a.facets[i];
        const Facet& fb = b.facets[i];
        if (fa.vertexCount != fb.vertexCount) return false;
        for (int k = 0; k < fa.vertexCount; ++k) {
            if (fa.vertexIndex[k] != fb.vertexIndex[k]) return false;
        }
    }
    return true;
}

TEST(BrilliantCuts, BuildTheStatedCounts) {
    const int32_t expected[7][2] = {{41, 57},  {41, 57},  {61, 81}, {61, 81},
                                    {89, 137}, {89, 137}, {41, 57}};
    for (int32_t index = 0; index <= 6; ++index) {
        auto m = buildFresh(index);
        EXPECT_EQ(expected[index][0], m->vertexCount) << "model " << index;
        EXPECT_EQ(expected[index][1], m->facetCount) << "model " << index;
    }
}

TEST(BrilliantCuts, SatisfyTheRecordInvariantsAndClose) {
    for (int32_t index = 0; index <= 6; ++index) {
        auto m = buildFresh(index);
        const double planeTolerance = index == 6 ? kCushionBend : 1e-9;
        EXPECT_TRUE(test::satisfiesInvariants(m->modelVertices, m->facets, m->vertexCount,
                                              m->facetCount, planeTolerance))
            << "model " << index;
        EXPECT_TRUE(test::isClosed(m->modelVertices, m->facets, m->vertexCount, m->facetCount))
            << "model " << index;
        EXPECT_EQ(0, std::memcmp(m->modelVertices, m->baseVertices,
                                 sizeof(Vertex) * static_cast<size_t>(m->vertexCount)))
            << "model " << index;
        for (int32_t i = 0; i < m->vertexCount; ++i) {
            EXPECT_LE(length(m->modelVertices[i]), 1.0 + 1e-12)
                << "model " << index << " vertex " << i;
        }
    }
}

TEST(BrilliantCuts, RoundAndOvalBrilliantsAreConvexSolids) {
    for (int32_t index = 0; index <= 5; ++index) {
        auto m = buildFresh(index);
        EXPECT_TRUE(test::isConvexSolid(m->modelVertices, m->facets, m->vertexCount, m->facetCount))
            << "model " << index;
    }
}

TEST(BrilliantCuts, RoundBrilliantsTouchTheCircumsphereAtEveryGirdlePoint) {
    struct Girdle {
        int32_t index, first, count;
    };
    for (const Girdle g : {Girdle{0, 16, 16}, Girdle{2, 0, 20}, Girdle{4, 0, 32}}) {
        auto m = buildFresh(g.index);
        for (int32_t i = g.first; i < g.first + g.count; ++i) {
            EXPECT_NEAR(1.0, length(m->modelVertices[i]), 1e-15)
                << "model " << g.index << " vertex " << i;
            EXPECT_EQ(0.0, m->modelVertices[i].y) << "model " << g.index << " vertex " << i;
        }
    }
}

TEST(BrilliantCut, HasTheStatedCoordinates) {
    auto m = buildFresh(0);
    expectVertex(*m, 0, 0.0, 0.324, 0.56);
    expectVertex(*m, 8, -0.301711113, 0.2, 0.728395062);
    expectVertex(*m, 32, -0.125897858, -0.6, 0.303944316);
    expectVertex(*m, 40, 0.0, -0.862, 0.0);
    EXPECT_NEAR(0.788409134, ringRadius(m->modelVertices[8]), kTol);
    EXPECT_NEAR(0.328986956, ringRadius(m->modelVertices[32]), kTol);
    // the table is an octagon of radius 0.56 and the first girdle point lies on +z
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(0.56, ringRadius(m->modelVertices[i]), 1e-15);
    expectVertex(*m, 16, 0.0, 0.0, 1.0);
    expectVertex(*m, 18, -0.707106781, 0.0, 0.707106781);
    // the crown ring's neighbours of vertex 8, a quarter turn on
    expectVertex(*m, 10, -0.728395062, 0.2, -0.301711113);
}

TEST(BrilliantCut, TableFacesUpAndCuletIsTheLowestPoint) {
    auto m = buildFresh(0);
    const Facet& table = m->facets[0];
    ASSERT_EQ(8, table.vertexCount);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(k, table.vertexIndex[k]);
    for (int32_t i = 0; i < m->vertexCount; ++i) {
        EXPECT_GE(m->modelVertices[i].y, -0.862) << "vertex " << i;
        EXPECT_LE(m->modelVertices[i].y, 0.324) << "vertex " << i;
    }
}

TEST(BrilliantCut2, HasTheStatedRingsAndRadii) {
    auto m = buildFresh(2);
    const Vertex* v = m->modelVertices;
    for (int k = 0; k < 10; ++k) {
        EXPECT_NEAR(0.85, ringRadius(v[20 + k]), kTol) << k;
        EXPECT_EQ(0.2, v[20 + k].y);
        EXPECT_NEAR(0.693436862, ringRadius(v[30 + k]), kTol) << k;
        EXPECT_EQ(0.32, v[30 + k].y);
        EXPECT_NEAR(0.532496077, ringRadius(v[40 + k]), kTol) << k;
        EXPECT_EQ(0.4, v[40 + k].y);
        EXPECT_NEAR(0.420584890, ringRadius(v[50 + k]), kTol) << k;
        EXPECT_EQ(-0.5172, v[50 + k].y);
    }
    expectVertex(*m, 60, 0.0, -0.862, 0.0);
    // azimuth 0 is +z, 90° (girdle point 5) is -x; the second crown ring sits at 18°
    expectVertex(*m, 0, 0.0, 0.0, 1.0);
    expectVertex(*m, 5, -1.0, 0.0, 0.0);
    expectVertex(*m, 30, -0.693436862 * std::sin(0.3141592653589793), 0.32,
                 0.693436862 * std::cos(0.3141592653589793));
    // the decagon table is the last facet
    const Facet& table = m->facets[80];
    ASSERT_EQ(10, table.vertexCount);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(40 + k, table.vertexIndex[k]);
}

TEST(BrilliantCut3, HasTheStatedRingsAndRadii) {
    auto m = buildFresh(4);
    const Vertex* v = m->modelVertices;
    for (int k = 0; k < 8; ++k) {
        EXPECT_NEAR(0.788409134, ringRadius(v[32 + k]), kTol) << k;
        EXPECT_NEAR(0.56, ringRadius(v[40 + k]), kTol) << k;
        EXPECT_EQ(0.324, v[40 + k].y);
        EXPECT_NEAR(0.234769127, ringRadius(v[80 + k]), kTol) << k;
        EXPECT_NEAR(-0.694065402, v[80 + k].y, kTol) << k;
    }
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(0.8, ringRadius(v[48 + k]), kTol) << k;
        EXPECT_NEAR(-0.2155, v[48 + k].y, 1e-15) << k;
        EXPECT_NEAR(0.612330804, ringRadius(v[64 + k]), kTol) << k;
        EXPECT_NEAR(-0.3879, v[64 + k].y, 1e-15) << k;
    }
    expectVertex(*m, 88, 0.0, -0.862, 0.0);
    // crown ring at azimuth 0, table turned by 22.5° against it
    expectVertex(*m, 32, 0.0, 0.2, 0.788409134);
    expectVertex(*m, 40, -0.56 * 0.382683432, 0.324, 0.56 * 0.923879533);
    // girdle point 8 is a quarter turn of point 0
    expectVertex(*m, 8, -1.0, 0.0, 0.0);
}

TEST(OvalBrilliants, DifferFromTheirTwinsOnlyInXByEightTenths) {
    for (int32_t round : {0, 2, 4}) {
        auto r = buildFresh(round);
        auto o = buildFresh(round + 1);
        ASSERT_EQ(r->vertexCount, o->vertexCount);
        double minX = 0.0, maxX = 0.0, minZ = 0.0, maxZ = 0.0;
        for (int32_t i = 0; i < r->vertexCount; ++i) {
            const Vertex& a = r->modelVertices[i];
            const Vertex& b = o->modelVertices[i];
            EXPECT_EQ(a.x * 0.8, b.x) << "model " << round << " vertex " << i;
            EXPECT_EQ(a.y, b.y) << "model " << round << " vertex " << i;
            EXPECT_EQ(a.z, b.z) << "model " << round << " vertex " << i;
            minX = std::min(minX, b.x);
            maxX = std::max(maxX, b.x);
            minZ = std::min(minZ, b.z);
            maxZ = std::max(maxZ, b.z);
        }
        EXPECT_TRUE(sameFacetLists(*r, *o)) << "model " << round;
        EXPECT_NEAR(-0.8, minX, 1e-15);
        EXPECT_NEAR(0.8, maxX, 1e-15);
        EXPECT_NEAR(-1.0, minZ, 1e-15);
        EXPECT_NEAR(1.0, maxZ, 1e-15);
    }
}

TEST(AntiqueCushionCut, HasTheStatedCoordinates) {
    auto m = buildFresh(6);
    expectVertex(*m, 16, 0.0, 0.0, 0.840896415);
    expectVertex(*m, 18, -0.707106781, 0.0, 0.707106781);
    expectVertex(*m, 0, 0.0, 0.272450439, 0.56 * 0.840896415);
    expectVertex(*m, 8, -0.477753503, 0.136225219, 0.655899204);
    expectVertex(*m, 9, -0.655899204, 0.136225219, 0.477753503);
    expectVertex(*m, 40, 0.0, -0.724852710, 0.0);
    const Vertex& p = m->modelVertices[32];
    EXPECT_NEAR(-0.504537849, p.y, kTol);
    // the pavilion point at azimuth 22.5° is rho·(ps, pc) with pc, ps the bent cos and sin
    EXPECT_NEAR(0.276643952 * 0.961186523, p.z, 2e-9);
    EXPECT_NEAR(-0.276643952 * 0.618614122, p.x, 2e-9);
    // girdle corners at 45° lie on the circumsphere, the edge middles at 0.840896
    for (int i : {18, 22, 26, 30}) EXPECT_NEAR(1.0, length(m->modelVertices[i]), 1e-15) << i;
    for (int i : {16, 20, 24, 28}) {
        EXPECT_NEAR(0.840896415, length(m->modelVertices[i]), kTol) << i;
    }
    // the girdle lies on the rounded square |x|^4 + |z|^4 = g^4
    const double g4 = std::pow(0.840896415, 4);
    for (int i = 16; i < 32; ++i) {
        const Vertex& v = m->modelVertices[i];
        EXPECT_NEAR(g4, std::pow(std::fabs(v.x), 4) + std::pow(std::fabs(v.z), 4), 1e-8) << i;
    }
}

TEST(AntiqueCushionCut, SharesTheBrilliantsFacetLists) {
    auto cushion = buildFresh(6);
    auto brilliant = buildFresh(0);
    EXPECT_TRUE(sameFacetLists(*cushion, *brilliant));
}

TEST(AntiqueCushionCut, TwelveFacetsBendByAtMostTheStatedAmount) {
    auto m = buildFresh(6);
    int bent = 0;
    double worst = 0.0;
    for (int32_t i = 0; i < m->facetCount; ++i) {
        const double bend = facetBend(m->modelVertices, m->facets[i]);
        worst = std::max(worst, bend);
        if (bend > 1e-9) ++bent;
    }
    EXPECT_EQ(12, bent);
    EXPECT_LE(worst, kCushionBend);
    EXPECT_GT(worst, 0.0205);
}

TEST(AntiqueCushionCut, StandsAtMostSlightlyOutsideItsFacetPlanes) {
    auto m = buildFresh(6);
    const double outside =
        test::maxOutsideDistance(m->modelVertices, m->facets, m->vertexCount, m->facetCount);
    EXPECT_LE(outside, 0.016);
}

}  // namespace
}  // namespace tavrine
