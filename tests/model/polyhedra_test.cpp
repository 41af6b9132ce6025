#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "app/model/builders.h"
#include "app/model/model_record.h"
#include "tests/model/model_checks.h"

namespace tavrine {
namespace {

using test::buildFresh;
using test::length;

struct FixedSolid {
    int32_t index;
    int32_t vertexCount;
    int32_t facetCount;
    std::vector<double> edgeLengths;        // empty where the lengths vary
    bool mirrored;                          // built as a half and completed by point mirroring
    std::map<int32_t, int32_t> facetKinds;  // corner count -> number of facets
};

const std::vector<FixedSolid>& fixedSolids() {
    static const std::vector<FixedSolid> solids = {
        {14, 144, 128, {}, false, {{4, 128}}},
        {15, 32, 60, {0.640852, 0.713644}, true, {{3, 60}}},
        {16, 60, 32, {0.403548}, true, {{5, 12}, {6, 20}}},
        {17, 12, 20, {1.051462}, true, {{3, 20}}},
        {18, 20, 12, {0.713644}, true, {{5, 12}}},
        {19, 6, 8, {1.414214}, false, {{3, 8}}},
        {20, 8, 6, {1.154701}, true, {{4, 6}}},
        {21, 4, 4, {1.632993}, false, {{3, 4}}},
    };
    return solids;
}

std::vector<int32_t> corners(const Facet& f) {
    return std::vector<int32_t>(f.vertexIndex, f.vertexIndex + f.vertexCount);
}

Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(FixedSolids, CountsAndFacetKindsMatchTheTable) {
    for (const FixedSolid& s : fixedSolids()) {
        auto r = buildFresh(s.index);
        EXPECT_EQ(s.vertexCount, r->vertexCount) << modelCaption(s.index);
        EXPECT_EQ(s.facetCount, r->facetCount) << modelCaption(s.index);
        std::map<int32_t, int32_t> kinds;
        for (int32_t i = 0; i < r->facetCount; ++i) ++kinds[r->facets[i].vertexCount];
        EXPECT_EQ(s.facetKinds, kinds) << modelCaption(s.index);
    }
}

TEST(FixedSolids, SatisfyTheRecordInvariantsAndAreClosedConvexSolids) {
    for (const FixedSolid& s : fixedSolids()) {
        auto r = buildFresh(s.index);
        EXPECT_TRUE(
            test::satisfiesInvariants(r->modelVertices, r->facets, r->vertexCount, r->facetCount))
            << modelCaption(s.index);
        EXPECT_TRUE(test::isClosed(r->modelVertices, r->facets, r->vertexCount, r->facetCount))
            << modelCaption(s.index);
        EXPECT_TRUE(test::isConvexSolid(r->modelVertices, r->facets, r->vertexCount, r->facetCount))
            << modelCaption(s.index);
    }
}

TEST(FixedSolids, FacetNormalsPointAwayFromTheOrigin) {
    for (const FixedSolid& s : fixedSolids()) {
        auto r = buildFresh(s.index);
        for (int32_t i = 0; i < r->facetCount; ++i) {
            const Facet& f = r->facets[i];
            const Vertex& p0 = r->modelVertices[f.vertexIndex[0]];
            const Vertex& p1 = r->modelVertices[f.vertexIndex[1]];
            const Vertex& p2 = r->modelVertices[f.vertexIndex[2]];
            EXPECT_GT(dot(cross(sub(p2, p1), sub(p1, p0)), p0), 0.0)
                << modelCaption(s.index) << " facet " << i;
        }
    }
}

TEST(FixedSolids, EveryVertexLiesOnTheCircumsphere) {
    for (const FixedSolid& s : fixedSolids()) {
        auto r = buildFresh(s.index);
        for (int32_t i = 0; i < r->vertexCount; ++i) {
            EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12)
                << modelCaption(s.index) << " vertex " << i;
        }
    }
}

TEST(FixedSolids, EdgeLengthsMatchTheTable) {
    for (const FixedSolid& s : fixedSolids()) {
        if (s.edgeLengths.empty()) continue;
        auto r = buildFresh(s.index);
        const std::vector<double> lengths =
            test::distinctEdgeLengths(r->modelVertices, r->facets, r->vertexCount, r->facetCount);
        ASSERT_EQ(s.edgeLengths.size(), lengths.size()) << modelCaption(s.index);
        for (size_t k = 0; k < lengths.size(); ++k) {
            EXPECT_NEAR(s.edgeLengths[k], lengths[k], 1e-6) << modelCaption(s.index);
        }
    }
}

TEST(FixedSolids, MirroredHalvesAreExactPointImages) {
    for (const FixedSolid& s : fixedSolids()) {
        if (!s.mirrored) continue;
        auto r = buildFresh(s.index);
        const int32_t n = r->vertexCount;
        for (int32_t i = 0; i < n / 2; ++i) {
            const Vertex& v = r->modelVertices[i];
            const Vertex& m = r->modelVertices[n - 1 - i];
            EXPECT_TRUE(m.x == -v.x && m.y == -v.y && m.z == -v.z)
                << modelCaption(s.index) << " vertex " << n - 1 - i;
        }
        const int32_t fc = r->facetCount;
        for (int32_t i = 0; i < fc / 2; ++i) {
            const Facet& f = r->facets[i];
            const Facet& m = r->facets[fc - 1 - i];
            ASSERT_EQ(f.vertexCount, m.vertexCount) << modelCaption(s.index) << " facet " << i;
            for (int32_t j = 0; j < f.vertexCount; ++j) {
                EXPECT_EQ(n - 1 - f.vertexIndex[j], m.vertexIndex[f.vertexCount - 1 - j])
                    << modelCaption(s.index) << " facet " << fc - 1 - i << " corner " << j;
            }
        }
    }
}

TEST(FixedSolids, BuildsReadNothingOfThePreviousModel) {
    for (const FixedSolid& s : fixedSolids()) {
        auto clean = buildFresh(s.index);
        auto dirty = std::make_unique<ModelRecord>();
        std::memset(static_cast<void*>(dirty.get()), 0xC3, sizeof(ModelRecord));
        dirty->modelIndex = s.index;
        buildModel(*dirty, TransformableParams{});
        ASSERT_EQ(clean->vertexCount, dirty->vertexCount);
        ASSERT_EQ(clean->facetCount, dirty->facetCount);
        EXPECT_EQ(0, std::memcmp(clean->modelVertices, dirty->modelVertices,
                                 sizeof(Vertex) * static_cast<size_t>(clean->vertexCount)))
            << modelCaption(s.index);
        EXPECT_EQ(0, std::memcmp(dirty->modelVertices, dirty->baseVertices,
                                 sizeof(Vertex) * static_cast<size_t>(dirty->vertexCount)))
            << modelCaption(s.index);
        for (int32_t i = 0; i < clean->facetCount; ++i) {
            EXPECT_EQ(corners(clean->facets[i]), corners(dirty->facets[i]))
                << modelCaption(s.index) << " facet " << i;
        }
    }
}

TEST(Cube, CornersAndFacesAsListed) {
    auto r = buildFresh(20);
    const double a = 1.0 / std::sqrt(3.0);
    const double expected[8][3] = {{a, a, -a}, {a, -a, -a},  {a, a, a},  {-a, a, -a},
                                   {a, -a, a}, {-a, -a, -a}, {-a, a, a}, {-a, -a, a}};
    for (int32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(expected[i][0], r->modelVertices[i].x) << "vertex " << i;
        EXPECT_EQ(expected[i][1], r->modelVertices[i].y) << "vertex " << i;
        EXPECT_EQ(expected[i][2], r->modelVertices[i].z) << "vertex " << i;
    }
    const std::vector<std::vector<int32_t>> faces = {{0, 1, 4, 2}, {0, 2, 6, 3}, {0, 3, 5, 1},
                                                     {6, 2, 4, 7}, {4, 1, 5, 7}, {5, 3, 6, 7}};
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(faces[i], corners(r->facets[i])) << "facet " << i;
}

TEST(Dodecahedron, GoldenRatioCorners) {
    auto r = buildFresh(18);
    EXPECT_NEAR(0.934172359, r->modelVertices[1].x, 1e-9);
    EXPECT_EQ(0.0, r->modelVertices[1].y);
    EXPECT_NEAR(-0.356822090, r->modelVertices[1].z, 1e-9);
    EXPECT_NEAR(0.934172359, r->modelVertices[2].y, 1e-9);
}

TEST(Icosahedron, FirstVertexIsTheDirectionOfThePentagonCentre) {
    auto r = buildFresh(17);
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    const double u = phi / std::sqrt(1.0 + phi * phi);
    const double w = 1.0 / std::sqrt(1.0 + phi * phi);
    EXPECT_NEAR(0.850650808, u, 1e-9);
    EXPECT_NEAR(u, r->modelVertices[0].x, 1e-15);
    EXPECT_NEAR(w, r->modelVertices[0].y, 1e-15);
    EXPECT_EQ(0.0, r->modelVertices[0].z);
    EXPECT_NEAR(-w, r->modelVertices[1].z, 1e-15);
}

TEST(Hedron60, ApexesStandOverTheCentresOfTheirPentagons) {
    auto hedron = buildFresh(15);
    auto dodecahedron = buildFresh(18);
    // Corners shared with the dodecahedron, its second half renumbered by 12.
    for (int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(0, std::memcmp(&dodecahedron->modelVertices[i], &hedron->modelVertices[i],
                                 sizeof(Vertex)));
        EXPECT_EQ(0, std::memcmp(&dodecahedron->modelVertices[10 + i],
                                 &hedron->modelVertices[22 + i], sizeof(Vertex)));
    }
    for (int32_t f = 0; f < 12; ++f) {
        const Facet& pentagon = dodecahedron->facets[f];
        Vec3 centre{0, 0, 0};
        for (int32_t k = 0; k < 5; ++k) {
            const Vertex& c = dodecahedron->modelVertices[pentagon.vertexIndex[k]];
            centre = {centre.x + c.x, centre.y + c.y, centre.z + c.z};
        }
        // Facets 5f to 5f+4 are the fan over pentagon f, all round apex 10+f.
        const int32_t apex = 10 + f;
        for (int32_t j = 0; j < 5; ++j) {
            const std::vector<int32_t> fan = corners(hedron->facets[5 * f + j]);
            EXPECT_NE(fan.end(), std::find(fan.begin(), fan.end(), apex)) << "pentagon " << f;
        }
        const Vertex& a = hedron->modelVertices[apex];
        EXPECT_NEAR(0.0, length(cross(a, centre)), 1e-12) << "pentagon " << f;
        EXPECT_GT(dot(a, centre), 0.0) << "pentagon " << f;
    }
}

TEST(Hedron32, FirstVertexAndHexagonsAsGiven) {
    auto r = buildFresh(16);
    EXPECT_NEAR(0.652954724, r->modelVertices[0].x, 1e-9);
    EXPECT_NEAR(0.730025574, r->modelVertices[0].y, 1e-9);
    EXPECT_NEAR(-0.201774106, r->modelVertices[0].z, 1e-9);
    EXPECT_EQ((std::vector<int32_t>{0, 5, 9, 11, 10, 1}), corners(r->facets[6]));
    EXPECT_EQ((std::vector<int32_t>{9, 8, 37, 36, 12, 11}), corners(r->facets[11]));
    for (int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ((std::vector<int32_t>{5 * i, 5 * i + 1, 5 * i + 2, 5 * i + 3, 5 * i + 4}),
                  corners(r->facets[i]));
    }
}

TEST(Sphere, IsTheFullEllipsoidOfSixteenByEight) {
    auto sphere = buildFresh(14);
    TransformableParams params;
    params.ellipsoidSurfaces = 16;
    params.ellipsoidRows = 8;
    params.ellipsoidDiameterRatio = 100;
    params.ellipsoidCompressionRatio = 100;
    auto ellipsoid = buildFresh(23, params);
    ASSERT_EQ(sphere->vertexCount, ellipsoid->vertexCount);
    ASSERT_EQ(sphere->facetCount, ellipsoid->facetCount);
    EXPECT_EQ(0, std::memcmp(sphere->modelVertices, ellipsoid->modelVertices,
                             sizeof(Vertex) * static_cast<size_t>(sphere->vertexCount)));
    for (int32_t i = 0; i < sphere->facetCount; ++i) {
        EXPECT_EQ(corners(sphere->facets[i]), corners(ellipsoid->facets[i]));
    }
}

TEST(Sphere, PoleFacetsNeverStartWithBothPoleCorners) {
    auto r = buildFresh(14);
    int32_t poleFacets = 0;
    for (int32_t i = 0; i < r->facetCount; ++i) {
        const Facet& f = r->facets[i];
        int32_t polesInFirstThree = 0;
        int32_t poles = 0;
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            if (std::fabs(r->modelVertices[f.vertexIndex[k]].y) == 1.0) {
                ++poles;
                if (k < 3) ++polesInFirstThree;
            }
        }
        if (poles == 0) continue;
        ++poleFacets;
        EXPECT_EQ(2, poles) << "facet " << i;
        EXPECT_EQ(1, polesInFirstThree) << "facet " << i;
    }
    EXPECT_EQ(32, poleFacets);
}

}  // namespace
}  // namespace tavrine
