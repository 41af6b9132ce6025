#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/model/builders.h"
#include "app/model/model_record.h"
#include "tests/model/model_checks.h"

namespace tavrine {
namespace {

using test::length;

// A heap record whose every byte holds a pattern, so that untouched entries can be told apart.
std::unique_ptr<ModelRecord> patternedRecord() {
    auto record = std::make_unique<ModelRecord>();
    std::memset(static_cast<void*>(record.get()), 0x5A, sizeof(ModelRecord));
    return record;
}

// The record invariants, closedness and convexity of one built model.
::testing::AssertionResult isSoundSolid(const ModelRecord& r) {
    auto result = test::satisfiesInvariants(r.modelVertices, r.facets, r.vertexCount, r.facetCount);
    if (!result) return result;
    result = test::isClosed(r.modelVertices, r.facets, r.vertexCount, r.facetCount);
    if (!result) return result;
    return test::isConvexSolid(r.modelVertices, r.facets, r.vertexCount, r.facetCount);
}

int32_t distinctPoints(const ModelRecord& r) {
    std::set<std::vector<double>> points;
    for (int32_t i = 0; i < r.vertexCount; ++i) {
        const Vertex& v = r.modelVertices[i];
        points.insert({std::round(v.x * 1e9), std::round(v.y * 1e9), std::round(v.z * 1e9)});
    }
    return static_cast<int32_t>(points.size());
}

std::map<int32_t, int32_t> facetKinds(const ModelRecord& r) {
    std::map<int32_t, int32_t> kinds;
    for (int32_t i = 0; i < r.facetCount; ++i) ++kinds[r.facets[i].vertexCount];
    return kinds;
}

void ellipsoidInto(ModelRecord& r, int32_t n, int32_t m, double p, double q) {
    buildEllipsoid(r.modelVertices, r.facets, r.vertexCount, r.facetCount, n, m, p, q);
}
void prismInto(ModelRecord& r, int32_t n, int32_t h) {
    buildPrism(r.modelVertices, r.facets, r.vertexCount, r.facetCount, n, h);
}
void pyramidInto(ModelRecord& r, int32_t n, int32_t h) {
    buildPyramid(r.modelVertices, r.facets, r.vertexCount, r.facetCount, n, h);
}
void hedron14Into(ModelRecord& r, int32_t t) {
    buildHedron14(r.modelVertices, r.facets, r.vertexCount, r.facetCount, t);
}
void hedron26Into(ModelRecord& r, int32_t t) {
    buildHedron26(r.modelVertices, r.facets, r.vertexCount, r.facetCount, t);
}

std::unique_ptr<ModelRecord> ellipsoid(int32_t n, int32_t m, double p, double q) {
    auto r = patternedRecord();
    ellipsoidInto(*r, n, m, p, q);
    return r;
}

// ---- Ellipsoid ----

TEST(Ellipsoid, ClosedConvexSolidsOverTheDialogRanges) {
    const double ratios[][2] = {{0.05, 0.05}, {0.05, 1.0}, {1.0, 0.05}, {1.0, 1.0}, {0.8, 0.7}};
    testing::internal::CaptureStderr();
    for (int32_t n = 3; n <= 24; ++n) {
        for (int32_t m : {2, 3, 4, 7, 8, 16}) {
            for (const auto& pq : ratios) {
                auto r = ellipsoid(n, m, pq[0], pq[1]);
                const std::string what = "n " + std::to_string(n) + " m " + std::to_string(m) +
                                         " P " + std::to_string(pq[0]) + " Q " +
                                         std::to_string(pq[1]);
                ASSERT_EQ(n * (m + 1), r->vertexCount) << what;
                ASSERT_EQ(n * m, r->facetCount) << what;
                EXPECT_TRUE(isSoundSolid(*r)) << what;
                EXPECT_EQ((std::map<int32_t, int32_t>{{4, n * m}}), facetKinds(*r)) << what;
            }
        }
    }
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST(Ellipsoid, SemiAxesAndPoles) {
    auto r = ellipsoid(4, 2, 0.8, 0.7);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(0.0, r->modelVertices[3 * i].x, 1e-15);
        EXPECT_EQ(1.0, r->modelVertices[3 * i].y);
        EXPECT_EQ(-1.0, r->modelVertices[3 * i + 2].y);
    }
    // Equator of meridian 0 on +x at P, of meridian 1 on +z at P·Q.
    EXPECT_NEAR(0.8, r->modelVertices[1].x, 1e-15);
    EXPECT_NEAR(0.0, r->modelVertices[1].y, 1e-15);
    EXPECT_NEAR(0.56, r->modelVertices[4].z, 1e-15);
    EXPECT_NEAR(0.0, r->modelVertices[4].x, 1e-15);
}

TEST(Ellipsoid, FullRatiosPutEveryVertexOnTheCircumsphere) {
    for (int32_t n : {3, 7, 16, 24}) {
        for (int32_t m : {2, 5, 16}) {
            auto r = ellipsoid(n, m, 1.0, 1.0);
            for (int32_t i = 0; i < r->vertexCount; ++i) {
                EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12) << n << "x" << m;
            }
        }
    }
}

TEST(Ellipsoid, OddRowCountGivesRowsAtNinetyAndThirtyDegrees) {
    auto r = ellipsoid(5, 3, 1.0, 1.0);
    const double heights[] = {1.0, 0.5, -0.5, -1.0};
    for (int32_t i = 0; i < 5; ++i) {
        for (int32_t j = 0; j <= 3; ++j) {
            EXPECT_NEAR(heights[j], r->modelVertices[i * 4 + j].y, 1e-15);
        }
    }
}

// Northern bands start at b, the others at the next meridian's lower corner, and no facet
// has both of its pole slots among its first three corners.
TEST(Ellipsoid, PoleRuleForEvenAndOddRowCounts) {
    for (int32_t m : {2, 3, 8, 9}) {
        const int32_t n = 5;
        auto r = ellipsoid(n, m, 0.8, 0.7);
        for (int32_t k = 0; k < r->facetCount; ++k) {
            const Facet& f = r->facets[k];
            const int32_t j = k % m;
            const int32_t b = (k / m) * (m + 1) + j;
            if (j < m / 2) {
                EXPECT_EQ(b, f.vertexIndex[0]) << "m " << m << " facet " << k;
            } else {
                EXPECT_EQ((b + m + 2) % r->vertexCount, f.vertexIndex[0])
                    << "m " << m << " facet " << k;
            }
            int32_t polesInFirstThree = 0;
            for (int32_t c = 0; c < 3; ++c) {
                if (std::fabs(r->modelVertices[f.vertexIndex[c]].y) == 1.0) ++polesInFirstThree;
            }
            EXPECT_LE(polesInFirstThree, 1) << "m " << m << " facet " << k;
        }
    }
}

TEST(Ellipsoid, SmallestShapeOfTheDialog) {
    auto r = ellipsoid(3, 2, 0.05, 0.05);
    EXPECT_EQ(9, r->vertexCount);
    EXPECT_EQ(6, r->facetCount);
    for (int32_t k = 0; k < r->facetCount; ++k) {
        const Vertex* c[3];
        for (int32_t i = 0; i < 3; ++i) c[i] = &r->modelVertices[r->facets[k].vertexIndex[i]];
        for (int32_t i = 0; i < 3; ++i) {
            const Vertex& a = *c[i];
            const Vertex& b = *c[(i + 1) % 3];
            const Vertex d{a.x - b.x, a.y - b.y, a.z - b.z};
            EXPECT_GT(length(d), 1e-3) << "facet " << k;
        }
    }
    EXPECT_TRUE(isSoundSolid(*r));
}

TEST(Ellipsoid, LargestShapeOfTheDialog) {
    auto r = ellipsoid(24, 16, 0.8, 0.7);
    EXPECT_EQ(408, r->vertexCount);
    EXPECT_EQ(384, r->facetCount);
    EXPECT_TRUE(isSoundSolid(*r));
    // Entries past the counts stay untouched.
    auto pattern = patternedRecord();
    EXPECT_EQ(0, std::memcmp(&pattern->modelVertices[408], &r->modelVertices[408], sizeof(Vertex)));
    EXPECT_EQ(0, std::memcmp(&pattern->facets[384], &r->facets[384], sizeof(Facet)));
}

// ---- Prism and pyramid ----

TEST(Prism, ClosedConvexOnTheCircumsphereForEverySideCountAndHeight) {
    testing::internal::CaptureStderr();
    for (int32_t n = 3; n <= 16; ++n) {
        for (int32_t h : {5, 70, 95}) {
            auto r = patternedRecord();
            prismInto(*r, n, h);
            ASSERT_EQ(2 * n, r->vertexCount) << n << " sides, r " << h;
            ASSERT_EQ(n + 2, r->facetCount) << n << " sides, r " << h;
            EXPECT_TRUE(isSoundSolid(*r)) << n << " sides, r " << h;
            EXPECT_EQ(n, r->facets[0].vertexCount);
            EXPECT_EQ(n, r->facets[1].vertexCount);
            for (int32_t i = 0; i < n; ++i) {
                EXPECT_EQ(-h / 100.0, r->modelVertices[i].x);
                EXPECT_EQ(h / 100.0, r->modelVertices[n + i].x);
            }
            for (int32_t i = 0; i < r->vertexCount; ++i) {
                EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12) << n << " sides, r " << h;
            }
        }
    }
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST(Prism, SixteenSidesAtNinetyFivePercent) {
    auto r = patternedRecord();
    prismInto(*r, 16, 95);
    EXPECT_EQ(32, r->vertexCount);
    EXPECT_EQ(18, r->facetCount);
    EXPECT_EQ((std::map<int32_t, int32_t>{{4, 16}, {16, 2}}), facetKinds(*r));
    for (int32_t i = 0; i < 32; ++i) EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12);
    EXPECT_TRUE(isSoundSolid(*r));
}

TEST(Pyramid, ClosedConvexWithTheBaseOnTheCircumsphere) {
    for (int32_t n = 3; n <= 16; ++n) {
        for (int32_t h : {5, 70, 95}) {
            auto r = patternedRecord();
            pyramidInto(*r, n, h);
            ASSERT_EQ(n + 1, r->vertexCount) << n << " sides, r " << h;
            ASSERT_EQ(n + 1, r->facetCount) << n << " sides, r " << h;
            EXPECT_TRUE(isSoundSolid(*r)) << n << " sides, r " << h;
            std::map<int32_t, int32_t> kinds{{3, n}};
            ++kinds[n];  // the base; with three sides a fourth triangle
            EXPECT_EQ(kinds, facetKinds(*r)) << n << " sides";
            for (int32_t i = 0; i < n; ++i) {
                EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12) << n << " sides, r " << h;
            }
            const Vertex& apex = r->modelVertices[n];
            EXPECT_EQ(h / 100.0, apex.x);
            EXPECT_EQ(0.0, apex.y);
            EXPECT_EQ(0.0, apex.z);
        }
    }
}

TEST(Pyramid, ApexAtFivePercent) {
    auto r = patternedRecord();
    pyramidInto(*r, 6, 5);
    EXPECT_EQ(0.05, r->modelVertices[6].x);
    EXPECT_EQ(0.0, r->modelVertices[6].y);
    EXPECT_EQ(0.0, r->modelVertices[6].z);
    for (int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(-0.05, r->modelVertices[i].x);
        EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12);
    }
}

// ---- 14 and 26 hedra ----

TEST(Hedron14, ClosedConvexOnTheCircumsphereOverTheRange) {
    for (int32_t t : {5, 50, 87, 95}) {
        auto r = patternedRecord();
        hedron14Into(*r, t);
        ASSERT_EQ(36, r->vertexCount) << "t " << t;
        ASSERT_EQ(14, r->facetCount) << "t " << t;
        EXPECT_EQ(24, distinctPoints(*r)) << "t " << t;
        EXPECT_EQ((std::map<int32_t, int32_t>{{3, 8}, {8, 6}}), facetKinds(*r)) << "t " << t;
        EXPECT_TRUE(isSoundSolid(*r)) << "t " << t;
        for (int32_t i = 0; i < 36; ++i) {
            EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12) << "t " << t << " vertex " << i;
        }
    }
}

TEST(Hedron14, CornerAtFiftyPercent) {
    auto r = patternedRecord();
    hedron14Into(*r, 50);
    EXPECT_NEAR(0.288675, r->modelVertices[0].x, 1e-6);
    EXPECT_NEAR(0.677003, r->modelVertices[0].y, 1e-6);
    EXPECT_NEAR(0.677003, r->modelVertices[0].z, 1e-6);
    // The octagon on y = c.
    for (int32_t k = 0; k < 8; ++k) {
        EXPECT_EQ(r->modelVertices[0].y, r->modelVertices[r->facets[0].vertexIndex[k]].y);
    }
}

TEST(Hedron26, ClosedConvexOnTheCircumsphereOverTheRange) {
    for (int32_t t : {5, 50, 87, 95}) {
        auto r = patternedRecord();
        hedron26Into(*r, t);
        ASSERT_EQ(24, r->vertexCount) << "t " << t;
        ASSERT_EQ(26, r->facetCount) << "t " << t;
        EXPECT_EQ(24, distinctPoints(*r)) << "t " << t;
        EXPECT_EQ((std::map<int32_t, int32_t>{{3, 8}, {4, 18}}), facetKinds(*r)) << "t " << t;
        EXPECT_TRUE(isSoundSolid(*r)) << "t " << t;
        for (int32_t i = 0; i < 24; ++i) {
            EXPECT_NEAR(1.0, length(r->modelVertices[i]), 1e-12) << "t " << t << " vertex " << i;
        }
    }
}

TEST(Hedron26, CornerAtTheDefaultAndSquaresOnTheCubeFaces) {
    auto r = patternedRecord();
    hedron26Into(*r, 87);
    const double a = 0.502295;
    const double c = 0.703847;
    EXPECT_NEAR(-a, r->modelVertices[0].x, 1e-6);
    EXPECT_NEAR(c, r->modelVertices[0].y, 1e-6);
    EXPECT_NEAR(a, r->modelVertices[0].z, 1e-6);
    // Facets 0 to 2 and their mirror images 23 to 25 are squares of side 2a.
    for (int32_t f : {0, 1, 2, 23, 24, 25}) {
        const Facet& s = r->facets[f];
        for (int32_t k = 0; k < 4; ++k) {
            const Vertex& p = r->modelVertices[s.vertexIndex[k]];
            const Vertex& q = r->modelVertices[s.vertexIndex[(k + 1) % 4]];
            EXPECT_NEAR(2 * a, length(Vertex{p.x - q.x, p.y - q.y, p.z - q.z}), 1e-6)
                << "facet " << f;
        }
    }
}

// ---- Refusals ----

TEST(TransformableModels, RefusedParametersLeaveTheRecordByteIdentical) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    using Build = std::function<void(ModelRecord&)>;
    const std::vector<std::pair<std::string, Build>> refused = {
        {"prism n 2", [](ModelRecord& r) { prismInto(r, 2, 70); }},
        {"prism n 17", [](ModelRecord& r) { prismInto(r, 17, 70); }},
        {"prism r 4", [](ModelRecord& r) { prismInto(r, 6, 4); }},
        {"prism r 100", [](ModelRecord& r) { prismInto(r, 6, 100); }},
        {"pyramid n 17", [](ModelRecord& r) { pyramidInto(r, 17, 70); }},
        {"pyramid n 0", [](ModelRecord& r) { pyramidInto(r, 0, 70); }},
        {"pyramid r 96", [](ModelRecord& r) { pyramidInto(r, 6, 96); }},
        {"pyramid r -5", [](ModelRecord& r) { pyramidInto(r, 6, -5); }},
        {"ellipsoid n 2", [](ModelRecord& r) { ellipsoidInto(r, 2, 8, 0.8, 0.7); }},
        {"ellipsoid n 25", [](ModelRecord& r) { ellipsoidInto(r, 25, 8, 0.8, 0.7); }},
        {"ellipsoid m 0", [](ModelRecord& r) { ellipsoidInto(r, 16, 0, 0.8, 0.7); }},
        {"ellipsoid m 1", [](ModelRecord& r) { ellipsoidInto(r, 16, 1, 0.8, 0.7); }},
        {"ellipsoid m 17", [](ModelRecord& r) { ellipsoidInto(r, 16, 17, 0.8, 0.7); }},
        {"ellipsoid P 0.04", [](ModelRecord& r) { ellipsoidInto(r, 16, 8, 0.04, 0.7); }},
        {"ellipsoid P 1.01", [](ModelRecord& r) { ellipsoidInto(r, 16, 8, 1.01, 0.7); }},
        {"ellipsoid Q 0", [](ModelRecord& r) { ellipsoidInto(r, 16, 8, 0.8, 0.0); }},
        {"ellipsoid Q NaN", [nan](ModelRecord& r) { ellipsoidInto(r, 16, 8, 0.8, nan); }},
        {"14 hedron t 4", [](ModelRecord& r) { hedron14Into(r, 4); }},
        {"14 hedron t 100", [](ModelRecord& r) { hedron14Into(r, 100); }},
        {"26 hedron t 0", [](ModelRecord& r) { hedron26Into(r, 0); }},
        {"26 hedron t 96", [](ModelRecord& r) { hedron26Into(r, 96); }},
    };
    auto before = patternedRecord();
    for (const auto& [what, build] : refused) {
        auto r = patternedRecord();
        build(*r);
        EXPECT_EQ(0, std::memcmp(before.get(), r.get(), sizeof(ModelRecord))) << what;
    }
}

TEST(TransformableModels, RefusalThroughBuildModelKeepsThePreviousModel) {
    // A patterned record holding the cube, then requests the dialog cannot produce.
    auto r = patternedRecord();
    r->modelIndex = 20;
    buildModel(*r, TransformableParams{});
    auto before = patternedRecord();
    TransformableParams bad;
    bad.ellipsoidRows = 1;
    bad.prismSides = 17;
    bad.pyramidHeightRatio = 100;
    bad.hedron14Keep = 100;
    bad.hedron26Keep = 0;
    for (int32_t index : {23, 24, 25, 26, 27}) {
        r->modelIndex = index;
        std::memcpy(before.get(), r.get(), sizeof(ModelRecord));
        buildModel(*r, bad);
        EXPECT_EQ(0, std::memcmp(before.get(), r.get(), sizeof(ModelRecord))) << "index " << index;
        EXPECT_EQ(8, r->vertexCount);
        EXPECT_EQ(6, r->facetCount);
    }

    // On a turned stone the dispatcher's copy puts the unturned vertices back into
    // baseVertices; the caller turns them into the current pose afterwards.
    for (int32_t i = 0; i < r->vertexCount; ++i) r->baseVertices[i].x = 7.0;
    r->modelIndex = 24;
    buildModel(*r, bad);
    EXPECT_EQ(0, std::memcmp(r->modelVertices, r->baseVertices, sizeof(Vertex) * 8));
}

TEST(TransformableModels, DefaultsBuildThroughTheDispatcher) {
    const std::map<int32_t, std::pair<int32_t, int32_t>> counts = {
        {23, {144, 128}}, {24, {12, 8}}, {25, {7, 7}}, {26, {36, 14}}, {27, {24, 26}}};
    for (const auto& [index, vf] : counts) {
        auto r = test::buildFresh(index);
        EXPECT_EQ(vf.first, r->vertexCount) << modelCaption(index);
        EXPECT_EQ(vf.second, r->facetCount) << modelCaption(index);
        EXPECT_TRUE(isSoundSolid(*r)) << modelCaption(index);
        EXPECT_EQ(0, std::memcmp(r->modelVertices, r->baseVertices,
                                 sizeof(Vertex) * static_cast<size_t>(r->vertexCount)));
    }
}

}  // namespace
}  // namespace tavrine
