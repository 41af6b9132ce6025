#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "app/model/model_record.h"
#include "tests/model/model_checks.h"

namespace tavrine {
namespace {

using test::buildFresh;
using test::length;

constexpr double kTol = 1e-9;
constexpr int32_t kEmerald = 7, kScissors = 8, kMazarin = 9, kOldSingle = 10, kBriolette = 11,
                  kDoubleRose = 12, kBaguette = 13;

double ringRadius(const Vertex& v) { return std::sqrt(v.x * v.x + v.z * v.z); }

void expectVertex(const ModelRecord& m, int i, double x, double y, double z) {
    EXPECT_NEAR(x, m.modelVertices[i].x, kTol) << "vertex " << i;
    EXPECT_NEAR(y, m.modelVertices[i].y, kTol) << "vertex " << i;
    EXPECT_NEAR(z, m.modelVertices[i].z, kTol) << "vertex " << i;
}

// Undirected edges by vertex slot (every gem cut keeps one slot per point).
size_t edgeCount(const ModelRecord& m) {
    std::set<std::pair<int, int>> edges;
    for (int32_t i = 0; i < m.facetCount; ++i) {
        const Facet& f = m.facets[i];
        for (int k = 0; k < f.vertexCount; ++k) {
            const int a = f.vertexIndex[k];
            const int b = f.vertexIndex[(k + 1) % f.vertexCount];
            edges.insert({std::min(a, b), std::max(a, b)});
        }
    }
    return edges.size();
}

TEST(GemCuts, BuildTheStatedCounts) {
    const int32_t expected[7][2] = {{58, 57},  {26, 45}, {21, 33}, {17, 17},
                                    {58, 112}, {26, 48}, {12, 10}};
    for (int32_t index = kEmerald; index <= kBaguette; ++index) {
        auto m = buildFresh(index);
        EXPECT_EQ(expected[index - kEmerald][0], m->vertexCount) << "model " << index;
        EXPECT_EQ(expected[index - kEmerald][1], m->facetCount) << "model " << index;
    }
}

TEST(GemCuts, SatisfyTheRecordInvariantsAndClose) {
    for (int32_t index = kEmerald; index <= kBaguette; ++index) {
        auto m = buildFresh(index);
        EXPECT_TRUE(
            test::satisfiesInvariants(m->modelVertices, m->facets, m->vertexCount, m->facetCount))
            << "model " << index;
        EXPECT_TRUE(test::isClosed(m->modelVertices, m->facets, m->vertexCount, m->facetCount))
            << "model " << index;
        EXPECT_EQ(static_cast<size_t>(m->vertexCount + m->facetCount - 2), edgeCount(*m))
            << "model " << index;
    }
}

TEST(GemCuts, EmeraldCutCountsFiftyEightMinusOneHundredThirteenPlusFiftySeven) {
    auto m = buildFresh(kEmerald);
    EXPECT_EQ(113u, edgeCount(*m));
}

TEST(GemCuts, PromisedSolidsAreConvex) {
    for (int32_t index : {kScissors, kMazarin, kOldSingle, kDoubleRose, kBaguette}) {
        auto m = buildFresh(index);
        EXPECT_TRUE(test::isConvexSolid(m->modelVertices, m->facets, m->vertexCount, m->facetCount))
            << "model " << index;
    }
}

TEST(GemCuts, EmeraldAndBrioletteAreReentrantWithinTheStatedBound) {
    for (int32_t index : {kEmerald, kBriolette}) {
        auto m = buildFresh(index);
        const double outside =
            test::maxOutsideDistance(m->modelVertices, m->facets, m->vertexCount, m->facetCount);
        EXPECT_LE(outside, 0.016) << "model " << index;
        EXPECT_GT(outside, 1e-9) << "model " << index;
    }
}

TEST(GemCuts, StayInsideTheCircumsphere) {
    for (int32_t index = kEmerald; index <= kBaguette; ++index) {
        auto m = buildFresh(index);
        double farthest = 0.0;
        for (int32_t i = 0; i < m->vertexCount; ++i) {
            farthest = std::max(farthest, length(m->modelVertices[i]));
        }
        if (index == kOldSingle) {
            EXPECT_NEAR(0.9, farthest, 1e-15);
        } else {
            EXPECT_LE(farthest, 1.0 + 1e-12) << "model " << index;
        }
    }
}

TEST(EmeraldCut, HasTheStatedLevelsAndKeel) {
    auto m = buildFresh(kEmerald);
    const double x = 0.866025404;
    // template point 0 of the table level and of the lower girdle level
    expectVertex(*m, 0, -0.5 * x, 0.4, -0.25);
    expectVertex(*m, 1, -0.5 * (x - 0.2), 0.4, -0.35);
    expectVertex(*m, 37, 0.9 * (x - 0.2), -0.025, 0.63);
    expectVertex(*m, 56, -0.3 * x, -0.7, 0.0);
    expectVertex(*m, 57, 0.3 * x, -0.7, 0.0);
    const double heights[7] = {0.4, 0.33, 0.2, 0.025, -0.025, -0.2, -0.4};
    for (int e = 0; e < 7; ++e) {
        for (int j = 0; j < 8; ++j) EXPECT_EQ(heights[e], m->modelVertices[8 * e + j].y);
    }
}

TEST(ScissorsCut, HasTheStatedOutline) {
    auto m = buildFresh(kScissors);
    const double x = 0.780868809, z = 0.624695048;
    expectVertex(*m, 0, -0.6 * x, 0.25, 0.6 * z);
    expectVertex(*m, 4, 0.0, 0.15, 0.85 * z);
    expectVertex(*m, 9, -x, 0.0, 0.75 * z);
    expectVertex(*m, 16, 0.95 * x, -0.21, 0.0);
    expectVertex(*m, 22, -0.65 * x, -0.35, -0.65 * z);
    expectVertex(*m, 25, -0.3 * x, -0.5, 0.0);
}

TEST(MazarinCut, HasTheStatedCoordinates) {
    auto m = buildFresh(kMazarin);
    expectVertex(*m, 0, 0.0, 0.0, 0.85);
    expectVertex(*m, 3, -0.85, 0.0, 0.0);
    expectVertex(*m, 4, -0.765, 0.0, -0.595);
    expectVertex(*m, 12, -0.390676497, 0.425, 0.390676497);
    expectVertex(*m, 13, -0.390676497, 0.425, -0.390676497);
    expectVertex(*m, 16, -0.425, -0.36635, 0.425);
    expectVertex(*m, 18, 0.425, -0.36635, -0.425);
    expectVertex(*m, 20, 0.0, -0.7327, 0.0);
}

TEST(OldSingleCut, HasTheStatedRings) {
    auto m = buildFresh(kOldSingle);
    for (int k = 0; k < 8; ++k) {
        EXPECT_NEAR(0.9, ringRadius(m->modelVertices[k]), 1e-15) << k;
        EXPECT_NEAR(0.522, ringRadius(m->modelVertices[k + 8]), kTol) << k;
        EXPECT_NEAR(0.36, m->modelVertices[k + 8].y, 1e-15) << k;
    }
    expectVertex(*m, 0, -0.9 * 0.382683432, 0.0, 0.9 * 0.923879533);
    expectVertex(*m, 16, 0.0, -0.7758, 0.0);
}

TEST(BrioletteCut, HasTheStatedRingsTurnedAgainstEachOther) {
    auto m = buildFresh(kBriolette);
    const double heights[7] = {0.857142857,  0.642857143,  0.357142857, 0.0,
                               -0.357142857, -0.642857143, -0.857142857};
    const double radii[7] = {0.1, 0.25, 0.4, 0.53, 0.57, 0.52, 0.3};
    expectVertex(*m, 0, 0.0, 1.0, 0.0);
    expectVertex(*m, 57, 0.0, -1.0, 0.0);
    for (int j = 0; j < 7; ++j) {
        for (int k = 0; k < 8; ++k) {
            const Vertex& v = m->modelVertices[8 * j + k + 1];
            EXPECT_NEAR(heights[j], v.y, kTol) << j << " " << k;
            EXPECT_NEAR(radii[j], ringRadius(v), 1e-15) << j << " " << k;
        }
    }
    // ring 0 starts on +x; every ring is turned back by 22.5° against the one above
    expectVertex(*m, 1, 0.1, 0.857142857, 0.0);
    for (int j = 1; j < 7; ++j) {
        const Vertex& upper = m->modelVertices[8 * (j - 1) + 1];
        const Vertex& lower = m->modelVertices[8 * j + 1];
        double turn = std::atan2(lower.z, lower.x) - std::atan2(upper.z, upper.x);
        if (turn > 3.141592653589793) turn -= 2 * 3.141592653589793;
        if (turn < -3.141592653589793) turn += 2 * 3.141592653589793;
        EXPECT_NEAR(-3.141592653589793 / 8, turn, 1e-12) << "ring " << j;
    }
    for (int32_t i = 0; i < m->facetCount; ++i) EXPECT_EQ(3, m->facets[i].vertexCount) << i;
}

TEST(DoubleRoseCut, IsMirrorSymmetricInTheGirdlePlane) {
    auto m = buildFresh(kDoubleRose);
    const Vertex* v = m->modelVertices;
    for (int i = 0; i <= 6; ++i) {
        EXPECT_EQ(v[i].x, v[25 - i].x) << i;
        EXPECT_EQ(-v[i].y, v[25 - i].y) << i;
        EXPECT_EQ(v[i].z, v[25 - i].z) << i;
    }
    for (int i = 7; i <= 18; ++i) {
        EXPECT_EQ(0.0, v[i].y) << i;
        EXPECT_NEAR(1.0, length(v[i]), 1e-15) << i;
    }
    expectVertex(*m, 0, 0.0, 0.8, 0.0);
    expectVertex(*m, 25, 0.0, -0.8, 0.0);
    expectVertex(*m, 2, 0.35, 0.4, 0.606217783);
    // facet 47 - i is facet i mirrored: the same corners in reverse order, upper ones renumbered
    for (int i = 0; i < 24; ++i) {
        const Facet& up = m->facets[i];
        const Facet& down = m->facets[47 - i];
        ASSERT_EQ(up.vertexCount, down.vertexCount) << i;
        const int c = up.vertexCount;
        for (int k = 0; k < c; ++k) {
            const int a = up.vertexIndex[k];
            EXPECT_EQ(a <= 6 ? 25 - a : a, down.vertexIndex[c - 1 - k]) << i;
        }
    }
}

TEST(BaguetteCut, RestsOnABaseFacetInTheGirdlePlaneFacingDown) {
    auto m = buildFresh(kBaguette);
    const Facet& base = m->facets[0];
    ASSERT_EQ(4, base.vertexCount);
    double lowest = 0.0;
    for (int32_t i = 0; i < m->vertexCount; ++i) lowest = std::min(lowest, m->modelVertices[i].y);
    EXPECT_EQ(0.0, lowest);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(0.0, m->modelVertices[base.vertexIndex[k]].y);
    const Vertex& p0 = m->modelVertices[base.vertexIndex[0]];
    const Vertex& p1 = m->modelVertices[base.vertexIndex[1]];
    const Vertex& p2 = m->modelVertices[base.vertexIndex[2]];
    // y component of (P2 - P1) x (P1 - P0)
    const double ny = (p2.z - p1.z) * (p1.x - p0.x) - (p2.x - p1.x) * (p1.z - p0.z);
    EXPECT_LT(ny, 0.0);
    expectVertex(*m, 0, -0.928476691, 0.0, 0.371390676);
    EXPECT_NEAR(1.0, length(m->modelVertices[0]), 1e-15);
    expectVertex(*m, 10, 0.6 * 0.928476691, 0.3, -0.6 * 0.371390676);
}

}  // namespace
}  // namespace tavrine
