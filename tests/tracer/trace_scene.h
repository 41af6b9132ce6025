#pragma once
// Small scenes for the tracer tests, and one call of the tracer with every output prefilled.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tracer/tvrt.h"

namespace tavrine::test {

// A value that no output of the tracer can take by chance: an output still holding it was not
// written.
inline constexpr double kUntouched = -777.25;

// A stone: corners and facets, with each facet's normal and plane as the preview pass
// prepares them.
struct TestScene {
    std::vector<Vertex> vertices;
    std::vector<Facet> facets;
};

// Appends a facet with the given corners (normal and plane are left for prepareFacets).
inline void addFacet(TestScene& scene, std::initializer_list<int32_t> corners) {
    Facet facet{};
    for (const int32_t corner : corners) {
        facet.vertexIndex[facet.vertexCount] = corner;
        ++facet.vertexCount;
    }
    scene.facets.push_back(facet);
}

// Computes each facet's unit outward normal from its first three corners,
// normalize((P2 - P1) x (P1 - P0)), and its plane scaled by delta = -(normal . P0): (normal /
// delta, 1), or (normal, 0) when delta is exactly 0. Flags a facet whose normal points towards
// the centroid of the corners, which would be a mistake in the test's own data.
inline void prepareFacets(TestScene& scene) {
    Vec3 centre{0.0, 0.0, 0.0};
    for (const Vertex& v : scene.vertices) {
        centre = Vec3{centre.x + v.x, centre.y + v.y, centre.z + v.z};
    }
    const double count = static_cast<double>(scene.vertices.size());
    centre = Vec3{centre.x / count, centre.y / count, centre.z / count};

    for (std::size_t j = 0; j < scene.facets.size(); ++j) {
        Facet& facet = scene.facets[j];
        const Vertex& p0 = scene.vertices[facet.vertexIndex[0]];
        const Vertex& p1 = scene.vertices[facet.vertexIndex[1]];
        const Vertex& p2 = scene.vertices[facet.vertexIndex[2]];
        const Vec3 u{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
        const Vec3 w{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
        const Vec3 n{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
        const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        facet.normal = Vec3{n.x / length, n.y / length, n.z / length};
        const Vec3& normal = facet.normal;
        const double delta = -(normal.x * p0.x + normal.y * p0.y + normal.z * p0.z);
        if (delta != 0.0) {
            facet.plane[0] = normal.x / delta;
            facet.plane[1] = normal.y / delta;
            facet.plane[2] = normal.z / delta;
            facet.plane[3] = 1.0;
        } else {
            facet.plane[0] = normal.x;
            facet.plane[1] = normal.y;
            facet.plane[2] = normal.z;
            facet.plane[3] = 0.0;
        }
        const double outward = normal.x * (p0.x - centre.x) + normal.y * (p0.y - centre.y) +
                               normal.z * (p0.z - centre.z);
        if (!(outward > 0.0)) {
            ADD_FAILURE() << "test scene facet " << j << " is wound inwards";
        }
    }
}

// The axis-aligned cube [-h, h]^3. Corner i has x = +h when bit 0 is set, y when bit 1, z when
// bit 2. Facets: 0 = -z (faces the eye), 1 = +z, 2 = -x, 3 = +x, 4 = -y, 5 = +y.
inline TestScene makeCube(double h) {
    TestScene scene;
    for (int i = 0; i < 8; ++i) {
        scene.vertices.push_back(
            Vertex{(i & 1) != 0 ? h : -h, (i & 2) != 0 ? h : -h, (i & 4) != 0 ? h : -h});
    }
    addFacet(scene, {0, 1, 3, 2});
    addFacet(scene, {4, 6, 7, 5});
    addFacet(scene, {0, 2, 6, 4});
    addFacet(scene, {1, 5, 7, 3});
    addFacet(scene, {0, 4, 5, 1});
    addFacet(scene, {2, 3, 7, 6});
    prepareFacets(scene);
    return scene;
}

// A roof-shaped prism: two slopes facing the eye that meet in the ridge x = 0, z = -0.5, a flat
// back in the plane z = 0 (through the origin, so its plane has d = 0), and two triangular
// ends at y = -0.5 and y = 0.5. With leftFirst the slope with normal (-1, 0, -1)/sqrt(2) is
// facet 0 and the one with (1, 0, -1)/sqrt(2) facet 1; otherwise the other way round. The
// back is facet 2.
inline TestScene makeRoof(bool leftFirst) {
    TestScene scene;
    scene.vertices = {{-0.5, -0.5, 0.0}, {0.0, -0.5, -0.5}, {0.5, -0.5, 0.0},
                      {-0.5, 0.5, 0.0},  {0.0, 0.5, -0.5},  {0.5, 0.5, 0.0}};
    if (leftFirst) {
        addFacet(scene, {1, 4, 3, 0});
        addFacet(scene, {1, 2, 5, 4});
    } else {
        addFacet(scene, {1, 2, 5, 4});
        addFacet(scene, {1, 4, 3, 0});
    }
    addFacet(scene, {3, 5, 2, 0});
    addFacet(scene, {2, 1, 0});
    addFacet(scene, {3, 4, 5});
    prepareFacets(scene);
    return scene;
}

// The inputs of one tracer call, with the defaults of a plain primary ray along +z.
struct TraceCall {
    Vec3 origin{0.1, 0.2, -1.1};
    Vec3 direction{0.0, 0.0, 1.0};
    double outerIndex = 1.0;
    double stoneIndex = 1.5;
    int32_t inside = 0;
    Vec3 light{0.0, 0.0, -1.0};
    int32_t depth = 0;
    int32_t maxDepth = 8;
    double absorptionR = 0.0;
    double absorptionG = 0.0;
    double absorptionB = 0.0;
    int32_t backdropR = 0;
    int32_t backdropG = 0;
    int32_t backdropB = 0;
    int32_t mainLight = 100;
    int32_t backLight = 100;
    int32_t fillLight = 100;
    int32_t narrowHighlight = 0;
};

// Returns the reflectance at normal incidence, ((n1 - n2) / (n1 + n2))^2, as the caller
// computes it.
inline double normalReflectance(const TraceCall& call) {
    const double q = (call.outerIndex - call.stoneIndex) / (call.outerIndex + call.stoneIndex);
    return q * q;
}

// Everything a call gives back; outputs it did not write still hold kUntouched.
struct TraceResult {
    int32_t result = -1;
    double totalR = kUntouched;
    double totalG = kUntouched;
    double totalB = kUntouched;
    double surfaceGlare = kUntouched;
    double innerR = kUntouched;
    double innerG = kUntouched;
    double innerB = kUntouched;
    double segmentLength = kUntouched;
};

// The tracer's scratch arrays, sized for a scene.
struct Scratch {
    explicit Scratch(const TestScene& scene)
        : candidates(scene.facets.size() + 1, 0),
          relative(scene.vertices.size() + 1, Vec3{0.0, 0.0, 0.0}),
          projected(scene.vertices.size() + 1, Vec3{0.0, 0.0, 0.0}) {}
    std::vector<int32_t> candidates;
    std::vector<Vec3> relative;
    std::vector<Vec3> projected;
};

// Calls the tracer once with the given scratch arrays; the outputs start as in `initial`.
inline TraceResult trace(const TestScene& scene, const TraceCall& call, Scratch& scratch,
                         const TraceResult& initial = TraceResult{}) {
    TraceResult r = initial;
    r.result = Trace_TraceVector_CPP(
        call.origin.x, call.origin.y, call.origin.z, call.direction.x, call.direction.y,
        call.direction.z, call.outerIndex, call.stoneIndex, call.inside, normalReflectance(call),
        &call.light, static_cast<int32_t>(scene.facets.size()), scene.facets.data(),
        scratch.candidates.data(), static_cast<int32_t>(scene.vertices.size()),
        scene.vertices.data(), scratch.relative.data(), scratch.projected.data(), call.depth,
        call.maxDepth, call.absorptionR, call.absorptionG, call.absorptionB, call.backdropR,
        call.backdropG, call.backdropB, call.mainLight, call.backLight, call.fillLight,
        call.narrowHighlight, &r.totalR, &r.totalG, &r.totalB, &r.surfaceGlare, &r.innerR,
        &r.innerG, &r.innerB, &r.segmentLength);
    return r;
}

// Calls the tracer once with fresh scratch arrays.
inline TraceResult trace(const TestScene& scene, const TraceCall& call) {
    Scratch scratch(scene);
    return trace(scene, call, scratch);
}

}  // namespace tavrine::test
