// The recursive ray tracer: one ray through a convex faceted stone, its reflection and
// refraction at every facet it meets, the Fresnel weighting and absorption of the light it
// brings back, and the shading of the rays that end.
//
// Everything here is arithmetic on the caller's arrays and the stack: no state, no globals, no
// allocation. The order of every operation is part of the result (pictures are compared to the
// last bit), so the formulas are written out term by term and left to right.

#include <cmath>
#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {
namespace {

// The arguments that a ray passes unchanged to its children: the stone, the lights, the
// backdrop, the settings and the scratch arrays.
struct TraceScene {
    double outerIndex;
    double stoneIndex;
    double normalReflectance;
    const Vec3* lightDirection;
    int32_t facetCount;
    const Facet* facets;
    int32_t* candidateList;
    int32_t vertexCount;
    const Vertex* vertices;
    Vec3* relativeVertices;
    Vec3* projectedVertices;
    int32_t maxDepth;
    double absorptionR;
    double absorptionG;
    double absorptionB;
    int32_t backdropR;
    int32_t backdropG;
    int32_t backdropB;
    int32_t mainLight;
    int32_t backLight;
    int32_t fillLight;
    int32_t narrowHighlight;
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

// The two directions leaving a facet and their cosines.
struct Bounce {
    Vec3 reflected;
    Vec3 refracted;
    double cosI;
    double cosT;
    bool isRefracted;  // false under total internal reflection
};

}  // namespace

static double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Returns the index (0 = x, 1 = y, 2 = z) of the largest component of |d|; ties go to the
// later axis.
static int dominantAxis(const Vec3& d) {
    const double ax = std::fabs(d.x);
    const double ay = std::fabs(d.y);
    const double az = std::fabs(d.z);
    if (ay >= ax) {
        return az >= ay ? 2 : 1;
    }
    return az >= ax ? 2 : 0;
}

// Returns true when (0, 0) lies inside the facet's polygon as projected into the ray's frame:
// every corner and its neighbour (the next one for a ray outside, step +1, the previous one
// for a ray inside, step -1) must turn the right way round the ray. Zero passes, so a ray
// through an edge or a corner passes for every facet sharing it.
static bool edgeTestPasses(const Facet& facet, const Vec3* projected, int32_t step) {
    const int32_t count = facet.vertexCount;
    for (int32_t k = 0; k < count; ++k) {
        const Vec3& p = projected[facet.vertexIndex[k]];
        const Vec3& q = projected[facet.vertexIndex[(count + k + step) % count]];
        if (p.x * q.y - p.y * q.x < 0.0) {
            return false;
        }
    }
    return true;
}

// Returns the point where the ray meets the plane (pa, pb, pc, pd), with p = plane · D
// already known: the dominant coordinate is solved first and the other two, in ascending axis
// order, follow from it along the ray.
static Vec3 hitPoint(int axis, const Vec3& o, const Vec3& d, const double plane[4], double p) {
    const double pa = plane[0];
    const double pb = plane[1];
    const double pc = plane[2];
    const double pd = plane[3];
    Vec3 h{};
    if (axis == 0) {
        h.x = -(d.x * pd + pb * (d.x * o.y - d.y * o.x) + pc * (d.x * o.z - d.z * o.x)) / p;
        h.y = o.y + d.y * (h.x - o.x) / d.x;
        h.z = o.z + d.z * (h.x - o.x) / d.x;
    } else if (axis == 1) {
        h.y = -(d.y * pd + pa * (d.y * o.x - d.x * o.y) + pc * (d.y * o.z - d.z * o.y)) / p;
        h.x = o.x + d.x * (h.y - o.y) / d.y;
        h.z = o.z + d.z * (h.y - o.y) / d.y;
    } else {
        h.z = -(d.z * pd + pa * (d.z * o.x - d.x * o.z) + pb * (d.z * o.y - d.y * o.z)) / p;
        h.x = o.x + d.x * (h.z - o.z) / d.z;
        h.y = o.y + d.y * (h.z - o.z) / d.z;
    }
    return h;
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
        if (dot(toward, scene.facets[j].normal) >= 0.0) {
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

    // The ray's own right-handed frame (e1, e2, d): the ray becomes the third axis.
    Vec3 e1{};
    Vec3 e2{};
    if (std::fabs(d.y) <= 1.0 / std::sqrt(2.0)) {
        const double c = std::sqrt(d.x * d.x + d.z * d.z);
        e1 = Vec3{d.z / c, 0.0, -d.x / c};
        e2 = Vec3{-d.x * d.y / c, c, -d.y * d.z / c};
    } else {
        const double c = std::sqrt(d.y * d.y + d.z * d.z);
        e1 = Vec3{c, -d.x * d.y / c, -d.x * d.z / c};
        e2 = Vec3{0.0, d.z / c, -d.y / c};
    }
    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        const Vec3& r = scene.relativeVertices[i];
        scene.projectedVertices[i] = Vec3{dot(e1, r), dot(e2, r), dot(d, r)};
    }

    const int32_t step = inside ? -1 : 1;
    const int axis = dominantAxis(d);
    const double dk = axis == 0 ? d.x : (axis == 1 ? d.y : d.z);
    for (int32_t n = 0; n < candidateCount; ++n) {
        const Facet& facet = scene.facets[scene.candidateList[n]];
        if (!edgeTestPasses(facet, scene.projectedVertices, step)) {
            continue;
        }
        // A plane nearly parallel to the ray is skipped rather than divided by.
        const double p = facet.plane[0] * d.x + facet.plane[1] * d.y + facet.plane[2] * d.z;
        if (std::fabs(dk * p) < 0.0000001) {
            continue;
        }
        *hit = hitPoint(axis, o, d, facet.plane, p);
        *hitFacet = scene.candidateList[n];
        return true;
    }
    return false;
}

// Returns the mirror and refracted directions of ray direction d at a facet with outward unit
// normal `normal`, passing from index n1 (outside) into n2 (the stone), or back out when
// inside.
static Bounce reflectRefract(const Vec3& d, double n1, double n2, const Vec3& normal, bool inside) {
    Vec3 m{};
    double ratio = 0.0;
    if (!inside) {
        m = Vec3{-normal.x, -normal.y, -normal.z};
        ratio = n1 / n2;
    } else {
        m = normal;
        ratio = n2 / n1;
    }
    Bounce bounce{};
    bounce.cosI = dot(d, m);
    const Vec3 h{bounce.cosI * m.x, bounce.cosI * m.y, bounce.cosI * m.z};
    bounce.reflected = Vec3{d.x - 2.0 * h.x, d.y - 2.0 * h.y, d.z - 2.0 * h.z};

    // The tangential part of the refracted direction; beyond unit length nothing gets through.
    const Vec3 t{(d.x - h.x) * ratio, (d.y - h.y) * ratio, (d.z - h.z) * ratio};
    const double s = t.x * t.x + t.y * t.y + t.z * t.z;
    if (s > 1.0) {
        bounce.refracted = Vec3{0.0, 0.0, 0.0};
        bounce.cosT = 0.0;
        bounce.isRefracted = false;
        return bounce;
    }
    bounce.cosT = std::sqrt(1.0 - s);
    const double hl = std::sqrt(h.x * h.x + h.y * h.y + h.z * h.z);
    bounce.refracted = Vec3{t.x + bounce.cosT * h.x / hl, t.y + bounce.cosT * h.y / hl,
                            t.z + bounce.cosT * h.z / hl};
    bounce.isRefracted = true;
    return bounce;
}

// Returns D · L, or 0 when the ray points away from the main light.
static double lightCosine(const Vec3& d, const TraceScene& scene) {
    const double c = dot(d, *scene.lightDirection);
    return c < 0.0 ? 0.0 : c;
}

// Case A: a ray still inside the stone at the depth limit gets a dim colour, brighter only
// against a bright backdrop with the back light above 100 percent; its segment counts as 0.
static void shadeTrappedRay(const TraceScene& scene, const TraceOutputs& out) {
    const int32_t k = (scene.backdropR * scene.backdropR + scene.backdropG * scene.backdropG +
                       scene.backdropB * scene.backdropB) /
                      65025;
    double v = static_cast<double>(k);
    if (k > 1) {
        v = 1.0;
    }
    const double base = 0.05 - 0.03 * v;
    double extra = 0.0;
    if (scene.backLight >= 100) {
        extra = (scene.backLight - 100) * 0.01 * 0.2;
    }
    *out.totalR = scene.backdropR * extra / 256 + base;
    *out.totalG = scene.backdropG * extra / 256 + base;
    *out.totalB = scene.backdropB * extra / 256 + base;
    *out.segmentLength = 0.0;
}

// Case B: the primary ray's reflection off the outer surface, a white glare that is a sharp
// power of the cosine to the main light (c^16, or c^32 with the narrow highlight).
static void shadeSurfaceGlare(const Vec3& d, const TraceScene& scene, const TraceOutputs& out) {
    const double c = lightCosine(d, scene);
    const double c8 = c * c * c * c * c * c * c * c;
    double g = c8 * c8;
    if (scene.narrowHighlight != 0) {
        g = g * g;
    }
    const double glare = scene.mainLight * g * 0.05;
    *out.totalR = glare;
    *out.totalG = glare;
    *out.totalB = glare;
}

// Case C: a ray that has left the stone sees the backdrop (tinted by the stone colour) when it
// runs away from the eye, the fill light when it comes back towards it, and the main light in
// proportion to the cosine. The result is not clamped and may be negative.
static void shadeLeavingRay(const Vec3& d, const TraceScene& scene, const TraceOutputs& out) {
    const double c = lightCosine(d, scene);

    int32_t kb = 0;
    if (scene.backdropR == 0 && scene.backdropG == 0 && scene.backdropB == 0) {
        kb = 0;
    } else {
        int32_t b = 0;
        if (d.z == 0.0) {
            b = 100;
        } else if (d.z > 0.0) {
            b = 100;
        } else {
            b = static_cast<int32_t>(100 + 200 * d.z);
            if (b < 0) {
                b = 0;
            }
        }
        kb = static_cast<int32_t>(b * scene.backLight * 0.01);
    }

    int32_t kf = 0;
    if (d.z < 0.0) {
        kf = static_cast<int32_t>(-100 * d.z);
    }

    const double w = scene.fillLight * 0.12 * kf * 0.01 + 0.175 * scene.mainLight * c;
    *out.totalR =
        ((scene.backdropR - 1000 * scene.absorptionR) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01;
    *out.totalG =
        ((scene.backdropG - 1000 * scene.absorptionG) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01;
    *out.totalB =
        ((scene.backdropB - 1000 * scene.absorptionB) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01;
}

// Subtracts absorption × length from a channel, stopping at 0.
static void absorb(double* channel, double absorption, double length) {
    *channel -= absorption * length;
    if (*channel < 0.0) {
        *channel = 0.0;
    }
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
            shadeTrappedRay(scene, out);
        } else if (depth == 1) {
            shadeSurfaceGlare(direction, scene, out);
        } else {
            shadeLeavingRay(direction, scene, out);
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
    const Vec3 segment{hit.x - origin.x, hit.y - origin.y, hit.z - origin.z};
    *out.segmentLength =
        std::sqrt(segment.x * segment.x + segment.y * segment.y + segment.z * segment.z);

    const Bounce bounce = reflectRefract(direction, scene.outerIndex, scene.stoneIndex,
                                         scene.facets[hitFacet].normal, isInside);

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

    // Fresnel weight: the fifth power entering the stone, the first power leaving it (1 under
    // total internal reflection, where cosT is 0).
    const double r0 = scene.normalReflectance;
    double f = 0.0;
    if (!isInside) {
        const double e = 1.0 - bounce.cosI;
        f = r0 + (1.0 - r0) * (e * e * e * e * e);
    } else {
        f = r0 + (1.0 - r0) * (1.0 - bounce.cosT);
    }
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
        absorb(&reflectedR, scene.absorptionR, reflectedLength);
        absorb(&reflectedG, scene.absorptionG, reflectedLength);
        absorb(&reflectedB, scene.absorptionB, reflectedLength);
    } else if (bounce.isRefracted) {
        absorb(out.innerR, scene.absorptionR, refractedLength);
        absorb(out.innerG, scene.absorptionG, refractedLength);
        absorb(out.innerB, scene.absorptionB, refractedLength);
    }

    *out.totalR = *out.innerR + reflectedR;
    *out.totalG = *out.innerG + reflectedG;
    *out.totalB = *out.innerB + reflectedB;
    return 1;
}

}  // namespace tavrine

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
    const tavrine::TraceScene scene{
        outerIndex,  stoneIndex,       normalReflectance, lightDirection,
        facetCount,  facets,           candidateList,     vertexCount,
        vertices,    relativeVertices, projectedVertices, maxDepth,
        absorptionR, absorptionG,      absorptionB,       backdropR,
        backdropG,   backdropB,        mainLight,         backLight,
        fillLight,   narrowHighlight};
    const tavrine::TraceOutputs out{totalR, totalG, totalB, surfaceGlare,
                                    innerR, innerG, innerB, segmentLength};
    return tavrine::traceRay(scene, Vec3{originX, originY, originZ},
                             Vec3{directionX, directionY, directionZ}, inside, depth, out);
}
