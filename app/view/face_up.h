#pragma once
// The face-up view a design is judged in: the table towards the viewer along the line of sight,
// a chosen direction of the stone towards the top of the picture; and that view tilted about the
// picture's horizontal axis.

#include "app/model/model_record.h"
#include "app/view/orientation.h"

namespace tavrine {

// Returns the direction, in the model's frame, of a built-in cut's first crown facet: the
// horizontal part, made unit, of the outward normal of the first facet in list order that faces
// upwards (+y) and to a side; (0, 0, -1) when no facet does.
Vec3 firstCrownFacetDirection(const ModelRecord& model);

// Returns the view that looks straight down onto the table: the model's +y axis, turned by the
// stone pose as the stone's corners are, points to the eye, and the horizontal model direction
// top (a unit vector with y = 0), turned likewise, points to the top of the picture.
ViewPose faceUpView(const Orientation& stonePose, const Vec3& top);

// Returns the view tilted by `tilt` radians about the picture's horizontal axis: a positive tilt
// takes the top of the stone away from the viewer, a negative one towards. A tilt of 0 returns
// the view as it is.
ViewPose tiltedView(const ViewPose& view, double tilt);

}  // namespace tavrine
