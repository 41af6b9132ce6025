// Following rays through small stones: the facet search, reflection and refraction, the
// Fresnel weights, absorption along the path and the depth limit.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "tests/tracer/trace_scene.h"

namespace tavrine::test {
namespace {

constexpr double kTolerance = 1e-12;
const double kInvSqrt2 = 1.0 / std::sqrt(2.0);

const TestScene& cube() {
    static const TestScene scene = makeCube(0.5);
    return scene;
}

// The reflectance at normal incidence for the indexes 1.0 and 1.5.
double r0Glass() {
    const double q = (1.0 - 1.5) / (1.0 + 1.5);
    return q * q;
}

TEST(TraceMiss, PrimaryRayBesideTheStoneReturnsZero) {
    TraceCall call;
    call.origin = Vec3{2.0, 2.0, -1.1};
    const TraceResult r = trace(cube(), call);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.totalR, 0.0);
    EXPECT_EQ(r.totalG, 0.0);
    EXPECT_EQ(r.totalB, 0.0);
    EXPECT_EQ(r.surfaceGlare, kUntouched);
    EXPECT_EQ(r.innerR, kUntouched);
    EXPECT_EQ(r.innerG, kUntouched);
    EXPECT_EQ(r.innerB, kUntouched);
    EXPECT_EQ(r.segmentLength, kUntouched);
}

TEST(TraceMiss, StoneWithoutFacetsIsNeverMet) {
    TestScene empty = cube();
    empty.facets.clear();
    const TraceResult r = trace(empty, TraceCall{});
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.totalR, 0.0);
    EXPECT_EQ(r.segmentLength, kUntouched);
}

TEST(TraceMiss, RayInsideFindingNoFacetBringsBlackAndZeroSegment) {
    TraceCall call;
    call.origin = Vec3{2.0, 2.0, 0.0};
    call.inside = 1;
    call.depth = 1;
    call.maxDepth = 4;
    const TraceResult r = trace(cube(), call);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.totalR, 0.0);
    EXPECT_EQ(r.totalG, 0.0);
    EXPECT_EQ(r.totalB, 0.0);
    EXPECT_EQ(r.segmentLength, 0.0);
    EXPECT_EQ(r.surfaceGlare, kUntouched);
    EXPECT_EQ(r.innerR, kUntouched);
}

TEST(TraceSquareOn, FacetFacingTheEyeReflectsTheNormalReflectance) {
    // maxDepth 1: the reflection straight back is glare with c = 1 (5 per channel), the
    // refraction is a trapped ray against a black backdrop (0.05).
    TraceCall call;
    call.maxDepth = 1;
    const TraceResult r = trace(cube(), call);
    const double f = r0Glass();
    EXPECT_EQ(r.result, 1);
    EXPECT_NEAR(r.surfaceGlare, 5.0 * f, kTolerance);
    EXPECT_NEAR(r.innerR, 0.05 * (1.0 - f), kTolerance);
    EXPECT_NEAR(r.innerB, 0.05 * (1.0 - f), kTolerance);
    EXPECT_NEAR(r.totalG, 0.05 * (1.0 - f) + 5.0 * f, kTolerance);
    EXPECT_NEAR(r.segmentLength, 0.6, kTolerance);
}

TEST(TraceSquareOn, IndexOneTransmitsEverythingStraightThrough) {
    // With equal indexes nothing is reflected (the glare straight back at the light would be
    // 5), and the ray leaves through the back facet along +z after a path of exactly 1
    // inside, where it sees the whole backdrop tinted by the stone colour.
    TraceCall call;
    call.stoneIndex = 1.0;
    call.backdropR = 255;
    call.absorptionR = 0.01;
    call.absorptionB = 0.5;
    const TraceResult r = trace(cube(), call);
    EXPECT_EQ(r.surfaceGlare, 0.0);
    const double leavingR = (255 - 10) * 100 / 255.0 * 0.110565 * 0.01;
    EXPECT_NEAR(r.innerR, leavingR - 0.01 * 1.0, kTolerance);
    EXPECT_EQ(r.innerG, 0.0);
    // Blue: the leaving ray is already negative (0 - 500 tinted backdrop), and the path
    // absorption clamps the primary ray's share at 0.
    EXPECT_EQ(r.innerB, 0.0);
    EXPECT_NEAR(r.totalR, r.innerR, kTolerance);
    EXPECT_NEAR(r.segmentLength, 0.6, kTolerance);
}

TEST(TraceSquareOn, ChainOfBouncesWeightsAndAbsorbsEachSegment) {
    // Square-on in the cube every bounce has cosI = cosT = 1, so every Fresnel weight is R0
    // and the reflected ray runs back and forth along z, each segment of length 1.
    TraceCall call;
    call.maxDepth = 3;
    call.light = Vec3{0.0, 0.0, 1.0};
    call.backdropR = call.backdropG = call.backdropB = 255;
    call.absorptionR = 0.001;
    call.absorptionG = 0.002;
    call.absorptionB = 0.004;
    const TraceResult r = trace(cube(), call);

    const double f = r0Glass();
    const double trapped = 0.02;      // bright backdrop, back light 100
    const double leavingBack = 0.12;  // along -z: no backdrop, full fill light, no main light
    const double absorption[3] = {0.001, 0.002, 0.004};
    const double got[3] = {r.innerR, r.innerG, r.innerB};
    for (int ch = 0; ch < 3; ++ch) {
        // Along +z: the tinted backdrop and the main light with c = 1.
        const double leavingFront =
            ((255 - 1000 * absorption[ch]) * 100 / 255.0 * 0.110565 + 17.5) * 0.01;
        // depth 2, at the front facet: the trapped reflection has length 0.
        const double level2 = leavingBack * (1.0 - f) + trapped * f;
        // depth 1, at the back facet: the reflection is absorbed over its segment of 1.
        const double level1 = leavingFront * (1.0 - f) + (level2 * f - absorption[ch]);
        // depth 0: the refraction is absorbed over its segment of 1.
        const double primary = level1 * (1.0 - f) - absorption[ch];
        EXPECT_NEAR(got[ch], primary, kTolerance) << "channel " << ch;
    }
    EXPECT_EQ(r.surfaceGlare, 0.0);  // the glare goes back to the eye, away from the light
    EXPECT_NEAR(r.totalB, r.innerB, kTolerance);
}

TEST(TraceInside, TotalInternalReflectionSendsEverythingBack) {
    // From the centre at 36.87 degrees to the +z facet with index 2.4: (0.6 * 2.4)^2 > 1.
    TraceCall call;
    call.origin = Vec3{0.0, 0.0, 0.0};
    call.direction = Vec3{0.6, 0.0, 0.8};
    call.stoneIndex = 2.4;
    call.inside = 1;
    call.depth = 1;
    call.maxDepth = 2;
    call.backdropR = 255;
    call.backLight = 200;
    call.absorptionR = 0.5;
    // Stale inner values that would survive any weighting if they were not cleared.
    TraceResult stale;
    stale.innerR = stale.innerG = stale.innerB = std::numeric_limits<double>::infinity();
    Scratch scratch(cube());
    const TraceResult r = trace(cube(), call, scratch, stale);
    EXPECT_EQ(r.innerR, 0.0);
    EXPECT_EQ(r.innerG, 0.0);
    EXPECT_EQ(r.innerB, 0.0);
    // F = 1: the whole trapped reflection comes back, red 0.02 + 255 * 0.2 / 256 and green
    // and blue 0.02, not absorbed (its segment counts as 0).
    EXPECT_DOUBLE_EQ(r.surfaceGlare, 0.21921875);
    EXPECT_DOUBLE_EQ(r.totalR, 0.21921875);
    EXPECT_DOUBLE_EQ(r.totalG, 0.02);
    EXPECT_NEAR(r.segmentLength, 0.625, kTolerance);
}

TEST(TraceInside, LeavingTheStoneUsesFirstPowerFresnel) {
    // The same ray with index 1.5 gets out: sinT = 0.9, cosT = sqrt(0.19).
    TraceCall call;
    call.origin = Vec3{0.0, 0.0, 0.0};
    call.direction = Vec3{0.6, 0.0, 0.8};
    call.inside = 1;
    call.depth = 1;
    call.maxDepth = 2;
    call.light = Vec3{1.0, 0.0, 0.0};  // c = T.x = 0.9 for the ray that leaves
    const TraceResult r = trace(cube(), call);
    const double f = r0Glass() + (1.0 - r0Glass()) * (1.0 - std::sqrt(0.19));
    const double leaving = 0.175 * 100 * 0.9 * 0.01;
    EXPECT_NEAR(r.surfaceGlare, 0.05 * f, kTolerance);
    EXPECT_NEAR(r.innerR, leaving * (1.0 - f), kTolerance);
    EXPECT_NEAR(r.totalB, leaving * (1.0 - f) + 0.05 * f, kTolerance);
    EXPECT_NEAR(r.segmentLength, 0.625, kTolerance);
}

TEST(TraceInside, LeavingRayKeepsCosTAlongTheNormal) {
    // The same ray against the +x, +y and +z facets: the leaving ray's component along the
    // facet normal is cosT = sqrt(0.19), read through a main light along that normal.
    const Vec3 directions[] = {{0.8, 0.0, 0.6}, {0.0, 0.8, 0.6}, {0.6, 0.0, 0.8}};
    const Vec3 normals[] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    const double f = r0Glass() + (1.0 - r0Glass()) * (1.0 - std::sqrt(0.19));
    for (int i = 0; i < 3; ++i) {
        TraceCall call;
        call.origin = Vec3{0.0, 0.0, 0.0};
        call.direction = directions[i];
        call.inside = 1;
        call.depth = 1;
        call.maxDepth = 2;
        call.light = normals[i];
        const double leaving = 0.175 * 100 * std::sqrt(0.19) * 0.01;
        EXPECT_NEAR(trace(cube(), call).innerG, leaving * (1.0 - f), kTolerance) << "facet " << i;
    }
}

TEST(TraceEdges, RayThroughAnEdgeTakesTheLowerFacetIndex) {
    // The ridge of the roof: the left slope mirrors the ray to -x (towards the light), the
    // right slope to +x (no glare).
    TraceCall call;
    call.origin = Vec3{0.0, 0.1, -1.1};
    call.maxDepth = 1;
    call.light = Vec3{-1.0, 0.0, 0.0};
    const double e = 1.0 - kInvSqrt2;
    const double f = r0Glass() + (1.0 - r0Glass()) * (e * e * e * e * e);

    const TraceResult leftFirst = trace(makeRoof(true), call);
    EXPECT_EQ(leftFirst.result, 1);
    EXPECT_NEAR(leftFirst.surfaceGlare, 5.0 * f, kTolerance);
    EXPECT_NEAR(leftFirst.segmentLength, 0.6, kTolerance);

    const TraceResult rightFirst = trace(makeRoof(false), call);
    EXPECT_EQ(rightFirst.result, 1);
    EXPECT_EQ(rightFirst.surfaceGlare, 0.0);

    // Off the ridge the facet order does not matter.
    call.origin.x = -0.01;
    EXPECT_NEAR(trace(makeRoof(false), call).surfaceGlare, 5.0 * f, kTolerance);
    call.origin.x = 0.01;
    EXPECT_EQ(trace(makeRoof(true), call).surfaceGlare, 0.0);
}

TEST(TraceEdges, FacetParallelToTheRayIsCandidateButSkipped) {
    // The -x facet moved to index 0; the ray runs in its plane, so its projection is a line
    // through the ray and passes the edge test; p = 0 must reject it.
    TestScene scene = cube();
    scene.facets = {cube().facets[2], cube().facets[0], cube().facets[1],
                    cube().facets[3], cube().facets[4], cube().facets[5]};
    TraceCall call;
    call.origin = Vec3{-0.5, 0.2, -1.1};
    call.maxDepth = 1;
    Scratch scratch(scene);
    const TraceResult r = trace(scene, call, scratch);
    EXPECT_EQ(r.result, 1);
    EXPECT_NEAR(r.surfaceGlare, 5.0 * r0Glass(), kTolerance);  // met the facing facet
    EXPECT_NEAR(r.segmentLength, 0.6, kTolerance);
    // A dot product of exactly 0 counts as facing: all but the back facet are candidates.
    const std::vector<int32_t> expected = {0, 1, 3, 4, 5};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(scratch.candidates[i], expected[i]) << "candidate " << i;
    }
}

TEST(TraceFrames, DyOfExactlyOneOverRootTwoUsesTheFirstFrame) {
    // maxDepth 1: the children end at once, so the scratch keeps the primary ray's projection.
    const Vec3 d{0.5, kInvSqrt2, 0.5};
    TraceCall call;
    call.direction = d;
    call.origin = Vec3{-1.5 * d.x, -1.5 * d.y, -1.5 * d.z};
    call.maxDepth = 1;
    Scratch scratch(cube());
    EXPECT_EQ(trace(cube(), call, scratch).result, 1);
    // c = sqrt(0.5): e1 = (1, 0, -1)/sqrt(2), e2 = (-1/2, 1/sqrt(2), -1/2).
    const Vec3 e1{kInvSqrt2, 0.0, -kInvSqrt2};
    const Vec3 e2{-0.5, kInvSqrt2, -0.5};
    for (std::size_t i = 0; i < cube().vertices.size(); ++i) {
        const Vertex& v = cube().vertices[i];
        const Vec3 r{v.x - call.origin.x, v.y - call.origin.y, v.z - call.origin.z};
        EXPECT_NEAR(scratch.relative[i].y, r.y, kTolerance);
        EXPECT_NEAR(scratch.projected[i].x, e1.x * r.x + e1.y * r.y + e1.z * r.z, kTolerance);
        EXPECT_NEAR(scratch.projected[i].y, e2.x * r.x + e2.y * r.y + e2.z * r.z, kTolerance);
        EXPECT_NEAR(scratch.projected[i].z, d.x * r.x + d.y * r.y + d.z * r.z, kTolerance);
    }
}

TEST(TraceFrames, DyJustAboveOneOverRootTwoUsesTheSecondFrame) {
    const Vec3 d{0.5, std::nextafter(kInvSqrt2, 1.0), 0.5};
    TraceCall call;
    call.direction = d;
    call.origin = Vec3{-1.5 * d.x, -1.5 * d.y, -1.5 * d.z};
    call.maxDepth = 1;
    Scratch scratch(cube());
    EXPECT_EQ(trace(cube(), call, scratch).result, 1);
    // c = sqrt(0.75): e1 = (sqrt(3)/2, -1/sqrt(6), -1/sqrt(12)), e2 = (0, 1/sqrt(3), -sqrt(2/3)).
    const Vec3 e1{std::sqrt(3.0) / 2.0, -1.0 / std::sqrt(6.0), -1.0 / std::sqrt(12.0)};
    const Vec3 e2{0.0, 1.0 / std::sqrt(3.0), -std::sqrt(2.0 / 3.0)};
    for (std::size_t i = 0; i < cube().vertices.size(); ++i) {
        const Vertex& v = cube().vertices[i];
        const Vec3 r{v.x - call.origin.x, v.y - call.origin.y, v.z - call.origin.z};
        EXPECT_NEAR(scratch.projected[i].x, e1.x * r.x + e1.y * r.y + e1.z * r.z, 1e-9);
        EXPECT_NEAR(scratch.projected[i].y, e2.x * r.x + e2.y * r.y + e2.z * r.z, 1e-9);
    }
}

TEST(TraceFrames, StraightUpUsesTheSecondFrame) {
    // D = (0, 1, 0): c = 1, e1 = (1, 0, 0), e2 = (0, 0, -1), exactly.
    TraceCall call;
    call.origin = Vec3{0.1, -1.1, 0.2};
    call.direction = Vec3{0.0, 1.0, 0.0};
    call.light = Vec3{0.0, -1.0, 0.0};
    call.maxDepth = 1;
    Scratch scratch(cube());
    const TraceResult r = trace(cube(), call, scratch);
    for (std::size_t i = 0; i < cube().vertices.size(); ++i) {
        const Vertex& v = cube().vertices[i];
        EXPECT_EQ(scratch.projected[i].x, v.x - 0.1);
        EXPECT_EQ(scratch.projected[i].y, -(v.z - 0.2));
        EXPECT_EQ(scratch.projected[i].z, v.y - -1.1);
    }
    EXPECT_EQ(r.result, 1);
    EXPECT_NEAR(r.segmentLength, 0.6, kTolerance);
    EXPECT_NEAR(r.surfaceGlare, 5.0 * r0Glass(), kTolerance);
}

TEST(TraceHitPoint, EachDominantAxisFindsTheFacetAtTheRightDistance) {
    // Each ray meets a facet of the cube after exactly 1 unit, with the third coordinate off 0.
    struct Case {
        Vec3 origin;
        Vec3 direction;
    };
    const Case cases[] = {
        {{-1.3, -0.6, 0.1}, {0.8, 0.6, 0.0}},  // x dominant, meets -x at (-0.5, 0, 0.1)
        {{-0.6, -1.3, 0.1}, {0.6, 0.8, 0.0}},  // y dominant, meets -y at (0, -0.5, 0.1)
        {{0.1, -0.6, -1.3}, {0.0, 0.6, 0.8}},  // z dominant, meets -z at (0.1, 0, -0.5)
        {{0.1, 1.3, 0.6}, {0.0, -0.8, -0.6}},  // y dominant, negative, meets +y
    };
    for (const Case& c : cases) {
        TraceCall call;
        call.origin = c.origin;
        call.direction = c.direction;
        call.maxDepth = 1;
        const TraceResult r = trace(cube(), call);
        EXPECT_EQ(r.result, 1);
        EXPECT_NEAR(r.segmentLength, 1.0, kTolerance)
            << "direction " << c.direction.x << ", " << c.direction.y << ", " << c.direction.z;
    }
}

TEST(TraceHitPoint, FacetThroughTheOriginIsMet) {
    // The roof's back facet lies in z = 0, so its plane is (0, 0, 1, 0).
    TraceCall call;
    call.origin = Vec3{0.1, 0.1, 1.1};
    call.direction = Vec3{0.0, 0.0, -1.0};
    call.maxDepth = 1;
    EXPECT_NEAR(trace(makeRoof(true), call).segmentLength, 1.1, kTolerance);

    call.origin = Vec3{0.1, 0.1, -0.2};
    call.direction = Vec3{0.0, 0.0, 1.0};
    call.inside = 1;
    call.depth = 1;
    call.maxDepth = 2;
    EXPECT_NEAR(trace(makeRoof(true), call).segmentLength, 0.2, kTolerance);
}

TEST(TraceDepth, DepthOneGivesGlareAndTransmittedTrappedColour) {
    TraceCall call;
    call.maxDepth = 1;
    call.backdropR = 255;
    call.backLight = 200;
    call.absorptionR = call.absorptionG = call.absorptionB = 0.5;
    const TraceResult r = trace(cube(), call);
    const double f = r0Glass();
    // Glare: case B with c = 1; inner: the trapped colour weighted by 1 - F, not absorbed.
    EXPECT_NEAR(r.surfaceGlare, 5.0 * f, kTolerance);
    EXPECT_NEAR(r.innerR, (0.02 + 255 * 0.2 / 256.0) * (1.0 - f), kTolerance);
    EXPECT_NEAR(r.innerG, 0.02 * (1.0 - f), kTolerance);
    EXPECT_NEAR(r.innerB, 0.02 * (1.0 - f), kTolerance);
    EXPECT_NEAR(r.totalR, (0.02 + 255 * 0.2 / 256.0) * (1.0 - f) + 5.0 * f, kTolerance);
    EXPECT_NEAR(r.segmentLength, 0.6, kTolerance);
}

TEST(TraceDepth, DepthZeroEndsAtOnceAsALeavingRay) {
    for (const int32_t maxDepth : {0, -3}) {
        for (const double x : {0.1, 2.0}) {  // on the stone or beside it: never looked for
            TraceCall call;
            call.origin.x = x;
            call.maxDepth = maxDepth;
            call.backdropR = 255;
            call.mainLight = 0;
            const TraceResult r = trace(cube(), call);
            EXPECT_EQ(r.result, 1);
            EXPECT_NEAR(r.totalR, 0.110565, kTolerance);
            EXPECT_EQ(r.totalG, 0.0);
            EXPECT_EQ(r.surfaceGlare, 0.0);
            EXPECT_EQ(r.innerR, 0.0);
            EXPECT_EQ(r.innerG, 0.0);
            EXPECT_EQ(r.innerB, 0.0);
            EXPECT_EQ(r.segmentLength, kUntouched);
        }
    }
}

// The cube turned about two axes, so that rays bounce at many angles.
TestScene tiltedCube() {
    TestScene scene = makeCube(0.55);
    const double a = 0.4;
    const double b = 0.7;
    for (Vertex& v : scene.vertices) {
        const Vertex y{v.x * std::cos(a) + v.z * std::sin(a), v.y,
                       -v.x * std::sin(a) + v.z * std::cos(a)};
        v = Vertex{y.x, y.y * std::cos(b) - y.z * std::sin(b),
                   y.y * std::sin(b) + y.z * std::cos(b)};
    }
    prepareFacets(scene);
    return scene;
}

std::vector<uint64_t> bits(const TraceResult& r) {
    const double values[] = {r.totalR, r.totalG, r.totalB, r.surfaceGlare,
                             r.innerR, r.innerG, r.innerB, r.segmentLength};
    std::vector<uint64_t> out(9);
    std::memcpy(out.data(), values, sizeof(values));
    out[8] = static_cast<uint64_t>(r.result);
    return out;
}

TEST(TraceScratch, RubbishInTheScratchArraysChangesNothing) {
    const TestScene scene = tiltedCube();
    std::mt19937_64 random(20240601);
    const std::size_t guard = 4;
    int hits = 0;
    for (int row = 0; row < 15; ++row) {
        for (int column = 0; column < 15; ++column) {
            TraceCall call;
            call.origin = Vec3{-1.05 + 0.15 * column, -1.05 + 0.15 * row, -1.1};
            call.stoneIndex = 2.4;
            call.maxDepth = 12;
            call.backdropR = 40;
            call.backdropG = 90;
            call.backdropB = 200;
            call.absorptionG = 0.03;
            call.light = Vec3{0.0, kInvSqrt2, -kInvSqrt2};

            Scratch clean(scene);
            const TraceResult expected = trace(scene, call, clean);
            hits += expected.result;

            Scratch rubbish(scene);
            rubbish.candidates.resize(scene.facets.size() + guard);
            rubbish.relative.resize(scene.vertices.size() + guard);
            rubbish.projected.resize(scene.vertices.size() + guard);
            for (int32_t& c : rubbish.candidates) {
                c = static_cast<int32_t>(random());
            }
            for (std::vector<Vec3>* array : {&rubbish.relative, &rubbish.projected}) {
                for (Vec3& v : *array) {
                    uint64_t raw[3] = {random(), random(), random()};
                    std::memcpy(&v, raw, sizeof(raw));
                }
            }
            const Scratch before = rubbish;
            const TraceResult got = trace(scene, call, rubbish);
            EXPECT_EQ(bits(got), bits(expected)) << "row " << row << " column " << column;

            // Nothing is written past the entries the stone needs.
            for (std::size_t i = scene.facets.size(); i < rubbish.candidates.size(); ++i) {
                EXPECT_EQ(rubbish.candidates[i], before.candidates[i]);
            }
            for (std::size_t i = scene.vertices.size(); i < rubbish.projected.size(); ++i) {
                EXPECT_EQ(std::memcmp(&rubbish.projected[i], &before.projected[i], sizeof(Vec3)),
                          0);
                EXPECT_EQ(std::memcmp(&rubbish.relative[i], &before.relative[i], sizeof(Vec3)), 0);
            }
        }
    }
    EXPECT_GT(hits, 50);
    EXPECT_LT(hits, 225);
}

}  // namespace
}  // namespace tavrine::test
