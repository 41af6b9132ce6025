#pragma once
// The orientation states of the view, the stone and the light, and the rotation arithmetic.

#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {

// The Euler form of a rotation R: an axis order flag and the cosines and sines of the angles
// about x, y and z.
struct Orientation {
    int32_t order = 0;                      // 0 or 1
    double cosines[3] = {1.0, 1.0, 1.0};    // Cx, Cy, Cz
    double sines[3] = {0.0, 0.0, 0.0};      // Sx, Sy, Sz
};

// Elevation, azimuth and a third angle (always 0), in radians.
struct TurntableAngles {
    double elevation = 0.0;
    double azimuth = 0.0;
    double third = 0.0;
};

// The view point: R*(0,0,-1) = axisVector points from the stone to the eye, R*(1,0,0) =
// sideVector is the image's rightward direction, both in model coordinates.
struct ViewPose {
    Vec3 axisVector{0.0, 0.0, -1.0};
    Vec3 sideVector{1.0, 0.0, 0.0};
    Orientation orientation;
    TurntableAngles turntableAngles;
};

// The pose of the stone itself ("SY" turns).
struct StonePose {
    Vec3 axisVector{0.0, 0.0, -1.0};
    Vec3 sideVector{1.0, 0.0, 0.0};
    Orientation orientation;
};

// The light ray's angles: elevation, azimuth, third (always 0), in radians.
using LightAngles = TurntableAngles;

}  // namespace tavrine
