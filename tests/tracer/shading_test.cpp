// The colour of a ray that ends: the trapped ray inside the stone, the glare off the outer
// surface and the ray that has left the stone. Each case is reached through the tracer's entry
// with a ray that ends at once: inside at the depth limit, outside at depth 1, outside deeper.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "tests/tracer/trace_scene.h"
#include "tracer/trace_steps.h"

namespace tavrine::test {
namespace {

constexpr double kTolerance = 1e-12;

// A ray inside the stone at the depth limit.
TraceCall trappedRay() {
    TraceCall call;
    call.inside = 1;
    call.depth = 3;
    call.maxDepth = 3;
    return call;
}

// The primary ray's reflection, which ends outside at depth 1.
TraceCall glareRay(Vec3 direction, Vec3 light) {
    TraceCall call;
    call.direction = direction;
    call.light = light;
    call.depth = 1;
    return call;
}

// A ray that has left the stone (outside at depth 2).
TraceCall leavingRay(Vec3 direction) {
    TraceCall call;
    call.direction = direction;
    call.depth = 2;
    call.mainLight = 0;
    return call;
}

// A unit direction with the given z component, in the xz plane.
Vec3 withDz(double dz) { return Vec3{std::sqrt(1.0 - dz * dz), 0.0, dz}; }

void expectColour(const TraceResult& r, double red, double green, double blue) {
    EXPECT_NEAR(r.totalR, red, kTolerance);
    EXPECT_NEAR(r.totalG, green, kTolerance);
    EXPECT_NEAR(r.totalB, blue, kTolerance);
}

void expectOnlyTotalsWritten(const TraceResult& r) {
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.surfaceGlare, kUntouched);
    EXPECT_EQ(r.innerR, kUntouched);
    EXPECT_EQ(r.innerG, kUntouched);
    EXPECT_EQ(r.innerB, kUntouched);
}

const TestScene& cube() {
    static const TestScene scene = makeCube(0.5);
    return scene;
}

TEST(TrappedRay, BlackBackdropGivesFiveHundredthsWhateverTheBackLight) {
    for (const int backLight : {0, 100, 200}) {
        TraceCall call = trappedRay();
        call.backLight = backLight;
        const TraceResult r = trace(cube(), call);
        expectColour(r, 0.05, 0.05, 0.05);
        EXPECT_EQ(r.segmentLength, 0.0) << "the trapped segment counts as no path";
        expectOnlyTotalsWritten(r);
    }
}

TEST(TrappedRay, RedBackdropWithDoubleBackLight) {
    TraceCall call = trappedRay();
    call.backdropR = 255;
    call.backLight = 200;
    // extra = 0.2, divided by 256 (not 255): 255 * 0.2 / 256 = 0.19921875.
    expectColour(trace(cube(), call), 0.02 + 0.19921875, 0.02, 0.02);

    call.backLight = 150;
    expectColour(trace(cube(), call), 0.02 + 25.5 / 256.0, 0.02, 0.02);
}

TEST(TrappedRay, BackLightAtOrBelowHundredAddsNothing) {
    for (const int backLight : {0, 50, 100}) {
        TraceCall call = trappedRay();
        call.backdropR = 255;
        call.backLight = backLight;
        expectColour(trace(cube(), call), 0.02, 0.02, 0.02);
    }
}

TEST(TrappedRay, BrightnessStepUsesIntegerDivisionAndStopsAtOne) {
    TraceCall call = trappedRay();
    call.backLight = 200;
    // 3 * 147^2 = 64827 < 65025: still dark.
    call.backdropR = call.backdropG = call.backdropB = 147;
    const double dark = 0.05 + 147 * 0.2 / 256.0;
    expectColour(trace(cube(), call), dark, dark, dark);
    // 3 * 148^2 = 65712: bright.
    call.backdropR = call.backdropG = call.backdropB = 148;
    expectColour(trace(cube(), call), 0.135625, 0.135625, 0.135625);
    // 3 * 200^2 / 65025 = 1.
    call.backdropR = call.backdropG = call.backdropB = 200;
    expectColour(trace(cube(), call), 0.17625, 0.17625, 0.17625);
    // 3 * 255^2 / 65025 = 3, which still counts as 1.
    call.backdropR = call.backdropG = call.backdropB = 255;
    expectColour(trace(cube(), call), 0.21921875, 0.21921875, 0.21921875);
}

TEST(TrappedRay, IgnoresDirectionLightsAndStoneColour) {
    TraceCall call = trappedRay();
    call.direction = Vec3{0.6, -0.8, 0.0};
    call.light = Vec3{0.6, -0.8, 0.0};
    call.absorptionR = 0.03;
    call.absorptionB = 0.05;
    call.mainLight = 200;
    call.fillLight = 0;
    call.depth = 5;  // beyond the limit counts the same
    expectColour(trace(cube(), call), 0.05, 0.05, 0.05);
}

TEST(SurfaceGlare, SixteenthPowerOfTheLightCosine) {
    // D . L = 0.9 exactly.
    TraceCall call = glareRay(Vec3{0.0, 0.0, 1.0}, Vec3{0.0, std::sqrt(0.19), 0.9});
    const TraceResult r = trace(cube(), call);
    const double g = r.totalR / (100 * 0.05);
    EXPECT_NEAR(g, 0.1853, 5e-5);
    EXPECT_NEAR(g, std::pow(0.9, 16), 1e-15);
    EXPECT_EQ(r.totalG, r.totalR);
    EXPECT_EQ(r.totalB, r.totalR);
    EXPECT_EQ(r.segmentLength, kUntouched);
    expectOnlyTotalsWritten(r);
}

TEST(SurfaceGlare, NarrowHighlightUsesThirtySecondPower) {
    TraceCall call = glareRay(Vec3{0.0, 0.0, 1.0}, Vec3{0.0, std::sqrt(0.19), 0.9});
    call.narrowHighlight = 1;
    const double g = trace(cube(), call).totalR / 5.0;
    EXPECT_NEAR(g, 0.0343, 5e-5);
    EXPECT_NEAR(g, std::pow(0.9, 32), 1e-15);
}

TEST(SurfaceGlare, ScalesWithMainLightAndIsWhite) {
    TraceCall call = glareRay(Vec3{0.0, 0.0, -1.0}, Vec3{0.0, 0.0, -1.0});
    call.mainLight = 200;
    call.backdropR = 255;
    call.absorptionR = 0.03;
    call.absorptionB = 0.05;
    expectColour(trace(cube(), call), 10.0, 10.0, 10.0);
    call.mainLight = 0;
    expectColour(trace(cube(), call), 0.0, 0.0, 0.0);
}

TEST(SurfaceGlare, NoneWhenFacingAwayFromTheLight) {
    // c = -1 would give 1 to an even power; it is clamped to 0 first.
    const TraceCall call = glareRay(Vec3{0.0, 0.0, 1.0}, Vec3{0.0, 0.0, -1.0});
    expectColour(trace(cube(), call), 0.0, 0.0, 0.0);
}

TEST(LeavingRay, BlackBackdropCarriesOnlyWhiteLight) {
    TraceCall call = leavingRay(withDz(-0.25));
    call.light = Vec3{0.0, 0.0, -1.0};  // c = 0.25
    call.mainLight = 100;
    call.absorptionR = 0.03;
    call.absorptionB = 0.05;
    // fill 100 * 0.12 * 25 * 0.01 = 3, main 0.175 * 100 * 0.25 = 4.375.
    const TraceResult r = trace(cube(), call);
    expectColour(r, 0.07375, 0.07375, 0.07375);
    EXPECT_EQ(r.segmentLength, kUntouched);
    expectOnlyTotalsWritten(r);
}

TEST(LeavingRay, QuarterDownwardHalvesTheBackdropAndTakesQuarterFill) {
    TraceCall call = leavingRay(withDz(-0.25));
    call.backdropR = 255;
    // b = 50, kb = 50, kf = 25.
    expectColour(trace(cube(), call), (50 * 0.110565 + 3.0) * 0.01, 0.03, 0.03);
}

TEST(LeavingRay, NearlyLevelRayTruncatesBothFactors) {
    TraceCall call = leavingRay(withDz(-0.004));
    call.backdropR = 255;
    // b = int(99.2) = 99, kf = int(0.4) = 0.
    expectColour(trace(cube(), call), 99 * 0.110565 * 0.01, 0.0, 0.0);
    // kb = int(99 * 150 * 0.01) = int(148.5) = 148.
    call.backLight = 150;
    expectColour(trace(cube(), call), 148 * 0.110565 * 0.01, 0.0, 0.0);
}

TEST(LeavingRay, SteeplyDownwardSeesNoBackdrop) {
    TraceCall call = leavingRay(withDz(-0.625));
    call.backdropR = 255;
    // b = int(100 - 125) is clamped to 0; kf = int(62.5) = 62: 100 * 0.12 * 62 * 0.01 = 7.44.
    expectColour(trace(cube(), call), 0.0744, 0.0744, 0.0744);
}

// The backdrop share b is the one place where a direction becomes an integer. A z component that
// is not a number (a direction from a damaged orientation) counts as not turned back, and one far
// below -0.5 gives 0, so no conversion is ever out of range.
TEST(LeavingRay, BackdropShareIsDefinedForEveryZComponent) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, int32_t> cases[] = {
        {0.0, 100},  {-0.0, 100}, {0.7, 100},   {inf, 100},  {-0.004, 99}, {-0.25, 50},
        {-0.5, 0},   {-0.504, 0}, {-0.505, 0},  {-1.0, 0},   {-inf, 0},    {nan, 100},
        {-nan, 100}, {-1e300, 0}, {-0.4951, 0}, {-0.4949, 1}};
    for (const auto& [dz, share] : cases) EXPECT_EQ(steps::backdropShare(dz), share) << dz;
}

TEST(LeavingRay, RayAwayFromTheEyeSeesTheWholeBackdrop) {
    for (const Vec3 d : {Vec3{0.0, 0.0, 1.0}, Vec3{1.0, 0.0, 0.0}, withDz(0.3)}) {
        TraceCall call = leavingRay(d);
        call.backdropR = 255;
        call.backLight = 50;  // kb = 100 * 50 * 0.01 = 50
        expectColour(trace(cube(), call), 50 * 0.110565 * 0.01, 0.0, 0.0);
    }
}

TEST(LeavingRay, StoneColourTintsTheBackdropWithoutClamping) {
    TraceCall call = leavingRay(Vec3{0.0, 0.0, 1.0});
    call.backdropR = call.backdropG = call.backdropB = 200;
    call.absorptionR = 0.03;
    call.absorptionB = 0.01;
    const double unit = 100.0 / 255.0 * 0.110565 * 0.01;
    expectColour(trace(cube(), call), 170 * unit, 200 * unit, 190 * unit);

    call.backdropR = call.backdropG = call.backdropB = 10;
    const TraceResult r = trace(cube(), call);
    EXPECT_NEAR(r.totalR, -20 * unit, kTolerance);
    EXPECT_LT(r.totalR, 0.0);
}

TEST(LeavingRay, ColourlessStoneIsGreyOnlyAgainstGreyBackdrop) {
    TraceCall call = leavingRay(withDz(-0.1));
    call.mainLight = 100;
    call.light = Vec3{0.0, 0.6, 0.8};
    call.backdropR = call.backdropG = call.backdropB = 90;
    TraceResult r = trace(cube(), call);
    EXPECT_EQ(r.totalR, r.totalG);
    EXPECT_EQ(r.totalG, r.totalB);
    call.backdropG = 91;
    r = trace(cube(), call);
    EXPECT_EQ(r.totalR, r.totalB);
    EXPECT_GT(r.totalG, r.totalR);
}

TEST(LeavingRay, MainLightFollowsTheCosine) {
    TraceCall call = leavingRay(Vec3{0.0, 0.0, 1.0});
    call.mainLight = 100;
    call.light = Vec3{0.0, 0.6, 0.8};
    expectColour(trace(cube(), call), 0.14, 0.14, 0.14);  // 0.175 * 100 * 0.8 * 0.01
    call.light = Vec3{0.0, 0.0, -1.0};
    expectColour(trace(cube(), call), 0.0, 0.0, 0.0);
}

}  // namespace
}  // namespace tavrine::test
