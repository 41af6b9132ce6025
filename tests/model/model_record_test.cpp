#include "app/model/model_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "app/model/geometry_steps.h"

namespace tavrine {
namespace {

TEST(BuildModel, SeparatorAndOutOfRangeIndexesLeaveTheRecordUntouched) {
    for (int32_t index : {22, -1, 28, 1000}) {
        auto record = std::make_unique<ModelRecord>();
        std::memset(static_cast<void*>(record.get()), 0xA5, sizeof(ModelRecord));
        auto before = std::make_unique<ModelRecord>();
        std::memcpy(static_cast<void*>(before.get()), record.get(), sizeof(ModelRecord));
        buildModel(index, record->modelVertices, record->baseVertices, record->facets,
                   record->vertexCount, record->facetCount, TransformableParams{});
        EXPECT_EQ(0, std::memcmp(before.get(), record.get(), sizeof(ModelRecord)))
            << "index " << index;
    }
}

TEST(GeometrySteps, QuarterTurnCopyCompletesAFourfoldRing) {
    Vertex v[8] = {{0, 0.5, 1}, {-1, 0.5, 0}};
    quarterTurnCopy(v, 2, 7, -2);
    EXPECT_DOUBLE_EQ(-1, v[2].x);
    EXPECT_DOUBLE_EQ(0, v[2].z);
    EXPECT_DOUBLE_EQ(0, v[4].x);
    EXPECT_DOUBLE_EQ(-1, v[4].z);
    EXPECT_DOUBLE_EQ(1, v[5].x);
    EXPECT_DOUBLE_EQ(0.5, v[7].y);
}

TEST(GeometrySteps, PointMirrorReversesAndRenumbersFacets) {
    Facet f[4] = {};
    f[0].vertexCount = 3;
    f[0].vertexIndex[0] = 0;
    f[0].vertexIndex[1] = 1;
    f[0].vertexIndex[2] = 2;
    f[1].vertexCount = 4;
    for (int k = 0; k < 4; ++k) f[1].vertexIndex[k] = k;
    pointMirrorFacets(f, 10, 4);
    EXPECT_EQ(3, f[3].vertexCount);
    EXPECT_EQ(7, f[3].vertexIndex[0]);
    EXPECT_EQ(8, f[3].vertexIndex[1]);
    EXPECT_EQ(9, f[3].vertexIndex[2]);
    EXPECT_EQ(4, f[2].vertexCount);
    EXPECT_EQ(6, f[2].vertexIndex[0]);
    EXPECT_EQ(9, f[2].vertexIndex[3]);
}

TEST(GeometrySteps, CheckedSqrtRefusesNegativeArguments) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1.0, checkedSqrt(-0.5));
    EXPECT_EQ("Error:Sqr argument is illegal\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(2.0, checkedSqrt(4.0));
}

TEST(GeometrySteps, EighthTurnSineAndCosineAreThoseOf22AndAHalfDegrees) {
    EXPECT_NEAR(std::cos(kPi / 8.0), cos8(), 1e-15);
    EXPECT_NEAR(std::sin(kPi / 8.0), sin8(), 1e-15);
    EXPECT_NEAR(1.0, cos8() * cos8() + sin8() * sin8(), 1e-15);
}

TEST(GeometrySteps, SetFacetWritesTheCornersInTheOrderGiven) {
    Facet f{};
    f.vertexIndex[3] = 77;
    setFacet(f, {9, 4, 12});
    EXPECT_EQ(3, f.vertexCount);
    EXPECT_EQ(9, f.vertexIndex[0]);
    EXPECT_EQ(4, f.vertexIndex[1]);
    EXPECT_EQ(12, f.vertexIndex[2]);
    EXPECT_EQ(77, f.vertexIndex[3]) << "slots past the corner count are left alone";
}

}  // namespace
}  // namespace tavrine
