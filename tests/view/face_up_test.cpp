#include "app/view/face_up.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/view/view_space.h"

namespace tavrine {
namespace {

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
    // The star's outer corner, at the top of the picture.
    const int32_t corner = model->facets[1].vertexIndex[2];
    const double starDepth = view[corner].z;

    const ViewPose same = tiltedView(faceUp, 0.0);
    EXPECT_EQ(std::memcmp(&same.orientation, &faceUp.orientation, sizeof same.orientation), 0);
    for (const double tilt : {0.2, -0.2}) {
        prepareViewSpace(*model, tiltedView(faceUp, tilt).orientation, view.data());
        const Vec3 tilted = model->facets[0].normal;
        EXPECT_NEAR(tilted.y, std::sin(tilt), 1e-12) << tilt;
        EXPECT_NEAR(tilted.x, 0.0, 1e-12) << tilt;
        EXPECT_EQ(view[corner].z > starDepth, tilt > 0.0) << tilt;
    }
}

}  // namespace
}  // namespace tavrine
