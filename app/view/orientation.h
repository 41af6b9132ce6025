#pragma once
// The orientation states of the view, the stone and the light, and the rotation arithmetic.

#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {

// The Euler form of a rotation R: an axis order flag and the cosines and sines of the angles
// about x, y and z.
struct Orientation {
    int32_t order = 0;                    // 0 or 1
    double cosines[3] = {1.0, 1.0, 1.0};  // Cx, Cy, Cz
    double sines[3] = {0.0, 0.0, 0.0};    // Sx, Sy, Sz
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

// The angle of one key step, pi/64 radians (2.8125 degrees).
inline constexpr double kTurnStep = 3.141592653589793 / 64.0;

// The number of screen pixels of a mouse drag that turn by one radian.
inline constexpr double kDragPixelsPerRadian = 90.0;

// The two vectors of a step rotation D: axis = D*(0,0,-1) and side = D*(1,0,0).
struct StepVectors {
    Vec3 axis;
    Vec3 side;
};

// The turn flags of one hold-to-turn run: the six turn keys and whether they turn the light ray.
struct TurnFlags {
    bool left = false;
    bool right = false;
    bool up = false;
    bool down = false;
    bool x = false;
    bool z = false;
    bool light = false;
};

// A point of a mouse drag in screen pixels (y down).
struct DragPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The view kept for Restore Position and stored with screen shots and captures.
struct SavedPosition {
    Orientation orientation;
    TurntableAngles turntableAngles;
};

// Everything the turning commands change: view, stone and light, the saved position, the drag
// state and the two switches "SY" (turns act on the stone) and "GM" (turntable view), which
// exclude each other.
struct OrientationState {
    ViewPose viewPose;
    StonePose stonePose;
    LightAngles lightAngles;
    Vec3 lightDirection{0.0, 0.0, 0.0};
    SavedPosition savedPosition;
    Orientation dragSnapshot;
    DragPoint dragStart;
    bool syOn = false;
    bool gmOn = false;
};

// Which state a turn step or a drag changed; the values are the indicator box's live layers.
enum class TurnTarget : int32_t { Stone = 1, View = 2, Light = 3 };

// Returns R*v, R being the rotation of the orientation.
Vec3 applyOrientation(const Orientation& orientation, const Vec3& v);

// Returns the transpose (the inverse) of R applied to v; this turns model points into the frame
// of the orientation.
Vec3 applyTranspose(const Orientation& orientation, const Vec3& v);

// Returns v with each component divided by its length; the zero vector gives NaNs.
Vec3 normalized(const Vec3& v);

// Returns the orientation R with R*(0,0,-1) = axis and R*(1,0,0) = side, for unit, perpendicular
// axis and side; order 1 is chosen when |axis.y| exceeds 1/sqrt(2).
Orientation deriveOrientation(const Vec3& axis, const Vec3& side);

// Returns whether the step turns nothing: its axis along (0,0,-1) and its side along (1,0,0).
bool isNoTurn(const StepVectors& step);

// Composes the rotation current with the step D: writes axisVector = |R*step.axis|,
// sideVector = |R*step.side| (each normalised) and result = the orientation derived from them,
// or result = current unchanged for a step that turns nothing. result may be current itself.
void composeStep(const Orientation& current, const StepVectors& step, Vec3& axisVector,
                 Vec3& sideVector, Orientation& result);

// Composes the view's own orientation with the step, updating its vectors and orientation.
void composeStep(ViewPose& pose, const StepVectors& step);

// Composes the stone's own orientation with the step, updating its vectors and orientation.
void composeStep(StonePose& pose, const StepVectors& step);

// Returns the step vectors of one key step: Left or Right first (both cancel), else Up or Down,
// else Z or X, else no turn; the light flag is ignored.
StepVectors keyStep(const TurnFlags& flags);

// Returns the turntable direction (cos e sin z, sin e, cos e cos z) for elevation e and azimuth
// z in radians.
Vec3 directionFromAngles(double elevation, double azimuth);

// Returns the view orientation of the turntable angles: order 0, cosines (cos e, -cos z, 1),
// sines (-sin e, sin z, 0); it never rolls the image.
Orientation orientationFromAngles(double elevation, double azimuth);

// Steps turntable angles by one key step: Left adds pi/64 to the azimuth, Right subtracts it,
// Up adds pi/64 to the elevation, Down subtracts it; X and Z do nothing; no wrap-around.
void turntableKeyStep(TurntableAngles& angles, const TurnFlags& flags);

// Sets the view's axisVector, sideVector and orientation from its turntable angles.
void setViewFromTurntable(ViewPose& pose);

// Returns the step of a free-rotation drag by (dx, dy) pixels from the press point (y down);
// no displacement gives the no-turn step.
StepVectors dragStep(int32_t dx, int32_t dy);

// Applies a turntable view drag by (dx, dy) pixels: the larger of |dx| and |dy| wins (ties go to
// the elevation), azimuth += dx/90 or elevation += dy/90; no displacement changes nothing.
void turntableDrag(TurntableAngles& angles, int32_t dx, int32_t dy);

// Applies a light drag by (dx, dy) pixels: as the turntable drag with the opposite signs.
void lightDrag(LightAngles& angles, int32_t dx, int32_t dy);

// Returns the view tilt in radians for a model index (a multiple of pi/64).
double viewTilt(int32_t modelIndex);

// Resets the view vectors and turntable angles for a model index: sideVector (1,0,0), angles
// (0,-pi,0), axisVector (0,0,-1) with "SY" on, else (0, sin t, -cos t); the orientation is left
// for refreshViewOrientation.
void resetView(ViewPose& pose, int32_t modelIndex, bool syOn);

// Derives the view orientation as a refresh does: from the turntable angles with "GM" on, else
// from axisVector and sideVector.
void refreshViewOrientation(ViewPose& pose, bool gmOn);

// Brings the view's vectors in line with its orientation after a restore: with "GM" on from
// the turntable angles, otherwise by composing the orientation with the no-turn step, which
// keeps the orientation bit for bit.
void alignViewVectors(ViewPose& pose, bool gmOn);

// Returns the light direction (a unit vector in view space) of the light angles.
Vec3 lightDirectionFromAngles(const LightAngles& angles);

// Resets the stone pose to the identity and the light to its angles for the stone index
// ("Diamond" and "Sapphire", indexes 0 and 1, light from 25 degrees up and 270 degrees round;
// every other stone 45 and 225 degrees), and sets lightDirection from them.
void resetStoneAndLight(StonePose& stonePose, LightAngles& lightAngles, Vec3& lightDirection,
                        int32_t stoneIndex);

// Resets view, stone and light as a new model or stone does, and derives the view orientation.
void resetOrientationState(OrientationState& state, int32_t modelIndex, int32_t stoneIndex);

// Sets the "SY" switch; turning it on turns "GM" off and resets and refreshes the view for the
// model index; turning it off changes nothing else.
void setSyOn(OrientationState& state, bool on, int32_t modelIndex);

// Sets the "GM" switch; turning it on turns "SY" off and resets and refreshes the view for the
// model index; turning it off changes nothing else.
void setGmOn(OrientationState& state, bool on, int32_t modelIndex);

// Applies one frame of the hold-to-turn loop to the state: the light with the light flag, else
// the stone with "SY", else the turntable angles with "GM", else the free view; returns which
// one turned. The caller recomputes baseVertices after a stone turn.
TurnTarget turnStep(OrientationState& state, const TurnFlags& flags);

// Starts a view drag at the point: stores it and snapshots the stone orientation ("SY" on) or
// the view orientation ("GM" off).
void beginViewDrag(OrientationState& state, DragPoint point);

// Moves a view drag to the point: the stone or the free view become the snapshot composed with
// the drag from the press point; with "GM" the angles follow the move from the previous point.
// Returns which state changed; the caller recomputes baseVertices after a stone drag.
TurnTarget dragView(OrientationState& state, DragPoint point);

// Starts a light drag at the point.
void beginLightDrag(OrientationState& state, DragPoint point);

// Moves a light drag to the point and recomputes lightDirection.
void dragLight(OrientationState& state, DragPoint point);

}  // namespace tavrine
