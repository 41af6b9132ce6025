#include "app/view/face_up.h"

#include <cmath>

#include "app/view/view_space.h"

namespace tavrine {

namespace {

Vec3 cross(const Vec3& a, const Vec3& b) {
    return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The view of the axis (stone to eye) and side (the picture's right), with its orientation.
ViewPose viewOf(const Vec3& axis, const Vec3& side) {
    ViewPose pose;
    pose.axisVector = axis;
    pose.sideVector = side;
    pose.orientation = deriveOrientation(axis, side);
    return pose;
}

}  // namespace

Vec3 firstCrownFacetDirection(const ModelRecord& model) {
    for (int32_t f = 0; f < model.facetCount; ++f) {
        Facet facet = model.facets[f];
        computeFacetNormalAndPlane(facet, model.modelVertices);
        const Vec3& n = facet.normal;
        const double across = std::sqrt(n.x * n.x + n.z * n.z);
        // The table faces straight up and the girdle and pavilion not up at all.
        if (n.y > 1e-9 && across > 1e-6) return Vec3{n.x / across, 0.0, n.z / across};
    }
    return Vec3{0.0, 0.0, -1.0};
}

ViewPose faceUpView(const Orientation& stonePose, const Vec3& top) {
    // The stone's corners are turned by the transpose of its pose; so are its directions.
    const Vec3 axis = normalized(applyTranspose(stonePose, Vec3{0.0, 1.0, 0.0}));
    const Vec3 up = normalized(applyTranspose(stonePose, top));
    // The picture's right completes up and the line of sight (away from the eye): R(1,0,0) =
    // R(0,1,0) x R(0,0,1).
    return viewOf(axis, normalized(cross(up, Vec3{-axis.x, -axis.y, -axis.z})));
}

ViewPose tiltedView(const ViewPose& view, double tilt) {
    if (tilt == 0.0) return view;
    // The eye moves down the picture as the stone's top goes away, turning about the side.
    const Vec3 up = applyOrientation(view.orientation, Vec3{0.0, 1.0, 0.0});
    const Vec3& a = view.axisVector;
    const double c = std::cos(tilt);
    const double s = std::sin(tilt);
    const Vec3 axis{c * a.x - s * up.x, c * a.y - s * up.y, c * a.z - s * up.z};
    return viewOf(normalized(axis), view.sideVector);
}

}  // namespace tavrine
