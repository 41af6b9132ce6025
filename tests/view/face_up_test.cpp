#include "app/view/face_up.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/model/gemcad_design.h"
#include "app/view/view_space.h"

namespace tavrine {
namespace {

Vec3 centre(const Facet& facet, const Vertex* vertices) {
    Vec3 c{0.0, 0.0, 0.0};
    for (int32_t k = 0; k < facet.vertexCount; ++k) {
        const Vertex& v = vertices[facet.vertexIndex[k]];
        c = Vec3{c.x + v.x / facet.vertexCount, c.y + v.y / facet.vertexCount,
                 c.z + v.z / facet.vertexCount};
    }
    return c;
}

// The brilliant in a turned pose, seen face-up: its table (facet 0) faces the eye squarely and its
// first star (facet 1, the first crown facet) points to the top of the picture. Tilted, the top
// goes away from the eye for a positive angle and comes nearer for a negative one; a tilt of 0
// changes nothing.
TEST(FaceUpView, TableFacesTheEyeAndTheFirstCrownFacetIsAtTheTop) {
    auto model = std::make_unique<ModelRecord>();
    model->modelIndex = 0;
    buildModel(*model, TransformableParams{});
    StonePose pose;
    TurnFlags flags;
    flags.left = flags.up = true;
    for (int i = 0; i < 7; ++i) composeStep(pose, keyStep(flags));
    turnStoneIntoBase(*model, pose.orientation);
    std::vector<Vertex> view(kMaxVertices);

    const ViewPose faceUp = faceUpView(pose.orientation, firstCrownFacetDirection(*model));
    prepareViewSpace(*model, faceUp.orientation, view.data());
    const Vec3 table = model->facets[0].normal;
    EXPECT_NEAR(table.x, 0.0, 1e-12);
    EXPECT_NEAR(table.y, 0.0, 1e-12);
    EXPECT_NEAR(table.z, -1.0, 1e-12);
    const Vec3 star = model->facets[1].normal;
    EXPECT_NEAR(star.x, 0.0, 1e-12);
    EXPECT_GT(star.y, 0.1);
    const double starDepth = centre(model->facets[1], view.data()).z;

    const ViewPose same = tiltedView(faceUp, 0.0);
    EXPECT_EQ(std::memcmp(&same.orientation, &faceUp.orientation, sizeof same.orientation), 0);
    for (const double tilt : {0.2, -0.2}) {
        prepareViewSpace(*model, tiltedView(faceUp, tilt).orientation, view.data());
        const Vec3 tilted = model->facets[0].normal;
        EXPECT_NEAR(tilted.y, std::sin(tilt), 1e-12) << tilt;
        EXPECT_NEAR(tilted.x, 0.0, 1e-12) << tilt;
        EXPECT_EQ(centre(model->facets[1], view.data()).z > starDepth, tilt > 0.0) << tilt;
    }
}

// The direction of a gear index is the one in which a facet cut at that index faces, whichever
// way the gear counts and wherever its offset stands.
TEST(FaceUpView, GearIndexDirectionIsWhereTheFacetCutThereFaces) {
    for (const int32_t teeth : {96, -80}) {
        GemCadDesign design;
        design.gearTeeth = teeth;
        design.gearOffset = 7.0;
        DesignTier pavilion, crown, table;
        pavilion.angle = -45.0;
        pavilion.pavilion = true;
        pavilion.distance = 0.7;
        pavilion.indexes = {0.0, 10.0, 20.0, 30.0, 40.0, 50.0, 60.0, 70.0};
        crown = pavilion;
        crown.angle = 40.0;
        crown.pavilion = false;
        table.distance = 0.4;
        table.indexes = {0.0};
        design.tiers = {pavilion, crown, table};
        auto model = std::make_unique<ModelRecord>();
        DesignSummary summary;
        std::string error;
        ASSERT_TRUE(buildDesignModel(design, "test.asc", model->modelVertices, model->facets,
                                     model->vertexCount, model->facetCount, &summary, &error))
            << error;
        for (size_t k = 0; k < 8; ++k) {
            const Vec3 n = summary.planes[k].normal;
            const double across = std::sqrt(n.x * n.x + n.z * n.z);
            const Vec3 d = gearIndexDirection(design, pavilion.indexes[k]);
            EXPECT_NEAR(n.x / across, d.x, 1e-12) << teeth << " index " << k;
            EXPECT_NEAR(n.z / across, d.z, 1e-12) << teeth << " index " << k;
            EXPECT_EQ(d.y, 0.0);
        }
    }
}

}  // namespace
}  // namespace tavrine
