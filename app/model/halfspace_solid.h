#pragma once
// The convex solid that a set of planes encloses: a block from which every plane cuts off the
// part on its outer side, as a faceting machine cuts a rough stone.

#include <cstdint>
#include <string>
#include <vector>

#include "tracer/tvrt.h"

namespace tavrine {

// One cutting plane: the solid keeps the points p with normal . p <= distance. The normal is a
// unit vector.
struct CutPlane {
    Vec3 normal;
    double distance;
};

// One face of the solid: the plane it lies in (an index into the planes given, or -1 to -6 for
// the faces of the starting block) and its corners, indexes into the solid's points, running
// counter-clockwise seen from outside in the right-handed frame.
struct SolidFace {
    int32_t plane = 0;
    std::vector<int32_t> corners;
};

// A convex polyhedron as points and faces; every point is a corner of some face.
struct ConvexSolid {
    std::vector<Vertex> points;
    std::vector<SolidFace> faces;
};

// How the cutting ended.
enum class SolidOutcome {
    Closed,  // every face lies in one of the planes
    Open,    // a face of the starting block remains: the planes leave the solid unbounded
    Empty,   // a plane cut the whole solid away
    Broken,  // a plane left a surface that does not close (planes that nearly coincide)
};

// The result of intersectHalfSpaces.
struct SolidResult {
    SolidOutcome outcome = SolidOutcome::Closed;
    int32_t emptyingPlane = -1;   // with Empty: the plane that left nothing
    int32_t brokenPlane = -1;     // with Broken: the plane whose cut did not close
    Vec3 openDirection{0, 0, 0};  // with Open: outward normal of a block face that remains
};

// Cuts the cube |x|, |y|, |z| <= blockHalfSize by every plane in order and writes the solid.
// A point within tolerance of a plane counts as lying in it, so that planes meeting at one
// point in theory share one corner, and a new corner within tolerance of another corner in the
// plane is that corner; a plane that cuts off less than that changes nothing. A plane that
// coincides with a face already made adds no face. Each new face follows the edges that the cut
// left open, so that every edge keeps its opposite; a cut whose open edges do not form one loop
// ends in Broken. Work is bounded by the number of planes times the size of the solid.
SolidResult intersectHalfSpaces(const std::vector<CutPlane>& planes, double blockHalfSize,
                                double tolerance, ConvexSolid& solid);

// Returns what keeps the faces (corner lists, indexes below pointCount) from bounding a closed
// solid, or "" when they do: every face has at least three distinct corners, every edge is used
// exactly twice in opposite directions, every point is a corner, and V - E + F = 2.
std::string closedSurfaceProblem(const std::vector<std::vector<int32_t>>& faces, size_t pointCount);

}  // namespace tavrine
