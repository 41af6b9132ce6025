// The recursive ray tracer: one ray through a convex faceted stone, its reflection and
// refraction at every facet it meets, the Fresnel weighting and absorption of the light it
// brings back, and the shading of the rays that end.
//
// Everything here is arithmetic on the caller's arrays and the stack: no state, no globals, no
// allocation. The order of every operation is part of the result (pictures are compared to the
// last bit), so the formulas are written out term by term and left to right.

#include <cmath>
#include <cstdint>

#include "tracer/trace_steps.h"
#include "tracer/tvrt.h"

namespace tavrine {
namespace {

// The arguments that a ray passes unchanged to its children: the stone, the lights, the
// backdrop, the settings and the scratch arrays.
struct TraceScene {
    double outerIndex;
    double stoneIndex;
    double normalReflectance;
    int32_t facetCount;
    const Facet* facets;
    int32_t* candidateList;
    int32_t vertexCount;
    const Vertex* vertices;
    Vec3* relativeVertices;
    Vec3* projectedVertices;
    int32_t maxDepth;
    steps::Lighting lighting;
};

// Where one ray writes what it brings back.
struct TraceOutputs {
    double* totalR;
    double* totalG;
    double* totalB;
    double* surfaceGlare;
    double* innerR;
    double* innerG;
    double* innerB;
    double* segmentLength;
};

}  // namespace

// Returns true when (0, 0) lies inside the facet's polygon as projected into the ray's frame:
// every corner and its neighbour (the next one for a ray outside, step +1, the previous one
// for a ray inside, step -1) must turn the right way round the ray. Zero passes, so a ray
// through an edge or a corner passes for every facet sharing it.
static bool edgeTestPasses(const Facet& facet, const Vec3* projected, int32_t step) {
    const int32_t count = facet.vertexCount;
    for (int32_t k = 0; k < count; ++k) {
        const Vec3& p = projected[facet.vertexIndex[k]];
        const Vec3& q = projected[facet.vertexIndex[(count + k + step) % count]];
        if (steps::edgeCross(p, q) < 0.0) {
            return false;
        }
    }
    return true;
}

// Finds the first facet, in candidate order, that the ray from o along d meets; writes the hit
// point and the facet's index and returns true, or returns false when no facet qualifies.
// Overwrites the scene's three scratch arrays.
static bool findHit(const Vec3& o, const Vec3& d, bool inside, const TraceScene& scene, Vec3* hit,
                    int32_t* hitFacet) {
    // Candidates: outside, the facets that face the ray; inside, those it can leave through.
    // A dot product of exactly 0 counts as facing.
    const Vec3 toward = inside ? d : Vec3{-d.x, -d.y, -d.z};
    int32_t candidateCount = 0;
    for (int32_t j = 0; j < scene.facetCount; ++j) {
        if (steps::dot(toward, scene.facets[j].normal) >= 0.0) {
            scene.candidateList[candidateCount] = j;
            ++candidateCount;
        }
    }
    if (candidateCount == 0) {
        return false;
    }

    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        const Vertex& v = scene.vertices[i];
        scene.relativeVertices[i] = Vec3{v.x - o.x, v.y - o.y, v.z - o.z};
    }

    // Every corner in the ray's own frame, where the ray becomes the third axis.
    const steps::RayFrame frame = steps::rayFrame(d);
    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        scene.projectedVertices[i] = steps::project(frame, d, scene.relativeVertices[i]);
    }

    const int32_t step = inside ? -1 : 1;
    const int axis = steps::dominantAxis(d);
    const double dk = steps::onAxis(d, axis);
    for (int32_t n = 0; n < candidateCount; ++n) {
        const Facet& facet = scene.facets[scene.candidateList[n]];
        if (!edgeTestPasses(facet, scene.projectedVertices, step)) {
            continue;
        }
        // A plane nearly parallel to the ray is skipped rather than divided by.
        const double p = steps::planeAlong(facet.plane, d);
        if (steps::nearlyParallel(dk, p)) {
            continue;
        }
        *hit = steps::hitPoint(axis, o, d, facet.plane, p);
        *hitFacet = scene.candidateList[n];
        return true;
    }
    return false;
}

// Follows one ray: ends it and shades it, or finds the facet it meets, traces the reflected
// and the refracted child and combines their light. Returns 0 only for a primary ray that
// misses the stone.
static int32_t traceRay(const TraceScene& scene, const Vec3& origin, const Vec3& direction,
                        int32_t inside, int32_t depth, const TraceOutputs& out) {
    *out.totalR = 0.0;
    *out.totalG = 0.0;
    *out.totalB = 0.0;
    const bool isInside = inside != 0;

    // The ray ends at the depth limit, or as soon as a child ray has left the stone.
    if (depth >= scene.maxDepth || (depth > 0 && !isInside)) {
        if (isInside) {
            // A ray trapped inside at the depth limit; its segment counts as 0.
            const steps::Rgb c = steps::shadeTrapped(scene.lighting);
            *out.totalR = c.r;
            *out.totalG = c.g;
            *out.totalB = c.b;
            *out.segmentLength = 0.0;
        } else if (depth == 1) {
            // The primary ray's reflection off the outer surface.
            const double glare = steps::shadeGlare(direction, scene.lighting);
            *out.totalR = glare;
            *out.totalG = glare;
            *out.totalB = glare;
        } else {
            // A ray that has left the stone.
            const steps::Rgb c = steps::shadeLeaving(direction, scene.lighting);
            *out.totalR = c.r;
            *out.totalG = c.g;
            *out.totalB = c.b;
        }
        if (depth <= 0) {
            // Only with a depth limit of 0 or below: the primary ray never reached the stone,
            // and the outputs that the caller reads must not keep stale values.
            *out.surfaceGlare = 0.0;
            *out.innerR = 0.0;
            *out.innerG = 0.0;
            *out.innerB = 0.0;
        }
        return 1;
    }

    Vec3 hit{};
    int32_t hitFacet = 0;
    if (!findHit(origin, direction, isInside, scene, &hit, &hitFacet)) {
        if (depth > 0) {
            *out.segmentLength = 0.0;
            return 1;
        }
        return 0;
    }
    *out.segmentLength = steps::distance(origin, hit);

    // The mirror and refracted directions at the facet, passing from the outer index into the
    // stone, or back out when inside.
    steps::Bounce bounce{};
    steps::mirror(direction, scene.facets[hitFacet].normal, isInside, bounce);
    steps::refract(direction, steps::indexRatio(scene.outerIndex, scene.stoneIndex, isInside),
                   bounce);

    // The children's own glare and inner values are not needed here.
    double childGlare = 0.0;
    double childInnerR = 0.0;
    double childInnerG = 0.0;
    double childInnerB = 0.0;

    // The reflected child stays on this side of the facet and is always traced first. Both
    // children start exactly on the facet; the candidate test keeps them from meeting it again.
    double reflectedR = 0.0;
    double reflectedG = 0.0;
    double reflectedB = 0.0;
    double reflectedLength = 0.0;
    traceRay(scene, hit, bounce.reflected, inside, depth + 1,
             TraceOutputs{&reflectedR, &reflectedG, &reflectedB, &childGlare, &childInnerR,
                          &childInnerG, &childInnerB, &reflectedLength});

    // The refracted child crosses the facet; its light becomes this ray's inner share.
    double refractedLength = 0.0;
    if (bounce.isRefracted) {
        traceRay(scene, hit, bounce.refracted, isInside ? 0 : 1, depth + 1,
                 TraceOutputs{out.innerR, out.innerG, out.innerB, &childGlare, &childInnerR,
                              &childInnerG, &childInnerB, &refractedLength});
    } else {
        *out.innerR = 0.0;
        *out.innerG = 0.0;
        *out.innerB = 0.0;
    }

    // Fresnel weight of the reflection.
    const double f = steps::fresnel(scene.normalReflectance, bounce, isInside);
    reflectedR *= f;
    reflectedG *= f;
    reflectedB *= f;
    *out.surfaceGlare = reflectedR;
    *out.innerR *= 1.0 - f;
    *out.innerG *= 1.0 - f;
    *out.innerB *= 1.0 - f;

    // Absorption along the path inside the stone: for the primary ray, the refracted child's
    // first segment; inside, the reflected child's segment (the refracted child leaves).
    if (depth > 0) {
        steps::absorb(&reflectedR, scene.lighting.absorption[0], reflectedLength);
        steps::absorb(&reflectedG, scene.lighting.absorption[1], reflectedLength);
        steps::absorb(&reflectedB, scene.lighting.absorption[2], reflectedLength);
    } else if (bounce.isRefracted) {
        steps::absorb(out.innerR, scene.lighting.absorption[0], refractedLength);
        steps::absorb(out.innerG, scene.lighting.absorption[1], refractedLength);
        steps::absorb(out.innerB, scene.lighting.absorption[2], refractedLength);
    }

    *out.totalR = *out.innerR + reflectedR;
    *out.totalG = *out.innerG + reflectedG;
    *out.totalB = *out.innerB + reflectedB;
    return 1;
}

}  // namespace tavrine

int32_t Trace_TraceVectorLit_CPP(
    double originX, double originY, double originZ, double directionX, double directionY,
    double directionZ, double outerIndex, double stoneIndex, int32_t inside,
    double normalReflectance, const Vec3* lightDirection, int32_t facetCount, const Facet* facets,
    int32_t* candidateList, int32_t vertexCount, const Vertex* vertices, Vec3* relativeVertices,
    Vec3* projectedVertices, int32_t depth, int32_t maxDepth, double absorptionR,
    double absorptionG, double absorptionB, int32_t backdropR, int32_t backdropG, int32_t backdropB,
    int32_t mainLight, int32_t backLight, int32_t fillLight, int32_t narrowHighlight,
    double* totalR, double* totalG, double* totalB, double* surfaceGlare, double* innerR,
    double* innerG, double* innerB, double* segmentLength, const TraceLighting* lighting) {
    // Without a lighting, or with one of no known kind, the Studio lighting.
    const int32_t kind =
        lighting != nullptr && (lighting->kind == kTraceIso || lighting->kind == kTraceCos)
            ? lighting->kind
            : kTraceStudio;
    const double headShadowCosine = lighting != nullptr ? lighting->headShadowCosine : 2.0;
    const tavrine::TraceScene scene{
        outerIndex,
        stoneIndex,
        normalReflectance,
        facetCount,
        facets,
        candidateList,
        vertexCount,
        vertices,
        relativeVertices,
        projectedVertices,
        maxDepth,
        tavrine::steps::Lighting{*lightDirection,
                                 {backdropR, backdropG, backdropB},
                                 mainLight,
                                 backLight,
                                 fillLight,
                                 narrowHighlight,
                                 {absorptionR, absorptionG, absorptionB},
                                 kind,
                                 headShadowCosine}};
    const tavrine::TraceOutputs out{totalR, totalG, totalB, surfaceGlare,
                                    innerR, innerG, innerB, segmentLength};
    return tavrine::traceRay(scene, Vec3{originX, originY, originZ},
                             Vec3{directionX, directionY, directionZ}, inside, depth, out);
}

int32_t Trace_TraceVector_CPP(double originX, double originY, double originZ, double directionX,
                              double directionY, double directionZ, double outerIndex,
                              double stoneIndex, int32_t inside, double normalReflectance,
                              const Vec3* lightDirection, int32_t facetCount, const Facet* facets,
                              int32_t* candidateList, int32_t vertexCount, const Vertex* vertices,
                              Vec3* relativeVertices, Vec3* projectedVertices, int32_t depth,
                              int32_t maxDepth, double absorptionR, double absorptionG,
                              double absorptionB, int32_t backdropR, int32_t backdropG,
                              int32_t backdropB, int32_t mainLight, int32_t backLight,
                              int32_t fillLight, int32_t narrowHighlight, double* totalR,
                              double* totalG, double* totalB, double* surfaceGlare, double* innerR,
                              double* innerG, double* innerB, double* segmentLength) {
    // The reference: the Studio lighting.
    return Trace_TraceVectorLit_CPP(
        originX, originY, originZ, directionX, directionY, directionZ, outerIndex, stoneIndex,
        inside, normalReflectance, lightDirection, facetCount, facets, candidateList, vertexCount,
        vertices, relativeVertices, projectedVertices, depth, maxDepth, absorptionR, absorptionG,
        absorptionB, backdropR, backdropG, backdropB, mainLight, backLight, fillLight,
        narrowHighlight, totalR, totalG, totalB, surfaceGlare, innerR, innerG, innerB,
        segmentLength, nullptr);
}
