#include "app/view/orientation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace tavrine {
namespace {

constexpr double kPi = 3.141592653589793;

// A uniform double in [-1, 1) from the generator's bits, the same on every platform.
double uniform(std::mt19937_64& gen) {
    return static_cast<double>(gen() >> 11) * (1.0 / 9007199254740992.0) * 2.0 - 1.0;
}

double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double length(const Vec3& v) { return std::sqrt(dot(v, v)); }

// A random unit vector and a random unit vector perpendicular to it.
StepVectors randomPerpendicularPair(std::mt19937_64& gen) {
    Vec3 a{0.0, 0.0, 0.0};
    while (length(a) < 0.1) a = {uniform(gen), uniform(gen), uniform(gen)};
    a = normalized(a);
    Vec3 b{0.0, 0.0, 0.0};
    while (length(b) < 0.1) {
        const Vec3 v{uniform(gen), uniform(gen), uniform(gen)};
        const double k = dot(v, a);
        b = {v.x - k * a.x, v.y - k * a.y, v.z - k * a.z};
    }
    return {a, normalized(b)};
}

bool sameBits(const Orientation& p, const Orientation& q) {
    return p.order == q.order && std::memcmp(p.cosines, q.cosines, sizeof p.cosines) == 0 &&
           std::memcmp(p.sines, q.sines, sizeof p.sines) == 0;
}

bool sameBits(const Vec3& p, const Vec3& q) { return std::memcmp(&p, &q, sizeof p) == 0; }

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what << " x";
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what << " y";
    EXPECT_NEAR(actual.z, expected.z, tolerance) << what << " z";
}

// --- Applying and deriving -------------------------------------------------------------------

TEST(Orientation, IdentityPairDerivesIdentity) {
    const Orientation o = deriveOrientation({0.0, 0.0, -1.0}, {1.0, 0.0, 0.0});
    EXPECT_EQ(o.order, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(o.cosines[i], 1.0) << "cosine " << i;
        EXPECT_EQ(o.sines[i], 0.0) << "sine " << i;
    }
    const Vec3 vertices[] = {{0.25, -0.5, 0.75}, {-1.0, 0.125, 0.3}, {0.0, 0.0, -1.0}};
    for (const Vec3& v : vertices) {
        EXPECT_TRUE(sameBits(applyTranspose(o, v), v));
        EXPECT_TRUE(sameBits(applyOrientation(o, v), v));
    }
}

TEST(Orientation, TiltAboutXDerivesOrderOne) {
    const double s1 = std::sin(1.0), c1 = std::cos(1.0);
    const Orientation o = deriveOrientation({0.0, s1, -c1}, {1.0, 0.0, 0.0});
    EXPECT_EQ(o.order, 1);
    EXPECT_NEAR(o.cosines[0], c1, 1e-15);
    EXPECT_NEAR(o.cosines[1], 1.0, 1e-15);
    EXPECT_NEAR(o.cosines[2], 1.0, 1e-15);
    EXPECT_NEAR(o.sines[0], s1, 1e-15);
    EXPECT_EQ(o.sines[1], 0.0);
    EXPECT_EQ(o.sines[2], 0.0);
    expectNear(applyOrientation(o, {0.0, 1.0, 0.0}), {0.0, c1, s1}, 1e-15, "R*(0,1,0)");
    expectNear(applyTranspose(o, {0.0, 0.0, -1.0}), {0.0, -s1, -c1}, 1e-15, "view of (0,0,-1)");
}

TEST(Orientation, OrderFollowsAxisElevation) {
    // Just above and below 45 degrees of elevation.
    const double e = kPi / 4.0;
    const Vec3 side{1.0, 0.0, 0.0};
    EXPECT_EQ(deriveOrientation({0.0, std::sin(e + 1e-9), -std::cos(e + 1e-9)}, side).order, 1);
    EXPECT_EQ(deriveOrientation({0.0, std::sin(e - 1e-9), -std::cos(e - 1e-9)}, side).order, 0);
    EXPECT_EQ(deriveOrientation({0.0, -1.0, 0.0}, side).order, 1);
    EXPECT_EQ(deriveOrientation({1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}).order, 0);
}

TEST(Orientation, DerivedRotationMapsBackToItsVectors) {
    std::mt19937_64 gen(20240604);
    int orders[2] = {0, 0};
    for (int i = 0; i < 2000; ++i) {
        const StepVectors pair = randomPerpendicularPair(gen);
        const Orientation o = deriveOrientation(pair.axis, pair.side);
        ++orders[o.order];
        const Vec3 a = applyOrientation(o, {0.0, 0.0, -1.0});
        const Vec3 b = applyOrientation(o, {1.0, 0.0, 0.0});
        ASSERT_NEAR(a.x, pair.axis.x, 1e-14) << "pair " << i;
        ASSERT_NEAR(a.y, pair.axis.y, 1e-14) << "pair " << i;
        ASSERT_NEAR(a.z, pair.axis.z, 1e-14) << "pair " << i;
        ASSERT_NEAR(b.x, pair.side.x, 1e-14) << "pair " << i;
        ASSERT_NEAR(b.y, pair.side.y, 1e-14) << "pair " << i;
        ASSERT_NEAR(b.z, pair.side.z, 1e-14) << "pair " << i;
        for (int k = 0; k < 3; ++k) {
            ASSERT_NEAR(o.cosines[k] * o.cosines[k] + o.sines[k] * o.sines[k], 1.0, 1e-14)
                << "pair " << i << " angle " << k;
        }
    }
    EXPECT_GT(orders[0], 100);
    EXPECT_GT(orders[1], 100);
}

TEST(Orientation, TransposeUndoesRotation) {
    std::mt19937_64 gen(77);
    for (int i = 0; i < 2000; ++i) {
        const StepVectors pair = randomPerpendicularPair(gen);
        const Orientation o = deriveOrientation(pair.axis, pair.side);
        const Vec3 v{uniform(gen) * 3.0, uniform(gen) * 3.0, uniform(gen) * 3.0};
        const double tolerance = 1e-15 * length(v);
        const Vec3 there = applyOrientation(o, v);
        const Vec3 back = applyTranspose(o, there);
        ASSERT_NEAR(length(there), length(v), tolerance) << "vector " << i;
        ASSERT_NEAR(back.x, v.x, tolerance) << "vector " << i;
        ASSERT_NEAR(back.y, v.y, tolerance) << "vector " << i;
        ASSERT_NEAR(back.z, v.z, tolerance) << "vector " << i;
    }
}

TEST(Orientation, NormalizedDividesByTheLength) {
    // For (1, 3, 7) dividing by the length and multiplying by its reciprocal differ in y and z.
    const double len = std::sqrt(59.0);
    const Vec3 n = normalized({1.0, 3.0, 7.0});
    EXPECT_EQ(n.x, 1.0 / len);
    EXPECT_EQ(n.y, 3.0 / len);
    EXPECT_EQ(n.z, 7.0 / len);
    EXPECT_NE(n.y, 3.0 * (1.0 / len)) << "the example no longer tells the two readings apart";
}

// --- Composition and key steps ---------------------------------------------------------------

TEST(Composition, StepActsAboutLocalAxes) {
    std::mt19937_64 gen(5);
    for (int i = 0; i < 200; ++i) {
        const StepVectors pose = randomPerpendicularPair(gen);
        const StepVectors step = randomPerpendicularPair(gen);
        const Orientation r = deriveOrientation(pose.axis, pose.side);
        const Orientation d = deriveOrientation(step.axis, step.side);
        Vec3 axis{}, side{};
        Orientation composed;
        composeStep(r, step, axis, side, composed);
        const Vec3 v{uniform(gen), uniform(gen), uniform(gen)};
        // R*D applied to v equals R applied to D*v.
        expectNear(applyOrientation(composed, v), applyOrientation(r, applyOrientation(d, v)),
                   1e-13, "R*D*v");
        expectNear(applyOrientation(composed, {0.0, 0.0, -1.0}), axis, 1e-14, "axis");
        expectNear(applyOrientation(composed, {1.0, 0.0, 0.0}), side, 1e-14, "side");
    }
}

TEST(Composition, ManyStepsKeepUnitVectors) {
    std::mt19937_64 gen(12345);
    ViewPose pose;
    pose.axisVector = {0.0, std::sin(1.0), -std::cos(1.0)};
    pose.orientation = deriveOrientation(pose.axisVector, pose.sideVector);
    double worstLength = 0.0;
    double worstDot = 0.0;
    for (int i = 0; i < 20000; ++i) {
        TurnFlags flags;
        switch (gen() % 7) {
        case 0:
            flags.left = true;
            break;
        case 1:
            flags.right = true;
            break;
        case 2:
            flags.up = true;
            break;
        case 3:
            flags.down = true;
            break;
        case 4:
            flags.x = true;
            break;
        case 5:
            flags.z = true;
            break;
        default:
            break;
        }
        if (gen() % 4 == 0) {
            composeStep(pose, dragStep(static_cast<int32_t>(gen() % 301) - 150,
                                       static_cast<int32_t>(gen() % 301) - 150));
        } else {
            composeStep(pose, keyStep(flags));
        }
        worstLength = std::fmax(worstLength, std::fabs(length(pose.axisVector) - 1.0));
        worstLength = std::fmax(worstLength, std::fabs(length(pose.sideVector) - 1.0));
        worstDot = std::fmax(worstDot, std::fabs(dot(pose.axisVector, pose.sideVector)));
    }
    EXPECT_LT(worstLength, 1e-12);
    // Not re-orthogonalised, but the pair must not drift apart either.
    EXPECT_LT(worstDot, 1e-9);
}

TEST(KeyStep, VectorsByKey) {
    const double s = std::sin(kPi / 64.0), c = std::cos(kPi / 64.0);
    struct Case {
        TurnFlags flags;
        Vec3 axis;
        Vec3 side;
    };
    TurnFlags left, right, up, down, x, z;
    left.left = right.right = up.up = down.down = x.x = z.z = true;
    const Case cases[] = {
        {left, {-s, 0.0, -c}, {c, 0.0, -s}},
        {right, {s, 0.0, -c}, {c, 0.0, s}},
        {up, {0.0, s, -c}, {1.0, 0.0, 0.0}},
        {down, {0.0, -s, -c}, {1.0, 0.0, 0.0}},
        {z, {0.0, 0.0, -1.0}, {c, -s, 0.0}},
        {x, {0.0, 0.0, -1.0}, {c, s, 0.0}},
        {TurnFlags{}, {0.0, 0.0, -1.0}, {c, 0.0, 0.0}},
    };
    for (const Case& k : cases) {
        const StepVectors step = keyStep(k.flags);
        EXPECT_TRUE(sameBits(step.axis, k.axis) && sameBits(step.side, k.side))
            << "axis (" << step.axis.x << ", " << step.axis.y << ", " << step.axis.z << ")";
    }
}

TEST(KeyStep, PrecedenceLeftRightThenUpDownThenZX) {
    const double s = std::sin(kPi / 64.0), c = std::cos(kPi / 64.0);
    TurnFlags leftUp;
    leftUp.left = leftUp.up = leftUp.z = true;
    EXPECT_TRUE(sameBits(keyStep(leftUp).axis, {-s, 0.0, -c}));
    TurnFlags upX;
    upX.up = upX.x = true;
    EXPECT_TRUE(sameBits(keyStep(upX).axis, {0.0, s, -c}));
    EXPECT_TRUE(sameBits(keyStep(upX).side, {1.0, 0.0, 0.0}));
    // Left with Right turns nothing, and Up is not looked at.
    TurnFlags leftRightUp;
    leftRightUp.left = leftRightUp.right = leftRightUp.up = true;
    EXPECT_EQ(keyStep(leftRightUp).axis.x, 0.0);
    EXPECT_EQ(keyStep(leftRightUp).axis.y, 0.0);
    TurnFlags xz;
    xz.x = xz.z = true;
    EXPECT_EQ(keyStep(xz).side.y, 0.0);
}

TEST(KeyStep, FullTurnOfStepsReturnsToStart) {
    // 128 steps of pi/64 about the local y axis make one whole turn.
    ViewPose pose;
    pose.axisVector = {0.0, std::sin(0.5), -std::cos(0.5)};
    pose.orientation = deriveOrientation(pose.axisVector, pose.sideVector);
    const ViewPose start = pose;
    TurnFlags left;
    left.left = true;
    for (int i = 0; i < 64; ++i) composeStep(pose, keyStep(left));
    // Half way round the eye is on the other side of the local y axis.
    EXPECT_NEAR(pose.sideVector.x, -1.0, 1e-12);
    for (int i = 0; i < 64; ++i) composeStep(pose, keyStep(left));
    expectNear(pose.axisVector, start.axisVector, 1e-12, "axis");
    expectNear(pose.sideVector, start.sideVector, 1e-12, "side");
}

TEST(KeyStep, NoTurnKeepsTheOrientation) {
    // No key, Left with Right, Up with Down and X with Z all turn nothing, frame after frame.
    OrientationState state;
    resetOrientationState(state, 11, 0);
    TurnFlags cases[4];
    cases[1].left = cases[1].right = true;
    cases[2].up = cases[2].down = true;
    cases[3].x = cases[3].z = true;
    const Orientation start = state.viewPose.orientation;
    for (int frame = 0; frame < 40; ++frame) {
        EXPECT_TRUE(isNoTurn(keyStep(cases[frame % 4])));
        turnStep(state, cases[frame % 4]);
    }
    EXPECT_TRUE(sameBits(state.viewPose.orientation, start));
    expectNear(state.viewPose.axisVector, applyOrientation(start, {0.0, 0.0, -1.0}), 1e-15, "axis");
    TurnFlags left;
    left.left = true;
    EXPECT_FALSE(isNoTurn(keyStep(left)));
    EXPECT_FALSE(isNoTurn(dragStep(1, 0)));
    EXPECT_TRUE(isNoTurn(dragStep(0, 0)));
}

TEST(Composition, AlignViewVectorsKeepsARestoredOrientation) {
    std::mt19937_64 gen(8);
    for (int i = 0; i < 100; ++i) {
        const StepVectors pair = randomPerpendicularPair(gen);
        ViewPose pose;
        pose.orientation = deriveOrientation(pair.axis, pair.side);
        const Orientation restored = pose.orientation;
        alignViewVectors(pose, false);
        EXPECT_TRUE(sameBits(pose.orientation, restored));
        expectNear(pose.axisVector, pair.axis, 1e-14, "axis");
        expectNear(pose.sideVector, pair.side, 1e-14, "side");
    }
    ViewPose pose;
    pose.turntableAngles = {0.25, 2.0, 0.0};
    alignViewVectors(pose, true);
    expectNear(pose.axisVector, directionFromAngles(0.25, 2.0), 0.0, "turntable axis");
    expectNear(pose.sideVector, {-std::cos(2.0), 0.0, std::sin(2.0)}, 0.0, "turntable side");
}

// --- Turntable form --------------------------------------------------------------------------

TEST(Turntable, OrientationMatchesDirectionAndNeverRolls) {
    std::mt19937_64 gen(99);
    for (int i = 0; i < 500; ++i) {
        const double e = uniform(gen) * 4.0, z = uniform(gen) * 8.0;
        const Orientation o = orientationFromAngles(e, z);
        expectNear(applyOrientation(o, {0.0, 0.0, -1.0}), directionFromAngles(e, z), 1e-15, "axis");
        const Vec3 side = applyOrientation(o, {1.0, 0.0, 0.0});
        expectNear(side, {-std::cos(z), 0.0, std::sin(z)}, 1e-15, "side");
        EXPECT_EQ(side.y, 0.0);
    }
    expectNear(directionFromAngles(0.0, 0.0), {0.0, 0.0, 1.0}, 0.0, "e = z = 0");
    expectNear(directionFromAngles(kPi / 2.0, 1.0), {0.0, 1.0, 0.0}, 1e-16, "zenith");
}

TEST(Turntable, KeysStepAnglesAndXZDoNothing) {
    OrientationState state;
    state.gmOn = true;
    resetOrientationState(state, 0, 0);
    const ViewPose start = state.viewPose;
    TurnFlags x, z;
    x.x = true;
    z.z = true;
    EXPECT_EQ(turnStep(state, x), TurnTarget::View);
    turnStep(state, z);
    EXPECT_TRUE(sameBits(state.viewPose.orientation, start.orientation));
    EXPECT_TRUE(sameBits(state.viewPose.axisVector, start.axisVector));
    EXPECT_EQ(state.viewPose.turntableAngles.azimuth, start.turntableAngles.azimuth);
    EXPECT_EQ(state.viewPose.turntableAngles.elevation, start.turntableAngles.elevation);

    TurnFlags left, right, up, down;
    left.left = right.right = up.up = down.down = true;
    turnStep(state, left);
    EXPECT_EQ(state.viewPose.turntableAngles.azimuth, -kPi + kPi / 64.0);
    turnStep(state, right);
    turnStep(state, right);
    EXPECT_EQ(state.viewPose.turntableAngles.azimuth, -kPi + kPi / 64.0 - kPi / 64.0 - kPi / 64.0);
    turnStep(state, up);
    EXPECT_EQ(state.viewPose.turntableAngles.elevation, kPi / 64.0);
    turnStep(state, down);
    turnStep(state, down);
    EXPECT_EQ(state.viewPose.turntableAngles.elevation, -kPi / 64.0);
    const TurntableAngles& t = state.viewPose.turntableAngles;
    expectNear(state.viewPose.axisVector, directionFromAngles(t.elevation, t.azimuth), 0.0,
               "axis from angles");
}

TEST(Turntable, FreeRefreshAfterTurntableTurnsKeepsTheView) {
    // Turning "GM" off posts nothing; a later refresh derives from the vectors, which must then
    // describe the view the turntable left behind.
    OrientationState state;
    setGmOn(state, true, 14);
    TurnFlags left, up;
    left.left = true;
    up.up = true;
    for (int i = 0; i < 37; ++i) turnStep(state, left);
    for (int i = 0; i < 9; ++i) turnStep(state, up);
    const Orientation turntable = state.viewPose.orientation;
    setGmOn(state, false, 14);
    refreshViewOrientation(state.viewPose, state.gmOn);
    const Vec3 probes[] = {{0.0, 0.0, -1.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}};
    for (const Vec3& p : probes) {
        expectNear(applyOrientation(state.viewPose.orientation, p), applyOrientation(turntable, p),
                   1e-14, "refreshed view");
    }
}

// --- Drags -----------------------------------------------------------------------------------

TEST(Drag, StepOfNinetyPixelsIsOneRadian) {
    const double s1 = std::sin(1.0), c1 = std::cos(1.0);
    const StepVectors step = dragStep(90, 0);
    EXPECT_TRUE(sameBits(step.axis, {-s1, 0.0, -c1}));
    EXPECT_TRUE(sameBits(step.side, {c1, 0.0, -s1}));
    const StepVectors zero = dragStep(0, 0);
    expectNear(zero.axis, {0.0, 0.0, -1.0}, 0.0, "no move axis");
    expectNear(zero.side, {1.0, 0.0, 0.0}, 0.0, "no move side");
    // Right acts like the Left key, down like the Up key.
    EXPECT_LT(dragStep(5, 0).axis.x, 0.0);
    EXPECT_GT(dragStep(0, 5).axis.y, 0.0);
    const StepVectors diagonal = dragStep(-30, 40);
    EXPECT_NEAR(length(diagonal.axis), 1.0, 1e-15);
    EXPECT_NEAR(length(diagonal.side), 1.0, 1e-15);
    EXPECT_NEAR(dot(diagonal.axis, diagonal.side), 0.0, 1e-15);
}

TEST(Drag, FreeViewDragDependsOnlyOnTotalDisplacement) {
    OrientationState state;
    resetOrientationState(state, 0, 0);
    const ViewPose start = state.viewPose;
    beginViewDrag(state, {100, 100});
    EXPECT_EQ(dragView(state, {150, 130}), TurnTarget::View);
    dragView(state, {190, 100});
    const ViewPose viaDetour = state.viewPose;
    expectNear(applyOrientation(viaDetour.orientation, {0.0, 0.0, -1.0}),
               applyOrientation(start.orientation, {-std::sin(1.0), 0.0, -std::cos(1.0)}), 1e-14,
               "turned by one radian");

    OrientationState direct;
    resetOrientationState(direct, 0, 0);
    beginViewDrag(direct, {100, 100});
    dragView(direct, {190, 100});
    EXPECT_TRUE(sameBits(direct.viewPose.orientation, viaDetour.orientation));

    // Back at the press point: the orientation of the press, bit for bit.
    dragView(state, {100, 100});
    EXPECT_TRUE(sameBits(state.viewPose.orientation, start.orientation));
    expectNear(state.viewPose.axisVector, start.axisVector, 1e-15, "axis back at the start");
    expectNear(state.viewPose.sideVector, start.sideVector, 1e-15, "side back at the start");
}

TEST(Drag, BackToThePressPointAfterKeyTurnsIsExact) {
    std::mt19937_64 gen(3);
    OrientationState state;
    resetOrientationState(state, 0, 0);
    for (int i = 0; i < 300; ++i) {
        TurnFlags flags;
        switch (gen() % 4) {
        case 0:
            flags.left = true;
            break;
        case 1:
            flags.up = true;
            break;
        case 2:
            flags.z = true;
            break;
        default:
            flags.down = true;
            break;
        }
        turnStep(state, flags);
        const Orientation start = state.viewPose.orientation;
        beginViewDrag(state, {100, 100});
        dragView(state,
                 {100 + static_cast<int32_t>(gen() % 200), 100 - static_cast<int32_t>(gen() % 90)});
        dragView(state, {100, 100});
        ASSERT_TRUE(sameBits(state.viewPose.orientation, start)) << "after turn " << i;
    }
}

TEST(Drag, StoneDragTurnsOnlyTheStone) {
    OrientationState state;
    setSyOn(state, true, 0);
    resetOrientationState(state, 0, 0);
    const ViewPose view = state.viewPose;
    beginViewDrag(state, {10, 10});
    EXPECT_EQ(dragView(state, {10, 100}), TurnTarget::Stone);
    EXPECT_TRUE(sameBits(state.viewPose.orientation, view.orientation));
    expectNear(state.stonePose.axisVector, {0.0, std::sin(1.0), -std::cos(1.0)}, 1e-15,
               "stone axis");
}

TEST(Drag, TurntableViewDragIsIncremental) {
    OrientationState state;
    setGmOn(state, true, 3);
    beginViewDrag(state, {100, 100});
    dragView(state, {190, 120});
    EXPECT_EQ(state.viewPose.turntableAngles.azimuth, -kPi + 1.0);
    EXPECT_EQ(state.viewPose.turntableAngles.elevation, 0.0);
    // From the previous point, not the press point; a tie goes to the elevation.
    dragView(state, {160, 150});
    EXPECT_EQ(state.viewPose.turntableAngles.azimuth, -kPi + 1.0);
    EXPECT_EQ(state.viewPose.turntableAngles.elevation, 30.0 / 90.0);
    dragView(state, {160, 150});
    EXPECT_EQ(state.viewPose.turntableAngles.elevation, 30.0 / 90.0);
    const TurntableAngles& t = state.viewPose.turntableAngles;
    EXPECT_TRUE(
        sameBits(state.viewPose.orientation, orientationFromAngles(t.elevation, t.azimuth)));
}

TEST(Drag, LightDragChangesOnlyElevationOnATie) {
    OrientationState state;
    resetOrientationState(state, 0, 2);
    const LightAngles start = state.lightAngles;
    beginLightDrag(state, {100, 100});
    dragLight(state, {130, 130});
    EXPECT_EQ(state.lightAngles.azimuth, start.azimuth);
    EXPECT_EQ(state.lightAngles.elevation, start.elevation - 30.0 / 90.0);
    expectNear(state.lightDirection, lightDirectionFromAngles(state.lightAngles), 0.0,
               "light direction");
    // Rightwards acts like the Right key: the azimuth decreases.
    dragLight(state, {160, 131});
    EXPECT_EQ(state.lightAngles.azimuth, start.azimuth - 30.0 / 90.0);
}

// --- Resets and switches ---------------------------------------------------------------------

TEST(Reset, TiltsAreWholeKeySteps) {
    const struct {
        int32_t model;
        int steps;
    } table[] = {{0, 21}, {1, 25}, {3, 25},   {5, 25},  {2, 22},  {4, 22},  {6, 22},
                 {7, 24}, {8, 26}, {11, 124}, {12, 28}, {14, 6},  {17, 6},  {20, 6},
                 {21, 6}, {23, 6}, {27, 6},   {9, 24},  {10, 24}, {13, 24}, {22, 24}};
    for (const auto& row : table) {
        EXPECT_EQ(viewTilt(row.model), row.steps * (kPi / 64.0)) << "model " << row.model;
    }
}

TEST(Reset, BrilliantViewAxisAndOrder) {
    ViewPose pose;
    pose.turntableAngles = {1.0, 2.0, 3.0};
    pose.sideVector = {0.0, 1.0, 0.0};
    resetView(pose, 0, false);
    expectNear(pose.axisVector, {0.0, 0.857729, -0.514103}, 5e-7, "axis");
    expectNear(pose.sideVector, {1.0, 0.0, 0.0}, 0.0, "side");
    EXPECT_EQ(pose.turntableAngles.elevation, 0.0);
    EXPECT_EQ(pose.turntableAngles.azimuth, -kPi);
    EXPECT_EQ(pose.turntableAngles.third, 0.0);
    refreshViewOrientation(pose, false);
    EXPECT_EQ(pose.orientation.order, 1);
    expectNear(applyOrientation(pose.orientation, {0.0, 0.0, -1.0}), pose.axisVector, 1e-15,
               "R*(0,0,-1)");

    resetView(pose, 0, true);
    expectNear(pose.axisVector, {0.0, 0.0, -1.0}, 0.0, "axis with SY");
}

TEST(Reset, LightByStone) {
    for (int32_t stone = 0; stone < 8; ++stone) {
        StonePose stonePose;
        stonePose.axisVector = {1.0, 0.0, 0.0};
        stonePose.orientation.order = 1;
        LightAngles angles;
        Vec3 direction{};
        resetStoneAndLight(stonePose, angles, direction, stone);
        if (stone <= 1) {
            expectNear(direction, {-0.906308, 0.422618, 0.0}, 5e-7, "bright stone light");
        } else {
            expectNear(direction, {-0.5, 0.707107, -0.5}, 5e-7, "other stone light");
        }
        EXPECT_NEAR(length(direction), 1.0, 1e-15);
        EXPECT_EQ(angles.third, 0.0);
        EXPECT_EQ(stonePose.orientation.order, 0);
        expectNear(stonePose.axisVector, {0.0, 0.0, -1.0}, 0.0, "stone axis");
        for (int k = 0; k < 3; ++k) EXPECT_EQ(stonePose.orientation.cosines[k], 1.0);
    }
}

TEST(Switches, ExcludeEachOtherAndResetTheView) {
    OrientationState state;
    resetOrientationState(state, 0, 0);
    setGmOn(state, true, 0);
    EXPECT_TRUE(state.gmOn);
    setSyOn(state, true, 0);
    EXPECT_TRUE(state.syOn);
    EXPECT_FALSE(state.gmOn);
    expectNear(state.viewPose.axisVector, {0.0, 0.0, -1.0}, 0.0, "axis with SY");
    setGmOn(state, true, 0);
    EXPECT_FALSE(state.syOn);
    // Turning a switch off leaves the view alone.
    TurnFlags left;
    left.left = true;
    turnStep(state, left);
    const ViewPose turned = state.viewPose;
    setGmOn(state, false, 0);
    EXPECT_TRUE(sameBits(state.viewPose.orientation, turned.orientation));
}

TEST(TurnStep, EachTargetAloneChanges) {
    OrientationState state;
    resetOrientationState(state, 7, 4);
    const OrientationState start = state;
    TurnFlags lightUp;
    lightUp.up = lightUp.light = true;
    EXPECT_EQ(turnStep(state, lightUp), TurnTarget::Light);
    EXPECT_EQ(state.lightAngles.elevation, start.lightAngles.elevation + kPi / 64.0);
    EXPECT_TRUE(sameBits(state.viewPose.orientation, start.viewPose.orientation));
    expectNear(state.lightDirection, lightDirectionFromAngles(state.lightAngles), 0.0, "light");

    state.syOn = true;
    TurnFlags down;
    down.down = true;
    EXPECT_EQ(turnStep(state, down), TurnTarget::Stone);
    EXPECT_TRUE(sameBits(state.viewPose.orientation, start.viewPose.orientation));
    const double s = std::sin(kPi / 64.0), c = std::cos(kPi / 64.0);
    expectNear(state.stonePose.axisVector, {0.0, -s, -c}, 1e-15, "stone axis");

    state.syOn = false;
    EXPECT_EQ(turnStep(state, down), TurnTarget::View);
    expectNear(state.viewPose.axisVector,
               applyOrientation(start.viewPose.orientation, {0.0, -s, -c}), 1e-15, "view axis");
}

}  // namespace
}  // namespace tavrine
