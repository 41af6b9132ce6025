#include "app/view/orientation.h"

#include <cmath>
#include <cstdlib>

namespace tavrine {

namespace {

// c / sqrt(n) computed as sign(c) * sqrt(c*c / n), with sign(0) = 0. The quotient under the root
// never exceeds 1 for the derivation's inputs, which keeps every cosine and sine within [-1, 1].
double signedRootQuotient(double c, double n) {
    if (c > 0.0) return std::sqrt(c * c / n);
    if (c < 0.0) return -1.0 * std::sqrt(c * c / n);
    return 0.0;
}

// Light angles after a reset: 25 and 270 degrees for the first two stones, else 45 and 225.
constexpr double kBrightStoneElevation = 0.4363323129985824;
constexpr double kBrightStoneAzimuth = 4.71238898038469;
constexpr double kOtherStoneElevation = 0.7853981633974483;
constexpr double kOtherStoneAzimuth = 3.9269908169872414;

// Azimuth of the turntable angles after a view reset.
constexpr double kResetAzimuth = -3.141592653589793;

}  // namespace

bool isNoTurn(const StepVectors& step) {
    return step.axis.x == 0.0 && step.axis.y == 0.0 && step.axis.z < 0.0 && step.side.x > 0.0 &&
           step.side.y == 0.0 && step.side.z == 0.0;
}

Vec3 applyOrientation(const Orientation& o, const Vec3& v) {
    const double cx = o.cosines[0], cy = o.cosines[1], cz = o.cosines[2];
    const double sx = o.sines[0], sy = o.sines[1], sz = o.sines[2];
    // About z.
    const double x1 = v.x * cz + v.y * sz;
    const double y1 = -v.x * sz + v.y * cz;
    if (o.order == 0) {
        // About x, then about y.
        const double y2 = y1 * cx + v.z * sx;
        const double z2 = -y1 * sx + v.z * cx;
        const double x3 = x1 * cy - z2 * sy;
        const double z3 = x1 * sy + z2 * cy;
        return {x3, y2, z3};
    }
    // About y, then about x.
    const double x2 = x1 * cy + v.z * sy;
    const double z2 = -x1 * sy + v.z * cy;
    const double y3 = y1 * cx - z2 * sx;
    const double z3 = y1 * sx + z2 * cx;
    return {x2, y3, z3};
}

Vec3 applyTranspose(const Orientation& o, const Vec3& v) {
    const double cx = o.cosines[0], cy = o.cosines[1], cz = o.cosines[2];
    const double sx = o.sines[0], sy = o.sines[1], sz = o.sines[2];
    // The steps of applyOrientation undone in reverse order, each with its sine negated.
    if (o.order == 0) {
        // Undo about y, then about x.
        const double x1 = v.x * cy + v.z * sy;
        const double z1 = -v.x * sy + v.z * cy;
        const double y2 = v.y * cx - z1 * sx;
        const double z2 = v.y * sx + z1 * cx;
        // Undo about z.
        const double x3 = x1 * cz - y2 * sz;
        const double y3 = x1 * sz + y2 * cz;
        return {x3, y3, z2};
    }
    // Undo about x, then about y.
    const double y1 = v.y * cx + v.z * sx;
    const double z1 = -v.y * sx + v.z * cx;
    const double x2 = v.x * cy - z1 * sy;
    const double z2 = v.x * sy + z1 * cy;
    // Undo about z.
    const double x3 = x2 * cz - y1 * sz;
    const double y3 = x2 * sz + y1 * cz;
    return {x3, y3, z2};
}

Vec3 normalized(const Vec3& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

Orientation deriveOrientation(const Vec3& a, const Vec3& b) {
    Orientation o;
    double& cx = o.cosines[0];
    double& cy = o.cosines[1];
    double& cz = o.cosines[2];
    double& sx = o.sines[0];
    double& sy = o.sines[1];
    double& sz = o.sines[2];
    // The order keeps r >= 1/sqrt(2), so no quotient below divides by zero.
    o.order = std::fabs(a.y) > 1.0 / std::sqrt(2.0) ? 1 : 0;
    if (o.order == 0) {
        const double rr = a.z * a.z + a.x * a.x;
        cy = signedRootQuotient(-a.z, rr);
        sy = signedRootQuotient(a.x, rr);
        cx = std::sqrt(rr);
        sx = -a.y;
        const double p = b.z * cy - b.x * sy;
        const double q = b.z * sy + b.x * cy;
        const double w = b.y * cx - p * sx;
        const double nn = q * q + w * w;
        cz = signedRootQuotient(q, nn);
        sz = signedRootQuotient(-w, nn);
    } else {
        const double rr = a.z * a.z + a.y * a.y;
        cx = signedRootQuotient(-a.z, rr);
        sx = signedRootQuotient(a.y, rr);
        cy = std::sqrt(rr);
        sy = -a.x;
        const double p = b.z * cx - b.y * sx;
        const double q = b.z * sx + b.y * cx;
        const double w = b.x * cy - p * sy;
        const double nn = q * q + w * w;
        cz = signedRootQuotient(w, nn);
        sz = signedRootQuotient(-q, nn);
    }
    return o;
}

void composeStep(const Orientation& current, const StepVectors& step, Vec3& axisVector,
                 Vec3& sideVector, Orientation& result) {
    // Both vectors are turned before anything is written: result may alias current.
    const Vec3 a = normalized(applyOrientation(current, step.axis));
    const Vec3 b = normalized(applyOrientation(current, step.side));
    axisVector = a;
    sideVector = b;
    // A step that does not turn (a drag back to its press point, a capture frame at angle 0, a
    // position restore) keeps the orientation as it is: deriving it again from the turned
    // vectors would move it by a rounding error and change the rendered picture.
    if (isNoTurn(step)) {
        result = current;
        return;
    }
    result = deriveOrientation(a, b);
}

void composeStep(ViewPose& pose, const StepVectors& step) {
    composeStep(pose.orientation, step, pose.axisVector, pose.sideVector, pose.orientation);
}

void composeStep(StonePose& pose, const StepVectors& step) {
    composeStep(pose.orientation, step, pose.axisVector, pose.sideVector, pose.orientation);
}

StepVectors keyStep(const TurnFlags& flags) {
    const double s = std::sin(kTurnStep);
    const double c = std::cos(kTurnStep);
    if (flags.left || flags.right) {
        const double k = static_cast<double>(int{flags.right} - int{flags.left});
        return {{k * s, 0.0, -c}, {c, 0.0, k * s}};
    }
    if (flags.up || flags.down) {
        const double k = static_cast<double>(int{flags.up} - int{flags.down});
        return {{0.0, k * s, -c}, {1.0, 0.0, 0.0}};
    }
    if (flags.x || flags.z) {
        const double k = static_cast<double>(int{flags.x} - int{flags.z});
        return {{0.0, 0.0, -1.0}, {c, k * s, 0.0}};
    }
    return {{0.0, 0.0, -1.0}, {c, 0.0, 0.0}};
}

Vec3 directionFromAngles(double elevation, double azimuth) {
    const double ce = std::cos(elevation);
    return {ce * std::sin(azimuth), std::sin(elevation), ce * std::cos(azimuth)};
}

Orientation orientationFromAngles(double elevation, double azimuth) {
    Orientation o;
    o.order = 0;
    o.cosines[0] = std::cos(elevation);
    o.cosines[1] = -std::cos(azimuth);
    o.cosines[2] = 1.0;
    o.sines[0] = -std::sin(elevation);
    o.sines[1] = std::sin(azimuth);
    o.sines[2] = 0.0;
    return o;
}

void turntableKeyStep(TurntableAngles& angles, const TurnFlags& flags) {
    // Opposite keys cancel exactly: the step is scaled by the difference of the flags.
    const int turnAzimuth = int{flags.left} - int{flags.right};
    const int turnElevation = int{flags.up} - int{flags.down};
    if (turnAzimuth != 0) angles.azimuth += turnAzimuth * kTurnStep;
    if (turnElevation != 0) angles.elevation += turnElevation * kTurnStep;
}

void setViewFromTurntable(ViewPose& pose) {
    const double e = pose.turntableAngles.elevation;
    const double z = pose.turntableAngles.azimuth;
    pose.axisVector = directionFromAngles(e, z);
    // R*(1,0,0) of the turntable orientation; kept in step so that a later free-rotation refresh
    // derives the same view instead of pairing the new axis with a stale side vector.
    pose.sideVector = {-std::cos(z), 0.0, std::sin(z)};
    pose.orientation = orientationFromAngles(e, z);
}

StepVectors dragStep(int32_t dx, int32_t dy) {
    const double fx = static_cast<double>(dx);
    const double fy = static_cast<double>(dy);
    const double d = std::sqrt(fx * fx + fy * fy);
    double theta = 0.0;
    double ux = 1.0;
    double uy = 0.0;
    if (d != 0.0) {
        theta = d / kDragPixelsPerRadian;
        ux = fx / d;
        uy = fy / d;
    }
    const double st = std::sin(theta);
    const double ct = std::cos(theta);
    return {{-ux * st, uy * st, -ct}, {ux * ux * ct + uy * uy, ux * uy * (1.0 - ct), -ux * st}};
}

void turntableDrag(TurntableAngles& angles, int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0) return;
    if (std::abs(dx) > std::abs(dy)) {
        angles.azimuth += dx / kDragPixelsPerRadian;
    } else {
        angles.elevation += dy / kDragPixelsPerRadian;
    }
}

void lightDrag(LightAngles& angles, int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0) return;
    if (std::abs(dx) > std::abs(dy)) {
        angles.azimuth -= dx / kDragPixelsPerRadian;
    } else {
        angles.elevation -= dy / kDragPixelsPerRadian;
    }
}

double viewTilt(int32_t modelIndex) {
    switch (modelIndex) {
    case 0:
        return 1.030835089459151;  // 21 steps
    case 1:
    case 3:
    case 5:
        return 1.227184630308513;  // 25 steps
    case 2:
    case 4:
    case 6:
        return 1.0799224746714913;  // 22 steps
    case 7:
        return 1.1780972450961724;  // 24 steps
    case 8:
        return 1.2762720155208536;  // 26 steps
    case 11:
        return 6.086835766330224;  // 124 steps
    case 12:
        return 1.3744467859455345;  // 28 steps
    default:
        break;
    }
    if ((modelIndex >= 14 && modelIndex <= 21) || (modelIndex >= 23 && modelIndex <= 27)) {
        return 0.2945243112740431;  // 6 steps
    }
    return 1.1780972450961724;  // 24 steps
}

void resetView(ViewPose& pose, int32_t modelIndex, bool syOn) {
    pose.sideVector = {1.0, 0.0, 0.0};
    pose.turntableAngles = {0.0, kResetAzimuth, 0.0};
    if (syOn) {
        pose.axisVector = {0.0, 0.0, -1.0};
    } else {
        const double t = viewTilt(modelIndex);
        pose.axisVector = {0.0, std::sin(t), -std::cos(t)};
    }
}

void refreshViewOrientation(ViewPose& pose, bool gmOn) {
    if (gmOn) {
        setViewFromTurntable(pose);
    } else {
        pose.orientation = deriveOrientation(pose.axisVector, pose.sideVector);
    }
}

void alignViewVectors(ViewPose& pose, bool gmOn) {
    if (gmOn) {
        const double e = pose.turntableAngles.elevation;
        const double z = pose.turntableAngles.azimuth;
        pose.axisVector = directionFromAngles(e, z);
        pose.sideVector = {-std::cos(z), 0.0, std::sin(z)};
        return;
    }
    pose.axisVector = {0.0, 0.0, -1.0};
    pose.sideVector = {1.0, 0.0, 0.0};
    composeStep(pose, StepVectors{pose.axisVector, pose.sideVector});
}

Vec3 lightDirectionFromAngles(const LightAngles& angles) {
    return directionFromAngles(angles.elevation, angles.azimuth);
}

void resetStoneAndLight(StonePose& stonePose, LightAngles& lightAngles, Vec3& lightDirection,
                        int32_t stoneIndex) {
    stonePose.axisVector = {0.0, 0.0, -1.0};
    stonePose.sideVector = {1.0, 0.0, 0.0};
    stonePose.orientation = deriveOrientation(stonePose.axisVector, stonePose.sideVector);
    if (stoneIndex == 0 || stoneIndex == 1) {
        lightAngles = {kBrightStoneElevation, kBrightStoneAzimuth, 0.0};
    } else {
        lightAngles = {kOtherStoneElevation, kOtherStoneAzimuth, 0.0};
    }
    lightDirection = lightDirectionFromAngles(lightAngles);
}

void resetOrientationState(OrientationState& state, int32_t modelIndex, int32_t stoneIndex) {
    resetView(state.viewPose, modelIndex, state.syOn);
    resetStoneAndLight(state.stonePose, state.lightAngles, state.lightDirection, stoneIndex);
    refreshViewOrientation(state.viewPose, state.gmOn);
}

void setSyOn(OrientationState& state, bool on, int32_t modelIndex) {
    state.syOn = on;
    if (!on) return;
    state.gmOn = false;
    resetView(state.viewPose, modelIndex, state.syOn);
    refreshViewOrientation(state.viewPose, state.gmOn);
}

void setGmOn(OrientationState& state, bool on, int32_t modelIndex) {
    state.gmOn = on;
    if (!on) return;
    state.syOn = false;
    resetView(state.viewPose, modelIndex, state.syOn);
    refreshViewOrientation(state.viewPose, state.gmOn);
}

TurnTarget turnStep(OrientationState& state, const TurnFlags& flags) {
    if (flags.light) {
        turntableKeyStep(state.lightAngles, flags);
        state.lightDirection = lightDirectionFromAngles(state.lightAngles);
        return TurnTarget::Light;
    }
    if (state.syOn) {
        composeStep(state.stonePose, keyStep(flags));
        return TurnTarget::Stone;
    }
    if (state.gmOn) {
        turntableKeyStep(state.viewPose.turntableAngles, flags);
        setViewFromTurntable(state.viewPose);
    } else {
        composeStep(state.viewPose, keyStep(flags));
    }
    return TurnTarget::View;
}

void beginViewDrag(OrientationState& state, DragPoint point) {
    state.dragStart = point;
    if (state.syOn) {
        state.dragSnapshot = state.stonePose.orientation;
    } else if (!state.gmOn) {
        state.dragSnapshot = state.viewPose.orientation;
    }
}

TurnTarget dragView(OrientationState& state, DragPoint point) {
    const int32_t dx = point.x - state.dragStart.x;
    const int32_t dy = point.y - state.dragStart.y;
    if (state.syOn) {
        StonePose& stone = state.stonePose;
        composeStep(state.dragSnapshot, dragStep(dx, dy), stone.axisVector, stone.sideVector,
                    stone.orientation);
        return TurnTarget::Stone;
    }
    ViewPose& view = state.viewPose;
    if (state.gmOn) {
        turntableDrag(view.turntableAngles, dx, dy);
        state.dragStart = point;
        setViewFromTurntable(view);
    } else {
        composeStep(state.dragSnapshot, dragStep(dx, dy), view.axisVector, view.sideVector,
                    view.orientation);
    }
    return TurnTarget::View;
}

void beginLightDrag(OrientationState& state, DragPoint point) { state.dragStart = point; }

void dragLight(OrientationState& state, DragPoint point) {
    lightDrag(state.lightAngles, point.x - state.dragStart.x, point.y - state.dragStart.y);
    state.dragStart = point;
    state.lightDirection = lightDirectionFromAngles(state.lightAngles);
}

}  // namespace tavrine
