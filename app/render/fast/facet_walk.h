#pragma once
// The certain-facet walk of the faster tracer's facet search. Where the stone is convex, a ray
// that passes well inside every edge of a facet it faces can meet no other facet: the walk goes
// from a guessed facet across the edges the ray certainly passes outside of until it finds such a
// facet, then tests the few facets before it in index order that a ray through it may also pass
// where the stone is not convex with flat facets (its rivals), or gives up and leaves the decision
// to the search in index order. Inline, so that the vector lanes of the chains can take the walk
// into their own loop.

#include <algorithm>
#include <cstdint>

#include "app/render/fast/fast_types.h"

namespace tavrine {
namespace fast {

// Beyond this the sign of an edge's cross product is certain from the triple product: both it
// and the exported tracer's frame arithmetic are within about 1e-14 of the exact value for
// corners and origins within a few units of the centre.
constexpr double kEdgeDoubt = 1e-11;

// A ray clear of a facet's edge by this distance (model units) passes on the inner side of it
// whatever the rounding, and no other facet can pass for it: a facet that is not grazed has
// its edge values off by about 1e-15 at most, which moves its edges by far less, and a facet the
// ray grazes so nearly that rounding could pass it beyond its edges is refused by the plane
// test unless its plane passes near the centre.
constexpr double kClear = 1e-6;

// Below this |d . normal| a ray runs so nearly along a facet's plane that the facet's bounding
// circle and edges say nothing: every cross product of the edge test is the in-plane one times
// d . normal, so for such a ray rounding alone can pass the edge test far beyond the facet, and
// the plane test does not reject it when the facet's plane passes through the centre (its scaled
// coefficients are then near 1e16). Such facets are always tested.
constexpr double kGrazing = 1e-6;

// An edge shorter than this (model units) is a corner in all but name: a ray certainly clear of
// the facet's other edges passes far from it, but its own value is all rounding, so the search's
// arithmetic decides its sign (shortEdgesPass).
constexpr double kShortEdge = 1e-9;

// Steps of the walk from the guessed facet towards the facet the ray meets.
constexpr int32_t kWalkSteps = 16;

// What the walk learns from one facet's edges: kAllClear when the ray passes certainly inside
// every edge, otherwise the facet across the first edge the ray passes certainly outside of, or
// -1 when there is none (an edge in doubt) or nothing lies across it.
constexpr int32_t kAllClear = -2;

// A ray as the walk reads it: the candidate test's vector, the direction, the direction and
// d x o both negated for a ray inside (the tracer tests each edge the other way round there,
// which negates its value exactly), and the direction's dominant component.
struct WalkRay {
    Vec3 toward;
    Vec3 d;
    Vec3 sd;
    Vec3 sm;
    double dk;
    Vec3 o;       // the origin
    int axis;     // the direction's dominant axis
    bool inside;  // whether the ray runs inside the stone
};

// Whether the search's edge test passes at every short edge of facet g for the ray, with the
// tracer's own arithmetic: the corners in the ray's frame and their cross product (each edge the
// other way round inside).
inline bool shortEdgesPass(const Context& ctx, int32_t g, const WalkRay& r) {
    const Facet& facet = ctx.scene.facets[g];
    const Vertex* vertices = ctx.scene.vertices;
    const FacetData::EdgeBlock* blocks = ctx.data.edgeBlocks.data();
    const steps::RayFrame frame = steps::rayFrame(r.d);
    const int32_t count = facet.vertexCount;
    int32_t first = 0;
    for (int32_t b = g; b >= 0; b = blocks[b].next, first += 8) {
        for (uint32_t lanes = blocks[b].shortEdges; lanes != 0; lanes &= lanes - 1) {
            const int32_t k = first + __builtin_ctz(lanes);
            const int32_t next = k + 1 == count ? 0 : k + 1;
            const Vertex& va = vertices[facet.vertexIndex[r.inside ? next : k]];
            const Vertex& vb = vertices[facet.vertexIndex[r.inside ? k : next]];
            const Vec3 pa =
                steps::project(frame, r.d, Vec3{va.x - r.o.x, va.y - r.o.y, va.z - r.o.z});
            const Vec3 pb =
                steps::project(frame, r.d, Vec3{vb.x - r.o.x, vb.y - r.o.y, vb.z - r.o.z});
            if (steps::edgeCross(pa, pb) < 0.0) return false;
        }
    }
    return true;
}

// Whether a ray that faces a facet whose plane passes near the centre by `facing` (its candidate
// test's toward . normal) runs so nearly along it that the facet's tests may pass by rounding.
inline bool grazesNearCentre(double facing) { return facing >= 0.0 && facing < kGrazing; }

// Whether the search certainly stops at facet g, which the ray faces and passes certainly inside
// of: the plane test passes (p is its plane . d) and the ray grazes no facet before g whose plane
// passes near the centre (any other facet before g it passes only where the stone is not convex,
// and is among g's rivals).
inline bool planeTestCertain(const Context& ctx, int32_t g, const WalkRay& r, double* p) {
    const Facet* facets = ctx.scene.facets;
    *p = steps::planeAlong(facets[g].plane, r.d);
    if (steps::nearlyParallel(r.dk, *p)) return false;
    for (const int32_t j : ctx.data.nearCentre) {
        if (j >= g) break;
        if (grazesNearCentre(steps::dot(r.toward, facets[j].normal))) return false;
    }
    return true;
}

// The walks below read each facet's edges in the blocks of FacetData::EdgeBlock, whose last
// lanes hold the candidate test: its value is exactly the tracer's toward . normal, it is clear
// when that is not negative and outside when that is not positive. A facet the ray does not face
// therefore never ends a walk, which goes on across an edge the ray certainly passes outside of,
// if any (the edges come first), and otherwise stops.

// What one block of a facet's lanes says of a ray (sd and sm as WalkRay has them): a bit for
// every lane the ray is certainly clear of, and one for every lane it is certainly outside of.
struct BlockVerdict {
    unsigned clear;
    unsigned outside;
};

// The block's lanes one at a time.
inline BlockVerdict examineBlockScalar(const FacetData::EdgeBlock& k, const Vec3& sd,
                                       const Vec3& sm) {
    BlockVerdict v{0, 0};
    for (int32_t lane = 0; lane < 8; ++lane) {
        const double cross =
            sd.x * k.axb[0][lane] + sd.y * k.axb[1][lane] + sd.z * k.axb[2][lane] +
            (sm.x * k.amb[0][lane] + sm.y * k.amb[1][lane] + sm.z * k.amb[2][lane]);
        if (cross > k.clearance[lane]) v.clear |= 1u << lane;
        if (-cross > k.clearance[lane]) v.outside |= 1u << lane;
    }
    return v;
}

#if defined(TAVRINE_X86_VECTORS)
// The same eight lanes at a time; every lane computes the value as the scalar examination does.
__attribute__((target("avx512f"))) inline BlockVerdict examineBlockAvx512(
    const FacetData::EdgeBlock& k, const Vec3& sd, const Vec3& sm) {
    const __m512d along =
        _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(_mm512_set1_pd(sd.x), _mm512_loadu_pd(k.axb[0])),
                                    _mm512_mul_pd(_mm512_set1_pd(sd.y), _mm512_loadu_pd(k.axb[1]))),
                      _mm512_mul_pd(_mm512_set1_pd(sd.z), _mm512_loadu_pd(k.axb[2])));
    const __m512d turn =
        _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(_mm512_set1_pd(sm.x), _mm512_loadu_pd(k.amb[0])),
                                    _mm512_mul_pd(_mm512_set1_pd(sm.y), _mm512_loadu_pd(k.amb[1]))),
                      _mm512_mul_pd(_mm512_set1_pd(sm.z), _mm512_loadu_pd(k.amb[2])));
    const __m512d cross = _mm512_add_pd(along, turn);
    const __m512d clearance = _mm512_loadu_pd(k.clearance);
    const __m512d negated = _mm512_castsi512_pd(
        _mm512_xor_si512(_mm512_castpd_si512(cross), _mm512_set1_epi64(INT64_MIN)));
    return BlockVerdict{_mm512_cmp_pd_mask(cross, clearance, _CMP_GT_OQ),
                        _mm512_cmp_pd_mask(negated, clearance, _CMP_GT_OQ)};
}

// The same four lanes at a time.
__attribute__((target("avx2"))) inline BlockVerdict examineBlockAvx2(const FacetData::EdgeBlock& k,
                                                                     const Vec3& sd,
                                                                     const Vec3& sm) {
    BlockVerdict v{0, 0};
    for (int32_t h = 0; h < 8; h += 4) {
        const __m256d along = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(sd.x), _mm256_loadu_pd(k.axb[0] + h)),
                          _mm256_mul_pd(_mm256_set1_pd(sd.y), _mm256_loadu_pd(k.axb[1] + h))),
            _mm256_mul_pd(_mm256_set1_pd(sd.z), _mm256_loadu_pd(k.axb[2] + h)));
        const __m256d turn = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(sm.x), _mm256_loadu_pd(k.amb[0] + h)),
                          _mm256_mul_pd(_mm256_set1_pd(sm.y), _mm256_loadu_pd(k.amb[1] + h))),
            _mm256_mul_pd(_mm256_set1_pd(sm.z), _mm256_loadu_pd(k.amb[2] + h)));
        const __m256d cross = _mm256_add_pd(along, turn);
        const __m256d clearance = _mm256_loadu_pd(k.clearance + h);
        const __m256d negated = _mm256_xor_pd(cross, _mm256_set1_pd(-0.0));
        v.clear |=
            static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(cross, clearance, _CMP_GT_OQ)))
            << h;
        v.outside |=
            static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(negated, clearance, _CMP_GT_OQ)))
            << h;
    }
    return v;
}
#endif

// A unit's examination of a block.
using ExamineBlock = BlockVerdict (*)(const FacetData::EdgeBlock&, const Vec3&, const Vec3&);

// What the walk does after examining facet g's blocks: kAllClear when the ray is certainly clear
// of every lane, else the facet across the first lane it is certainly outside of, or -1 (a lane
// in doubt and none certainly outside, or nothing across).
template <ExamineBlock examine>
__attribute__((always_inline)) inline int32_t nextStep(const FacetData::EdgeBlock* blocks,
                                                       int32_t g, const Vec3& sd, const Vec3& sm) {
    int32_t next = kAllClear;
    for (int32_t b = g; b >= 0; b = blocks[b].next) {
        const FacetData::EdgeBlock& k = blocks[b];
        const BlockVerdict v = examine(k, sd, sm);
        if ((v.clear | k.shortEdges) == 0xFF) continue;
        if (v.outside != 0) return k.neighbour[__builtin_ctz(v.outside)];
        // A lane in doubt: a lane certainly outside may still follow.
        next = -1;
    }
    return next;
}

// Walks from facet g across the edges the ray (sd and sm as WalkRay has them) certainly passes
// outside of, to a facet the ray faces (the tracer's candidate test) and passes well inside every
// edge of; returns that facet, or -1 when the walk proves nothing. The blocks are
// FacetData::edgeBlocks, passed on their own so that a caller walking many rays reads where they
// start once.
template <ExamineBlock examine>
__attribute__((always_inline)) inline int32_t walkWith(const FacetData::EdgeBlock* blocks,
                                                       int32_t g, const Vec3& sd, const Vec3& sm) {
    for (int32_t walk = 0; walk < kWalkSteps; ++walk) {
        const int32_t next = nextStep<examine>(blocks, g, sd, sm);
        if (next == kAllClear) return g;
        if (next < 0) return -1;
        g = next;
    }
    return -1;
}

// The walk with each unit's examination of a block; all take the same steps.
inline int32_t walkScalar(const FacetData& fd, int32_t g, const Vec3& sd, const Vec3& sm) {
    return walkWith<examineBlockScalar>(fd.edgeBlocks.data(), g, sd, sm);
}

#if defined(TAVRINE_X86_VECTORS)
__attribute__((target("avx512f"))) inline int32_t walkAvx512(const FacetData& fd, int32_t g,
                                                             const Vec3& sd, const Vec3& sm) {
    return walkWith<examineBlockAvx512>(fd.edgeBlocks.data(), g, sd, sm);
}

__attribute__((target("avx2"))) inline int32_t walkAvx2(const FacetData& fd, int32_t g,
                                                        const Vec3& sd, const Vec3& sm) {
    return walkWith<examineBlockAvx2>(fd.edgeBlocks.data(), g, sd, sm);
}
#endif

// The facet the walk from g ends at, which the ray faces and passes certainly inside of, or -1.
inline int32_t walkToClearFacet(const Context& ctx, int32_t g, const Vec3& sd, const Vec3& sm) {
    // A guess left in a scratch by another scene may be out of range.
    if (static_cast<uint32_t>(g) >= static_cast<uint32_t>(ctx.scene.facetCount)) return -1;
#if defined(TAVRINE_X86_VECTORS)
    switch (ctx.unit) {
    case VectorUnit::Avx512:
        return walkAvx512(ctx.data, g, sd, sm);
    case VectorUnit::Avx2:
        return walkAvx2(ctx.data, g, sd, sm);
    default:
        break;
    }
#endif
    return walkScalar(ctx.data, g, sd, sm);
}

// What the search does at facet j for the ray: 1 when it certainly stops there (the ray faces j,
// passes certainly inside it and its plane test passes, whose p is written), 0 when it certainly
// goes on, -1 when the ray runs too close to an edge of j to be sure.
template <ExamineBlock examine>
__attribute__((always_inline)) inline int32_t searchStopsAt(const Context& ctx, int32_t j,
                                                            const WalkRay& r, double* p) {
    const Facet& facet = ctx.scene.facets[j];
    if (!(steps::dot(r.toward, facet.normal) >= 0.0)) return 0;
    const FacetData::EdgeBlock* blocks = ctx.data.edgeBlocks.data();
    bool doubt = false;
    // Only an edge's lane can be certainly outside here: the candidate test's value may be 0.
    int32_t edgesLeft = facet.vertexCount;
    for (int32_t b = j; b >= 0; b = blocks[b].next, edgesLeft -= 8) {
        const BlockVerdict v = examine(blocks[b], r.sd, r.sm);
        const unsigned edgeLanes = edgesLeft >= 8 ? 0xFFu : (1u << std::max(edgesLeft, 0)) - 1u;
        if ((v.outside & edgeLanes) != 0) return 0;
        if ((v.clear | blocks[b].shortEdges) != 0xFF) doubt = true;
    }
    if (doubt) return -1;
    if (ctx.data.hasShortEdges[j] != 0 && !shortEdgesPass(ctx, j, r)) return 0;
    const double q = steps::planeAlong(facet.plane, r.d);
    if (steps::nearlyParallel(r.dk, q)) return 0;
    *p = q;
    return 1;
}

// The facet the search stops at for a ray that faces g, passes certainly inside it and passes its
// plane test (p, which becomes the p of the facet returned): the first of g's rivals that the
// search certainly stops at, else g; or -1 when a rival leaves it in doubt.
template <ExamineBlock examine>
__attribute__((always_inline)) inline int32_t firstOfRivals(const Context& ctx, int32_t g,
                                                            const WalkRay& r, double* p) {
    const FacetData& fd = ctx.data;
    for (int32_t i = fd.rivalStart[g]; i < fd.rivalStart[g + 1]; ++i) {
        const int32_t j = fd.rivals[i];
        const int32_t stops = searchStopsAt<examine>(ctx, j, r, p);
        if (stops != 0) return stops > 0 ? j : -1;
    }
    return g;
}

#if defined(TAVRINE_X86_VECTORS)
__attribute__((target("avx512f"))) inline int32_t firstOfRivalsAvx512(const Context& ctx, int32_t g,
                                                                      const WalkRay& r, double* p) {
    return firstOfRivals<examineBlockAvx512>(ctx, g, r, p);
}

__attribute__((target("avx2"))) inline int32_t firstOfRivalsAvx2(const Context& ctx, int32_t g,
                                                                 const WalkRay& r, double* p) {
    return firstOfRivals<examineBlockAvx2>(ctx, g, r, p);
}
#endif

// firstOfRivals with the examination of the context's vector unit.
inline int32_t firstOfRivalsWith(const Context& ctx, int32_t g, const WalkRay& r, double* p) {
    if (ctx.data.rivalStart[g] == ctx.data.rivalStart[g + 1]) return g;
#if defined(TAVRINE_X86_VECTORS)
    switch (ctx.unit) {
    case VectorUnit::Avx512:
        return firstOfRivalsAvx512(ctx, g, r, p);
    case VectorUnit::Avx2:
        return firstOfRivalsAvx2(ctx, g, r, p);
    default:
        break;
    }
#endif
    return firstOfRivals<examineBlockScalar>(ctx, g, r, p);
}

// The walk's end at facet g, which the ray faces and passes certainly inside of: the facet the
// search stops at (g or one of its rivals) and the hit point on it, or -1 when the plane test, a
// facet whose plane passes near the centre or a rival leaves the search to decide.
inline int32_t acceptFacet(const Context& ctx, int32_t g, const WalkRay& r, Vec3* hit) {
    if (ctx.data.walkEnds[g] == 0) return -1;
    if (ctx.data.hasShortEdges[g] != 0 && !shortEdgesPass(ctx, g, r)) return -1;
    double p = 0.0;
    if (!planeTestCertain(ctx, g, r, &p)) return -1;
    const int32_t met = firstOfRivalsWith(ctx, g, r, &p);
    if (met < 0) return -1;
    *hit = steps::hitPoint(r.axis, r.o, r.d, ctx.scene.facets[met].plane, p);
    return met;
}

// Returns the facet that the exported tracer's search certainly returns for the ray, and the hit
// point on it, or -1 when the walk from g proves nothing. A facet is certainly the one when the
// ray faces it, passes well inside every one of its edges and is not parallel to its plane (the
// tracer's plane test, which writes p) and the search certainly stops at none of its rivals
// first. Where the stone is convex, a ray from outside enters through at most one facet and a ray
// inside leaves through exactly one: a ray so clearly inside a facet passes no other facet's edge
// test there, and only the rivals (see FacetData) need testing. The one exception is a facet
// whose plane passes near the centre, whose plane test does not refuse a ray that runs along it;
// when the ray grazes such a facet before the one found, the full search decides.
inline int32_t certainFacet(const Context& ctx, int32_t g, const WalkRay& r, Vec3* hit) {
    g = walkToClearFacet(ctx, g, r.sd, r.sm);
    return g < 0 ? -1 : acceptFacet(ctx, g, r, hit);
}

// The walk's view of the ray from o along d.
inline WalkRay walkRay(const Vec3& o, const Vec3& d, bool inside, int axis, double dk) {
    // d x o, the moment of the ray line, and o x d = -(d x o) for a ray inside.
    const Vec3 moment =
        inside ? Vec3{o.y * d.z - o.z * d.y, o.z * d.x - o.x * d.z, o.x * d.y - o.y * d.x}
               : Vec3{d.y * o.z - d.z * o.y, d.z * o.x - d.x * o.z, d.x * o.y - d.y * o.x};
    return inside ? WalkRay{d, d, Vec3{-d.x, -d.y, -d.z}, moment, dk, o, axis, true}
                  : WalkRay{Vec3{-d.x, -d.y, -d.z}, d, d, moment, dk, o, axis, false};
}

}  // namespace fast
}  // namespace tavrine
