#include "app/render/fast_tracer.h"

// The vector paths of the facet search exist only on x86-64 and only when the build asks for
// them; the processor's support is checked when a tracer is made.
#if defined(__x86_64__) && !defined(TAVRINE_SCALAR_ONLY)
#define TAVRINE_X86_VECTORS 1
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

#include "app/render/render_job.h"
#include "tracer/trace_steps.h"

namespace tavrine {

namespace {

// The directions of rays inside the stone in bins: each component in eight steps.
constexpr int32_t kDirectionBins = 8 * 8 * 8;
// Stones with more facets keep no exit table.
constexpr int32_t kMaxTableFacets = 512;

// Depths for which a scratch keeps the facet of the last ray (one row per guess set).
constexpr int32_t kGuessDepths = 64;
// Guess sets: one per Fire sample, one for the primary ray and for single rays.
constexpr int32_t kGuessSets = 4;
constexpr int32_t kPrimaryGuesses = 3;

// Everything one ray passes on unchanged to its children.
struct Context {
    const RenderSettings& settings;
    const RenderScene& scene;
    const FastTracer::FacetData& data;
    const steps::Lighting& lighting;
    FastTracer::VectorUnit unit;
    double r0;
    double stoneIndex;
    FastTracer::Scratch& scratch;
    int32_t* guesses;  // by depth: the facet the previous ray met at that depth, or -1
    const int32_t* otherGuesses = nullptr;  // by depth: a second start when the first fails
    // By facet and direction bin (kDirectionBins per facet): the facet that the last ray from
    // that facet in that direction met, or -1; null when the scratch keeps none.
    int16_t* exits = nullptr;
};

// Where one ray writes what it brings back.
struct Outputs {
    double* totalR;
    double* totalG;
    double* totalB;
    double* surfaceGlare;
    double* innerR;
    double* innerG;
    double* innerB;
    double* segmentLength;
};

// Beyond this the sign of an edge's cross product is certain from the triple product: both it
// and the exported tracer's frame arithmetic are within about 1e-14 of the exact value for
// corners and origins within a few units of the centre.
constexpr double kEdgeDoubt = 1e-11;

// Below this |d . normal| a ray runs so nearly along a facet's plane that the bounding circle
// says nothing: every cross product of the edge test is the in-plane one times d . normal, so
// for such a ray rounding alone can pass the edge test far beyond the facet, and the plane
// test does not reject it when the facet's plane passes through the centre (its scaled
// coefficients are then near 1e16). Such facets are always tested.
constexpr double kGrazing = 1e-6;

// One facet's test of markFacetsWorthTesting: the exported tracer's candidate test (the same
// dot product and comparison) and, unless the ray grazes the facet, the bounding-circle test.
inline bool worthTesting(const FastTracer::FacetData& fd, int32_t j, const Vec3& toward,
                         const Vec3& o, const Vec3& d) {
    const double facing = toward.x * fd.nx[j] + toward.y * fd.ny[j] + toward.z * fd.nz[j];
    const double rx = fd.cx[j] - o.x;
    const double ry = fd.cy[j] - o.y;
    const double rz = fd.cz[j] - o.z;
    const double along = rx * d.x + ry * d.y + rz * d.z;
    const double distance2 = rx * rx + ry * ry + rz * rz - along * along;
    return facing >= 0.0 && (distance2 <= fd.reach2[j] || facing < kGrazing);
}

void markFacetsScalar(const FastTracer::FacetData& fd, const Vec3& toward, const Vec3& o,
                      const Vec3& d, int32_t count, uint64_t* bits) {
    for (int32_t w = 0; w < (count + 63) / 64; ++w) bits[w] = 0;
    for (int32_t j = 0; j < count; ++j) {
        if (worthTesting(fd, j, toward, o, d)) bits[j >> 6] |= uint64_t{1} << (j & 63);
    }
}

#if defined(TAVRINE_X86_VECTORS)
// The same tests four facets at a time; each lane performs the scalar operations in the same
// order, so the bits are those of markFacetsScalar.
__attribute__((target("avx2"))) void markFacetsAvx2(const FastTracer::FacetData& fd,
                                                    const Vec3& toward, const Vec3& o,
                                                    const Vec3& d, int32_t count, uint64_t* bits) {
    const __m256d tx = _mm256_set1_pd(toward.x);
    const __m256d ty = _mm256_set1_pd(toward.y);
    const __m256d tz = _mm256_set1_pd(toward.z);
    const __m256d ox = _mm256_set1_pd(o.x);
    const __m256d oy = _mm256_set1_pd(o.y);
    const __m256d oz = _mm256_set1_pd(o.z);
    const __m256d dx = _mm256_set1_pd(d.x);
    const __m256d dy = _mm256_set1_pd(d.y);
    const __m256d dz = _mm256_set1_pd(d.z);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d grazing = _mm256_set1_pd(kGrazing);
    for (int32_t w = 0; w < (count + 63) / 64; ++w) bits[w] = 0;
    for (int32_t j = 0; j < count; j += 4) {
        const __m256d facing =
            _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(tx, _mm256_loadu_pd(&fd.nx[j])),
                                        _mm256_mul_pd(ty, _mm256_loadu_pd(&fd.ny[j]))),
                          _mm256_mul_pd(tz, _mm256_loadu_pd(&fd.nz[j])));
        const __m256d rx = _mm256_sub_pd(_mm256_loadu_pd(&fd.cx[j]), ox);
        const __m256d ry = _mm256_sub_pd(_mm256_loadu_pd(&fd.cy[j]), oy);
        const __m256d rz = _mm256_sub_pd(_mm256_loadu_pd(&fd.cz[j]), oz);
        const __m256d along = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(rx, dx), _mm256_mul_pd(ry, dy)), _mm256_mul_pd(rz, dz));
        const __m256d distance2 =
            _mm256_sub_pd(_mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(rx, rx), _mm256_mul_pd(ry, ry)),
                                        _mm256_mul_pd(rz, rz)),
                          _mm256_mul_pd(along, along));
        const __m256d ok = _mm256_and_pd(
            _mm256_cmp_pd(facing, zero, _CMP_GE_OQ),
            _mm256_or_pd(_mm256_cmp_pd(distance2, _mm256_loadu_pd(&fd.reach2[j]), _CMP_LE_OQ),
                         _mm256_cmp_pd(facing, grazing, _CMP_LT_OQ)));
        const uint64_t lanes = static_cast<uint64_t>(_mm256_movemask_pd(ok));
        bits[j >> 6] |= lanes << (j & 63);
    }
}

// The same tests eight facets at a time.
__attribute__((target("avx512f"))) void markFacetsAvx512(const FastTracer::FacetData& fd,
                                                         const Vec3& toward, const Vec3& o,
                                                         const Vec3& d, int32_t count,
                                                         uint64_t* bits) {
    const __m512d tx = _mm512_set1_pd(toward.x);
    const __m512d ty = _mm512_set1_pd(toward.y);
    const __m512d tz = _mm512_set1_pd(toward.z);
    const __m512d ox = _mm512_set1_pd(o.x);
    const __m512d oy = _mm512_set1_pd(o.y);
    const __m512d oz = _mm512_set1_pd(o.z);
    const __m512d dx = _mm512_set1_pd(d.x);
    const __m512d dy = _mm512_set1_pd(d.y);
    const __m512d dz = _mm512_set1_pd(d.z);
    const __m512d zero = _mm512_setzero_pd();
    const __m512d grazing = _mm512_set1_pd(kGrazing);
    for (int32_t w = 0; w < (count + 63) / 64; ++w) bits[w] = 0;
    for (int32_t j = 0; j < count; j += 8) {
        const __m512d facing =
            _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(tx, _mm512_loadu_pd(&fd.nx[j])),
                                        _mm512_mul_pd(ty, _mm512_loadu_pd(&fd.ny[j]))),
                          _mm512_mul_pd(tz, _mm512_loadu_pd(&fd.nz[j])));
        const __m512d rx = _mm512_sub_pd(_mm512_loadu_pd(&fd.cx[j]), ox);
        const __m512d ry = _mm512_sub_pd(_mm512_loadu_pd(&fd.cy[j]), oy);
        const __m512d rz = _mm512_sub_pd(_mm512_loadu_pd(&fd.cz[j]), oz);
        const __m512d along = _mm512_add_pd(
            _mm512_add_pd(_mm512_mul_pd(rx, dx), _mm512_mul_pd(ry, dy)), _mm512_mul_pd(rz, dz));
        const __m512d distance2 =
            _mm512_sub_pd(_mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(rx, rx), _mm512_mul_pd(ry, ry)),
                                        _mm512_mul_pd(rz, rz)),
                          _mm512_mul_pd(along, along));
        const __mmask8 ok =
            _mm512_cmp_pd_mask(facing, zero, _CMP_GE_OQ) &
            (_mm512_cmp_pd_mask(distance2, _mm512_loadu_pd(&fd.reach2[j]), _CMP_LE_OQ) |
             _mm512_cmp_pd_mask(facing, grazing, _CMP_LT_OQ));
        bits[j >> 6] |= static_cast<uint64_t>(ok) << (j & 63);
    }
}

#endif

// Sets bit j of `bits` for every facet j that is a candidate for the ray and whose bounding
// circle the ray line passes through.
void markFacetsWorthTesting(FastTracer::VectorUnit unit, const FastTracer::FacetData& fd,
                            const Vec3& toward, const Vec3& o, const Vec3& d, int32_t count,
                            uint64_t* bits) {
#if defined(TAVRINE_X86_VECTORS)
    switch (unit) {
    case FastTracer::VectorUnit::Avx512:
        markFacetsAvx512(fd, toward, o, d, count, bits);
        return;
    case FastTracer::VectorUnit::Avx2:
        markFacetsAvx2(fd, toward, o, d, count, bits);
        return;
    default:
        break;
    }
#else
    (void)unit;
#endif
    markFacetsScalar(fd, toward, o, d, count, bits);
}

// The widest vector unit the processor has, no wider than asked for; without vector paths in
// this build, always the scalar one.
FastTracer::VectorUnit usableUnit(FastTracer::VectorUnit asked) {
    using Unit = FastTracer::VectorUnit;
#if defined(TAVRINE_X86_VECTORS)
    const bool avx512 = __builtin_cpu_supports("avx512f");
    const bool avx2 = __builtin_cpu_supports("avx2");
    if ((asked == Unit::Best || asked == Unit::Avx512) && avx512) return Unit::Avx512;
    if (asked != Unit::Scalar && avx2) return Unit::Avx2;
#else
    (void)asked;
#endif
    return Unit::Scalar;
}

// A ray clear of a facet's edge by this distance (model units) passes on the inner side of it
// whatever the rounding, and no other facet can pass for it: a facet that is not grazed has
// its edge values off by about 1e-15 at most, which moves its edges by far less, and a facet the
// ray grazes so nearly that rounding could pass it beyond its edges is refused by the plane
// test unless its plane passes near the centre.
constexpr double kClear = 1e-6;

// The edge value of edge e (corner k to corner k+1 of its facet) for the ray from o along d,
// from the triple product d . (A x B) + (d x o) . (A - B), with moment = d x o.
inline double edgeTriple(const FastTracer::FacetData& fd, int32_t e, const Vec3& d,
                         const Vec3& moment) {
    const FastTracer::FacetData::Edge& r = fd.edges[e];
    return d.x * r.axb[0] + d.y * r.axb[1] + d.z * r.axb[2] +
           (moment.x * r.amb[0] + moment.y * r.amb[1] + moment.z * r.amb[2]);
}

// How far (model units) a corner may lie off a facet's plane, or beyond it, for the stone to
// count as convex with flat facets.
constexpr double kFlat = 1e-12;

// How far (model units) beyond the stone's radius a primary ray counts as missing it.
constexpr double kMissMargin = 1e-3;

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
    Vec3 o;    // the origin
    int axis;  // the direction's dominant axis
};

// Whether the search certainly stops at facet g, which the ray faces and passes certainly inside
// of: the plane test passes (p is its plane . d) and no facet whose plane passes near the centre
// comes before g for the ray.
inline bool planeTestCertain(const Context& ctx, int32_t g, const WalkRay& r, double* p) {
    const Facet* facets = ctx.scene.facets;
    *p = steps::planeAlong(facets[g].plane, r.d);
    if (steps::nearlyParallel(r.dk, *p)) return false;
    for (const int32_t j : ctx.data.nearCentre) {
        if (j >= g) break;
        if (steps::dot(r.toward, facets[j].normal) >= 0.0) return false;
    }
    return true;
}

// The walk's end at facet g, which the ray faces and passes certainly inside of: g and the hit
// point on it, or -1 when the plane test or a facet whose plane passes near the centre leaves the
// search to decide.
inline int32_t acceptFacet(const Context& ctx, int32_t g, const WalkRay& r, Vec3* hit) {
    double p = 0.0;
    if (!planeTestCertain(ctx, g, r, &p)) return -1;
    *hit = steps::hitPoint(r.axis, r.o, r.d, ctx.scene.facets[g].plane, p);
    return g;
}

// The walks below read each facet's edges in the blocks of FacetData::EdgeBlock, whose last
// lanes include the candidate test: its value is exactly the tracer's toward . normal, it is clear
// when that is not negative and never counts as outside. A facet the ray does not face therefore
// never ends a walk, which goes on across an edge the ray certainly passes outside of, if any.

// Facet g's lanes one at a time.
int32_t examineEdgesScalar(const FastTracer::FacetData& fd, int32_t g, const Vec3& sd,
                           const Vec3& sm) {
    bool clear = true;
    for (int32_t b = fd.edgeBlockStart[g]; b < fd.edgeBlockStart[g + 1]; ++b) {
        const FastTracer::FacetData::EdgeBlock& k = fd.edgeBlocks[b];
        for (int32_t lane = 0; lane < 8; ++lane) {
            const double cross =
                sd.x * k.axb[0][lane] + sd.y * k.axb[1][lane] + sd.z * k.axb[2][lane] +
                (sm.x * k.amb[0][lane] + sm.y * k.amb[1][lane] + sm.z * k.amb[2][lane]);
            if (cross > k.clearance[lane]) continue;
            clear = false;
            if (cross < k.negClearance[lane]) return k.neighbour[lane];
        }
    }
    return clear ? kAllClear : -1;
}

// Walks from facet g across the edges the ray (sd and sm as WalkRay has them) certainly passes
// outside of, to a facet the ray faces (the tracer's candidate test) and passes well inside every
// edge of; returns that facet, or -1 when the walk proves nothing.
int32_t walkScalar(const FastTracer::FacetData& fd, int32_t g, const Vec3& sd, const Vec3& sm) {
    for (int32_t walk = 0; walk < kWalkSteps; ++walk) {
        const int32_t next = examineEdgesScalar(fd, g, sd, sm);
        if (next == kAllClear) return g;
        if (next < 0) return -1;
        g = next;
    }
    return -1;
}

#if defined(TAVRINE_X86_VECTORS)
// The same walk with eight lanes at a time; every lane computes the value as the scalar walk
// does, so the walk takes the same steps.
__attribute__((target("avx512f"))) int32_t walkAvx512(const FastTracer::FacetData& fd, int32_t g,
                                                      const Vec3& sd, const Vec3& sm) {
    const __m512d dx = _mm512_set1_pd(sd.x);
    const __m512d dy = _mm512_set1_pd(sd.y);
    const __m512d dz = _mm512_set1_pd(sd.z);
    const __m512d mx = _mm512_set1_pd(sm.x);
    const __m512d my = _mm512_set1_pd(sm.y);
    const __m512d mz = _mm512_set1_pd(sm.z);
    const int32_t* blockStart = fd.edgeBlockStart.data();
    const FastTracer::FacetData::EdgeBlock* blocks = fd.edgeBlocks.data();
    for (int32_t walk = 0; walk < kWalkSteps; ++walk) {
        int32_t next = kAllClear;
        for (int32_t b = blockStart[g]; b < blockStart[g + 1]; ++b) {
            const FastTracer::FacetData::EdgeBlock& k = blocks[b];
            const __m512d along =
                _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(dx, _mm512_loadu_pd(k.axb[0])),
                                            _mm512_mul_pd(dy, _mm512_loadu_pd(k.axb[1]))),
                              _mm512_mul_pd(dz, _mm512_loadu_pd(k.axb[2])));
            const __m512d turn =
                _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(mx, _mm512_loadu_pd(k.amb[0])),
                                            _mm512_mul_pd(my, _mm512_loadu_pd(k.amb[1]))),
                              _mm512_mul_pd(mz, _mm512_loadu_pd(k.amb[2])));
            const __m512d cross = _mm512_add_pd(along, turn);
            const __mmask8 clear =
                _mm512_cmp_pd_mask(cross, _mm512_loadu_pd(k.clearance), _CMP_GT_OQ);
            if (clear == 0xFF) continue;
            const __mmask8 outside =
                _mm512_cmp_pd_mask(cross, _mm512_loadu_pd(k.negClearance), _CMP_LT_OQ);
            if (outside != 0) {
                next = k.neighbour[__builtin_ctz(outside)];
                break;
            }
            // A lane in doubt: an edge certainly outside may still follow.
            next = -1;
        }
        if (next == kAllClear) return g;
        if (next < 0) return -1;
        g = next;
    }
    return -1;
}

// The same four lanes at a time.
__attribute__((target("avx2"))) int32_t walkAvx2(const FastTracer::FacetData& fd, int32_t g,
                                                 const Vec3& sd, const Vec3& sm) {
    const __m256d dx = _mm256_set1_pd(sd.x);
    const __m256d dy = _mm256_set1_pd(sd.y);
    const __m256d dz = _mm256_set1_pd(sd.z);
    const __m256d mx = _mm256_set1_pd(sm.x);
    const __m256d my = _mm256_set1_pd(sm.y);
    const __m256d mz = _mm256_set1_pd(sm.z);
    const int32_t* blockStart = fd.edgeBlockStart.data();
    const FastTracer::FacetData::EdgeBlock* blocks = fd.edgeBlocks.data();
    for (int32_t walk = 0; walk < kWalkSteps; ++walk) {
        int32_t next = kAllClear;
        for (int32_t b = blockStart[g]; b < blockStart[g + 1]; ++b) {
            const FastTracer::FacetData::EdgeBlock& k = blocks[b];
            int clear = 0;
            int outside = 0;
            for (int32_t h = 0; h < 8; h += 4) {
                const __m256d along =
                    _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(dx, _mm256_loadu_pd(k.axb[0] + h)),
                                                _mm256_mul_pd(dy, _mm256_loadu_pd(k.axb[1] + h))),
                                  _mm256_mul_pd(dz, _mm256_loadu_pd(k.axb[2] + h)));
                const __m256d turn =
                    _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(mx, _mm256_loadu_pd(k.amb[0] + h)),
                                                _mm256_mul_pd(my, _mm256_loadu_pd(k.amb[1] + h))),
                                  _mm256_mul_pd(mz, _mm256_loadu_pd(k.amb[2] + h)));
                const __m256d cross = _mm256_add_pd(along, turn);
                clear |= _mm256_movemask_pd(
                             _mm256_cmp_pd(cross, _mm256_loadu_pd(k.clearance + h), _CMP_GT_OQ))
                         << h;
                outside |= _mm256_movemask_pd(_mm256_cmp_pd(
                               cross, _mm256_loadu_pd(k.negClearance + h), _CMP_LT_OQ))
                           << h;
            }
            if (clear == 0xFF) continue;
            if (outside != 0) {
                next = k.neighbour[__builtin_ctz(static_cast<unsigned>(outside))];
                break;
            }
            // A lane in doubt: an edge certainly outside may still follow.
            next = -1;
        }
        if (next == kAllClear) return g;
        if (next < 0) return -1;
        g = next;
    }
    return -1;
}
#endif

// The facet the walk from g ends at, which the ray faces and passes certainly inside of, or -1.
inline int32_t walkToClearFacet(const Context& ctx, int32_t g, const Vec3& sd, const Vec3& sm) {
    // A guess left in a scratch by another scene may be out of range.
    if (static_cast<uint32_t>(g) >= static_cast<uint32_t>(ctx.scene.facetCount)) return -1;
#if defined(TAVRINE_X86_VECTORS)
    switch (ctx.unit) {
    case FastTracer::VectorUnit::Avx512:
        return walkAvx512(ctx.data, g, sd, sm);
    case FastTracer::VectorUnit::Avx2:
        return walkAvx2(ctx.data, g, sd, sm);
    default:
        break;
    }
#endif
    return walkScalar(ctx.data, g, sd, sm);
}

// Returns the facet that the exported tracer's search certainly returns for the ray, and the hit
// point on it, or -1 when the walk from g proves nothing. A facet is certainly the one when the
// ray faces it, passes well inside every one of its edges and is not parallel to its plane (the
// tracer's plane test, which writes p). The stone is convex, so a ray from outside enters
// through at most one facet and a ray inside leaves through exactly one: a ray so clearly inside
// a facet passes no other facet's edge test, and the index order of the search does not matter.
// The one exception is a facet whose plane passes near the centre, whose plane test does not
// refuse a ray that runs along it; when the ray faces such a facet before the one found, the
// full search decides.
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
    return inside ? WalkRay{d, d, Vec3{-d.x, -d.y, -d.z}, moment, dk, o, axis}
                  : WalkRay{Vec3{-d.x, -d.y, -d.z}, d, d, moment, dk, o, axis};
}

// The facet whose plane a ray inside the stone reaches first, from the planes alone: a start for
// the walk when the guesses fail, which the walk then proves or not (so any rounding will do).
int32_t nearestExitScalar(const FastTracer::FacetData& fd, const Vec3& o, const Vec3& d,
                          int32_t count) {
    int32_t best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int32_t j = 0; j < count; ++j) {
        const double along = fd.nx[j] * d.x + fd.ny[j] * d.y + fd.nz[j] * d.z;
        const double ahead = fd.offset[j] - (fd.nx[j] * o.x + fd.ny[j] * o.y + fd.nz[j] * o.z);
        if (along > 0.0 && ahead < bestDistance * along) {
            bestDistance = ahead / along;
            best = j;
        }
    }
    return best;
}

#if defined(TAVRINE_X86_VECTORS)
// The same four facets at a time.
__attribute__((target("avx2"))) int32_t nearestExitAvx2(const FastTracer::FacetData& fd,
                                                        const Vec3& o, const Vec3& d,
                                                        int32_t count) {
    const __m256d dx = _mm256_set1_pd(d.x);
    const __m256d dy = _mm256_set1_pd(d.y);
    const __m256d dz = _mm256_set1_pd(d.z);
    const __m256d ox = _mm256_set1_pd(o.x);
    const __m256d oy = _mm256_set1_pd(o.y);
    const __m256d oz = _mm256_set1_pd(o.z);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d far = _mm256_set1_pd(std::numeric_limits<double>::infinity());
    __m256d best = far;
    __m256d bestIndex = _mm256_set1_pd(-1.0);
    __m256d index = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    const __m256d four = _mm256_set1_pd(4.0);
    for (int32_t j = 0; j < count; j += 4) {
        const __m256d nx = _mm256_loadu_pd(&fd.nx[j]);
        const __m256d ny = _mm256_loadu_pd(&fd.ny[j]);
        const __m256d nz = _mm256_loadu_pd(&fd.nz[j]);
        const __m256d along = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(nx, dx), _mm256_mul_pd(ny, dy)), _mm256_mul_pd(nz, dz));
        const __m256d at = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(nx, ox), _mm256_mul_pd(ny, oy)), _mm256_mul_pd(nz, oz));
        const __m256d ahead = _mm256_sub_pd(_mm256_loadu_pd(&fd.offset[j]), at);
        const __m256d t = _mm256_blendv_pd(far, _mm256_div_pd(ahead, along),
                                           _mm256_cmp_pd(along, zero, _CMP_GT_OQ));
        const __m256d better = _mm256_cmp_pd(t, best, _CMP_LT_OQ);
        best = _mm256_blendv_pd(best, t, better);
        bestIndex = _mm256_blendv_pd(bestIndex, index, better);
        index = _mm256_add_pd(index, four);
    }
    double distances[4];
    double indexes[4];
    _mm256_storeu_pd(distances, best);
    _mm256_storeu_pd(indexes, bestIndex);
    int32_t lane = 0;
    for (int32_t k = 1; k < 4; ++k) {
        if (distances[k] < distances[lane]) lane = k;
    }
    return static_cast<int32_t>(indexes[lane]);
}
#endif

int32_t nearestExit(FastTracer::VectorUnit unit, const FastTracer::FacetData& fd, const Vec3& o,
                    const Vec3& d, int32_t count) {
#if defined(TAVRINE_X86_VECTORS)
    if (unit != FastTracer::VectorUnit::Scalar) return nearestExitAvx2(fd, o, d, count);
#else
    (void)unit;
#endif
    return nearestExitScalar(fd, o, d, count);
}

// The first candidate facet the ray meets, as the exported tracer finds it. The facet in
// *guess (when not null and not -1) is tried first and taken when it is certainly the one;
// otherwise the facets are searched in index order and *guess becomes the one found. Vertices
// are taken into the ray's frame only when an edge test reads them.
bool searchHit(const Context& ctx, const Vec3& o, const Vec3& d, bool inside,
               const std::vector<int32_t>* fixedCandidates, int32_t* guess, Vec3* hit,
               int32_t* hitFacet, int axis, double dk);

// The starts of the walk after the first guess (`tried`) has failed: the facet that another
// chain met at this depth, then, inside, the facet whose plane the ray reaches first. Returns
// the facet the walk is certain of, or -1.
__attribute__((noinline)) int32_t laterGuesses(const Context& ctx, const Vec3& o, const WalkRay& r,
                                               bool inside, int32_t tried, const int32_t* second,
                                               const int32_t* other, Vec3* hit) {
    int32_t g = -1;
    if (second != nullptr && *second >= 0 && *second != tried)
        g = certainFacet(ctx, *second, r, hit);
    if (g < 0 && other != nullptr && *other >= 0 && *other != tried) {
        g = certainFacet(ctx, *other, r, hit);
    }
    if (g < 0 && inside) {
        const int32_t nearest = nearestExit(ctx.unit, ctx.data, o, r.d, ctx.scene.facetCount);
        if (nearest >= 0) g = certainFacet(ctx, nearest, r, hit);
    }
    return g;
}

bool findHit(const Context& ctx, const Vec3& o, const Vec3& d, bool inside,
             const std::vector<int32_t>* fixedCandidates, int32_t* guess, Vec3* hit,
             int32_t* hitFacet, const int32_t* other = nullptr, int16_t* exit = nullptr) {
    const int axis = steps::dominantAxis(d);
    const double dk = steps::onAxis(d, axis);
    if (guess != nullptr && ctx.data.convex) {
        const WalkRay r = walkRay(o, d, inside, axis, dk);
        const bool byExit = exit != nullptr && *exit >= 0;
        const int32_t first = byExit ? *exit : *guess;
        int32_t g = certainFacet(ctx, first, r, hit);
        if (g < 0) g = laterGuesses(ctx, o, r, inside, first, byExit ? guess : nullptr, other, hit);
        if (g >= 0) {
            if (exit != nullptr) *exit = static_cast<int16_t>(g);
            *hitFacet = g;
            *guess = g;
            return true;
        }
    }
    return searchHit(ctx, o, d, inside, fixedCandidates, guess, hit, hitFacet, axis, dk);
}

// The search in index order, apart so that the common case above stays small.
__attribute__((noinline)) bool searchHit(const Context& ctx, const Vec3& o, const Vec3& d,
                                         bool inside, const std::vector<int32_t>* fixedCandidates,
                                         int32_t* guess, Vec3* hit, int32_t* hitFacet, int axis,
                                         double dk) {
    const RenderScene& scene = ctx.scene;
    const FastTracer::FacetData& fd = ctx.data;
    const Facet* facets = scene.facets;
    // d x o, the moment of the ray line, and the candidate test's vector.
    const Vec3 moment{d.y * o.z - d.z * o.y, d.z * o.x - d.x * o.z, d.x * o.y - d.y * o.x};
    const Vec3 toward = inside ? d : Vec3{-d.x, -d.y, -d.z};

    // The ray frame, made only for the edges whose sign the triple product leaves in doubt, and
    // the edge value there with the exported tracer's arithmetic.
    bool haveFrame = false;
    steps::RayFrame frame{};
    const Vertex* vertices = scene.vertices;
    auto exactCross = [&](int32_t a, int32_t b) {
        if (!haveFrame) {
            frame = steps::rayFrame(d);
            haveFrame = true;
        }
        const Vertex& va = vertices[a];
        const Vertex& vb = vertices[b];
        const Vec3 pa = steps::project(frame, d, Vec3{va.x - o.x, va.y - o.y, va.z - o.z});
        const Vec3 pb = steps::project(frame, d, Vec3{vb.x - o.x, vb.y - o.y, vb.z - o.z});
        return steps::edgeCross(pa, pb);
    };

    // The exported tracer lists the candidates in index order and then tests them in that
    // order; testing each facet as soon as it qualifies finds the same first facet without
    // scanning the facets beyond it.
    const int32_t* fixed = fixedCandidates != nullptr ? fixedCandidates->data() : nullptr;
    const int32_t total =
        fixed != nullptr ? static_cast<int32_t>(fixedCandidates->size()) : scene.facetCount;
    // Facets to test, in ascending index order: the fixed primary candidates within reach, or
    // the bits of the candidates within reach.
    uint64_t* bits = ctx.scratch.worth.data();
    int32_t fixedNext = 0;
    int32_t word = 0;
    uint64_t pending = 0;
    const int32_t words = (scene.facetCount + 63) / 64;
    if (fixed == nullptr) {
        markFacetsWorthTesting(ctx.unit, fd, toward, o, d, scene.facetCount, bits);
        if (words > 0) pending = bits[0];
    }
    for (;;) {
        int32_t j = 0;
        if (fixed != nullptr) {
            if (fixedNext >= total) break;
            j = fixed[fixedNext++];
            if (!worthTesting(fd, j, toward, o, d)) continue;
        } else {
            while (pending == 0 && ++word < words) pending = bits[word];
            if (pending == 0) break;
            j = word * 64 + __builtin_ctzll(pending);
            pending &= pending - 1;
        }
        const Facet& facet = facets[j];
        const int32_t count = facet.vertexCount;
        const int32_t first = fd.edgeStart[j];
        bool passes = true;
        for (int32_t k = 0; k < count; ++k) {
            const double triple = edgeTriple(fd, first + k, d, moment);
            // Outside, the tracer tests this edge from corner k to k+1; inside, from k+1 to k,
            // whose edge value has the opposite sign.
            const double cross = inside ? -triple : triple;
            if (cross > kEdgeDoubt) continue;
            if (cross < -kEdgeDoubt) {
                passes = false;
                break;
            }
            const int32_t next = k + 1 == count ? 0 : k + 1;
            const int32_t a = facet.vertexIndex[inside ? next : k];
            const int32_t b = facet.vertexIndex[inside ? k : next];
            if (exactCross(a, b) < 0.0) {
                passes = false;
                break;
            }
        }
        if (!passes) continue;
        const double p = steps::planeAlong(facet.plane, d);
        if (steps::nearlyParallel(dk, p)) continue;
        *hit = steps::hitPoint(axis, o, d, facet.plane, p);
        *hitFacet = j;
        if (guess != nullptr) *guess = j;
        return true;
    }
    return false;
}

// The guess slot for a ray at this depth, or null when the scratch keeps none for it.
int32_t* guessAt(const Context& ctx, int32_t depth) {
    return depth >= 0 && depth < kGuessDepths ? &ctx.guesses[depth] : nullptr;
}

// Levels of the chain of reflections that traceInside keeps; deeper chains are traced by
// recursion.
constexpr int32_t kChainLevels = 64;
static_assert(kChainLevels <= kGuessDepths, "a chain keeps a guess for every depth");

// A ray inside the stone (depth 1 or more), followed exactly as traceRay follows it but without
// recursion: inside, the refracted child leaves the stone and ends at once, so the rays form a
// chain of reflections. The chain is followed down to its end one level at a time, keeping each
// level's Fresnel weight, segment and leaving light; the light is then combined from the end
// back up in the order the recursion combines it. Several chains (the Fire samples) can be
// stepped in turn, so that the processor works on them side by side.
struct Chain {
    const Context* ctx;
    Vec3 o;
    Vec3 d;
    int32_t depth;
    int32_t levels;
    int32_t facet;  // the facet the chain's current ray starts from (or meets, after seekChain)
    Vec3 hit;       // where the current ray meets it, after seekChain
    double ratio;
    double totals[3];  // the light the end of the chain brings
    double weight[kChainLevels];
    double leaving[kChainLevels][3];
    double segment[kChainLevels];
};

void startChain(Chain& c, const Context& ctx, const Vec3& o, const Vec3& d, int32_t depth) {
    c.ctx = &ctx;
    c.o = o;
    c.d = d;
    c.depth = depth;
    c.levels = 0;
    c.facet = -1;
    c.ratio = steps::indexRatio(ctx.settings.outerIndex, ctx.stoneIndex, true);
    c.totals[0] = c.totals[1] = c.totals[2] = 0.0;
}

// The direction bin of d: each component (within -1 to 1) in eighths, read off the top three
// bits of the fraction of c + 3 (between 2 and 4). Any value gives a bin, even one that is not a
// number; the bin only chooses where the walk starts.
inline int32_t directionBin(const Vec3& d) {
    auto eighth = [](double c) {
        uint64_t bits = 0;
        const double shifted = c + 3.0;
        std::memcpy(&bits, &shifted, sizeof bits);
        return static_cast<int32_t>((bits >> 49) & 7u);
    };
    return (eighth(d.x) * 8 + eighth(d.y)) * 8 + eighth(d.z);
}

// Finds the facet the chain's current ray meets (kept in the chain for bounceChain); returns
// false when the chain has ended (trapped at the depth limit, or no facet found). The two halves
// of a step are apart so that several chains can be stepped half by half: the hit point, at the
// end of a long line of divisions, is then ready by the time its chain reads it.
bool seekChain(Chain& c) {
    const Context& ctx = *c.ctx;
    if (c.depth >= ctx.settings.maxDepth) {
        const steps::Rgb t = steps::shadeTrapped(ctx.lighting);
        c.totals[0] = t.r;
        c.totals[1] = t.g;
        c.totals[2] = t.b;
        return false;
    }
    const int32_t* other = ctx.otherGuesses != nullptr && c.depth < kGuessDepths
                               ? &ctx.otherGuesses[c.depth]
                               : nullptr;
    int16_t* exit = nullptr;
    if (ctx.exits != nullptr && c.facet >= 0 && c.facet < ctx.scratch.tableFacets) {
        exit = &ctx.exits[c.facet * kDirectionBins + directionBin(c.d)];
    }
    return findHit(ctx, c.o, c.d, true, nullptr, guessAt(ctx, c.depth), &c.hit, &c.facet, other,
                   exit);
}

// Reflects the chain's current ray at the facet seekChain found: records the level's segment,
// leaving light and Fresnel weight, and makes the reflection the current ray.
void bounceChain(Chain& c) {
    const Context& ctx = *c.ctx;
    const Vec3 hit = c.hit;
    const int32_t hitFacet = c.facet;
    const int32_t n = c.levels;
    c.segment[n] = steps::distance(c.o, hit);
    steps::Bounce bounce{};
    steps::mirror(c.d, ctx.scene.facets[hitFacet].normal, true, bounce);
    steps::refract(c.d, c.ratio, bounce);
    double* light = c.leaving[n];
    if (bounce.isRefracted) {
        const steps::Rgb t = steps::shadeLeaving(bounce.refracted, ctx.lighting);
        light[0] = t.r;
        light[1] = t.g;
        light[2] = t.b;
    } else {
        light[0] = light[1] = light[2] = 0.0;
    }
    const double f = steps::fresnel(ctx.r0, bounce, true);
    c.weight[n] = f;
    light[0] *= 1.0 - f;
    light[1] *= 1.0 - f;
    light[2] *= 1.0 - f;
    c.levels = n + 1;
    c.o = hit;
    c.d = bounce.reflected;
    ++c.depth;
}

// Combines the ended chain's light and writes what traceRay writes for its first ray.
void finishChain(const Chain& c, const Outputs& out) {
    // The end of the chain brought `totals` and a segment of 0; each level above takes its
    // reflected child's light, weighted and absorbed along the child's segment.
    const double* absorption = c.ctx->lighting.absorption;
    double totals[3] = {c.totals[0], c.totals[1], c.totals[2]};
    double childSegment = 0.0;
    double glare = 0.0;
    for (int32_t i = c.levels - 1; i >= 0; --i) {
        const double f = c.weight[i];
        double reflected[3] = {totals[0] * f, totals[1] * f, totals[2] * f};
        glare = reflected[0];
        steps::absorb(&reflected[0], absorption[0], childSegment);
        steps::absorb(&reflected[1], absorption[1], childSegment);
        steps::absorb(&reflected[2], absorption[2], childSegment);
        totals[0] = c.leaving[i][0] + reflected[0];
        totals[1] = c.leaving[i][1] + reflected[1];
        totals[2] = c.leaving[i][2] + reflected[2];
        childSegment = c.segment[i];
    }
    *out.totalR = totals[0];
    *out.totalG = totals[1];
    *out.totalB = totals[2];
    *out.segmentLength = childSegment;
    if (c.levels > 0) {
        *out.surfaceGlare = glare;
        *out.innerR = c.leaving[0][0];
        *out.innerG = c.leaving[0][1];
        *out.innerB = c.leaving[0][2];
    }
}

// Whether a chain starting at this depth fits in a Chain.
bool chainFits(const Context& ctx, int32_t depth) {
    return depth >= 1 && ctx.settings.maxDepth - depth < kChainLevels;
}

int32_t traceInside(const Context& ctx, const Vec3& o, const Vec3& d, int32_t depth,
                    const Outputs& out) {
    Chain c;
    startChain(c, ctx, o, d, depth);
    while (seekChain(c)) bounceChain(c);
    finishChain(c, out);
    return 1;
}

#if defined(TAVRINE_X86_VECTORS)
// Chains inside the stone, stepped side by side in the lanes of four-wide vectors: the three Fire
// samples of up to four pixels. Each lane performs for its chain the operations of seekChain,
// bounceChain and finishChain in the same order, so every value equals the one the chain alone
// gives; the facet search stays per lane, and the arithmetic of the hit points and of the
// bounces is shared.
//
// The chains run in step: each starts at depth 1 and goes one depth deeper per bounce until the
// depth limit, so level n of every running chain is at depth n + 1. A chain whose search finds
// no facet ends there, and its lane is left out from then on.
constexpr int32_t kLaneVectors = 3;
constexpr int32_t kLaneCount = 4 * kLaneVectors;
constexpr int32_t kLanePixels = kLaneCount / 3;

// The chains to follow, one per lane.
struct LaneStarts {
    const Context* context[kLaneCount];  // the sample's context, or null for a lane left empty
    alignas(32) double o[3][kLaneCount];
    alignas(32) double d[3][kLaneCount];

    // Empties every lane; an empty lane's ray is harmless to compute with.
    void clear() {
        for (int32_t c = 0; c < kLaneCount; ++c) {
            context[c] = nullptr;
            o[0][c] = o[1][c] = o[2][c] = 0.0;
            d[0][c] = d[1][c] = 0.0;
            d[2][c] = 1.0;
        }
    }
    void set(int32_t c, const Context* ctx, const Vec3& origin, const Vec3& direction) {
        context[c] = ctx;
        o[0][c] = origin.x;
        o[1][c] = origin.y;
        o[2][c] = origin.z;
        d[0][c] = direction.x;
        d[1][c] = direction.y;
        d[2][c] = direction.z;
    }
};

// What each chain brings back, as finishChain writes it: its total light and its first segment
// (in a stone that absorbs nothing, the square of its length; see traceChainLanes).
struct LaneEnds {
    alignas(32) double total[3][kLaneCount];
    alignas(32) double segment[kLaneCount];
};

// Each level's Fresnel weight, leaving light and segment, by lane.
struct alignas(32) LaneLevels {
    double weight[kChainLevels][kLaneCount];
    double leaving[kChainLevels][3][kLaneCount];
    double segment[kChainLevels][kLaneCount];
};

// The lanes of a mask as bits.
__attribute__((target("avx2"))) inline unsigned laneBits(__m256d mask) {
    return static_cast<unsigned>(_mm256_movemask_pd(mask));
}

// A mask with the lanes of `bits` (the low four) set.
__attribute__((target("avx2"))) inline __m256d laneMask(unsigned bits) {
    const __m256i lanes = _mm256_setr_epi64x(1, 2, 4, 8);
    const __m256i set = _mm256_and_si256(_mm256_set1_epi64x(static_cast<int64_t>(bits)), lanes);
    return _mm256_castsi256_pd(_mm256_cmpeq_epi64(set, lanes));
}

// Columns 0 to 3 of the 4 x 4 matrix whose rows are r0 to r3.
__attribute__((target("avx2"))) inline void transpose(__m256d r0, __m256d r1, __m256d r2,
                                                      __m256d r3, __m256d c[4]) {
    const __m256d t0 = _mm256_unpacklo_pd(r0, r1);
    const __m256d t1 = _mm256_unpackhi_pd(r0, r1);
    const __m256d t2 = _mm256_unpacklo_pd(r2, r3);
    const __m256d t3 = _mm256_unpackhi_pd(r2, r3);
    c[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
    c[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
    c[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
    c[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// The first four doubles at each of four addresses, by component: c[i] holds element i of each.
__attribute__((target("avx2"))) inline void gather4(const double* a0, const double* a1,
                                                    const double* a2, const double* a3,
                                                    __m256d c[4]) {
    transpose(_mm256_loadu_pd(a0), _mm256_loadu_pd(a1), _mm256_loadu_pd(a2), _mm256_loadu_pd(a3),
              c);
}

// directionBin's eighths of each lane's component c.
__attribute__((target("avx2"))) inline __m256i eighths(__m256d c) {
    return _mm256_and_si256(
        _mm256_srli_epi64(_mm256_castpd_si256(_mm256_add_pd(c, _mm256_set1_pd(3.0))), 49),
        _mm256_set1_epi64x(7));
}

// Truncation towards zero of values that fit an int32_t, as static_cast<int32_t> gives them.
// Adding 0 turns a truncated -0 into the 0 that an integer gives.
__attribute__((target("avx2"))) inline __m256d truncated(__m256d v) {
    return _mm256_add_pd(_mm256_round_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC),
                         _mm256_setzero_pd());
}

// Follows every chain of `in` as traceInside follows its ray from depth 1 and writes what each
// brings back. All contexts share the settings, the scene and the scratch; they differ in the
// stone index, the guesses and the exit table.
__attribute__((target("avx2"))) void traceChainLanes(const LaneStarts& in, LaneEnds& out) {
    constexpr int32_t V = kLaneVectors;
    unsigned running = 0;
    const Context* any = nullptr;
    for (int32_t c = 0; c < kLaneCount; ++c) {
        if (in.context[c] == nullptr) continue;
        running |= 1u << c;
        any = in.context[c];
    }
    if (any == nullptr) return;
    const Context& first = *any;
    const RenderSettings& s = first.settings;
    const Facet* facets = first.scene.facets;
    const steps::Lighting& l = first.lighting;
    const bool convex = first.data.convex;

    // The state of the lanes, by vector.
    __m256d ox[V], oy[V], oz[V], dx[V], dy[V], dz[V], ratio[V];
    alignas(32) double ratios[kLaneCount];
    for (int32_t c = 0; c < kLaneCount; ++c) {
        ratios[c] = in.context[c] != nullptr
                        ? steps::indexRatio(s.outerIndex, in.context[c]->stoneIndex, true)
                        : 1.0;
    }
    for (int32_t v = 0; v < V; ++v) {
        ox[v] = _mm256_load_pd(in.o[0] + 4 * v);
        oy[v] = _mm256_load_pd(in.o[1] + 4 * v);
        oz[v] = _mm256_load_pd(in.o[2] + 4 * v);
        dx[v] = _mm256_load_pd(in.d[0] + 4 * v);
        dy[v] = _mm256_load_pd(in.d[1] + 4 * v);
        dz[v] = _mm256_load_pd(in.d[2] + 4 * v);
        ratio[v] = _mm256_load_pd(ratios + 4 * v);
    }
    int32_t facet[kLaneCount];  // the facet each lane's ray starts from, or meets
    int32_t levels[kLaneCount];
    for (int32_t c = 0; c < kLaneCount; ++c) {
        facet[c] = -1;
        levels[c] = 0;
    }
    unsigned trapped = 0;

    // The constants of the shading of a leaving ray (shadeLeaving) and of the Fresnel weight.
    const __m256d zero = _mm256_setzero_pd();
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d two = _mm256_set1_pd(2.0);
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d allLanes = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256d lx = _mm256_set1_pd(l.lightDirection.x);
    const __m256d ly = _mm256_set1_pd(l.lightDirection.y);
    const __m256d lz = _mm256_set1_pd(l.lightDirection.z);
    const bool litBackdrop = !(l.backdrop[0] == 0 && l.backdrop[1] == 0 && l.backdrop[2] == 0);
    const __m256d backLight = _mm256_set1_pd(static_cast<double>(l.backLight));
    const __m256d fill = _mm256_set1_pd(l.fillLight * 0.12);
    const __m256d main = _mm256_set1_pd(0.175 * l.mainLight);
    __m256d tint[3];
    for (int32_t ch = 0; ch < 3; ++ch) {
        tint[ch] = _mm256_set1_pd(l.backdrop[ch] - 1000 * l.absorption[ch]);
    }
    // A segment's length only ever multiplies the absorption. In a stone that absorbs nothing
    // (every coefficient +0) the product is +0 for any finite length and not a number for an
    // infinite or undefined one; the squared length is finite exactly when the length is, so it
    // serves in its place and the square root is left out.
    bool clearStone = true;
    for (const double a : l.absorption) clearStone = clearStone && a == 0.0 && !std::signbit(a);
    const __m256d r0 = _mm256_set1_pd(first.r0);
    const __m256d oneMinusR0 = _mm256_set1_pd(1.0 - first.r0);

    LaneLevels lv;
    int32_t depth = 1;
    for (; running != 0; ++depth) {
        if (depth >= s.maxDepth) {
            trapped = running;
            break;
        }
        const int32_t n = depth - 1;

        // The walk's view of each lane's ray (inside: -d and the moment o x d), its direction bin
        // (directionBin) and its dominant axis and component (steps::dominantAxis).
        alignas(32) double lane[6][kLaneCount];
        alignas(32) int64_t bins[kLaneCount];
        __m256d onX[V], onY[V], onZ[V], dk[V];
        for (int32_t v = 0; v < V; ++v) {
            const int32_t at = 4 * v;
            _mm256_store_pd(lane[0] + at, _mm256_xor_pd(dx[v], signBit));
            _mm256_store_pd(lane[1] + at, _mm256_xor_pd(dy[v], signBit));
            _mm256_store_pd(lane[2] + at, _mm256_xor_pd(dz[v], signBit));
            _mm256_store_pd(lane[3] + at,
                            _mm256_sub_pd(_mm256_mul_pd(oy[v], dz[v]), _mm256_mul_pd(oz[v], dy[v])));
            _mm256_store_pd(lane[4] + at,
                            _mm256_sub_pd(_mm256_mul_pd(oz[v], dx[v]), _mm256_mul_pd(ox[v], dz[v])));
            _mm256_store_pd(lane[5] + at,
                            _mm256_sub_pd(_mm256_mul_pd(ox[v], dy[v]), _mm256_mul_pd(oy[v], dx[v])));
            _mm256_store_si256(
                reinterpret_cast<__m256i*>(bins + at),
                _mm256_add_epi64(
                    _mm256_slli_epi64(
                        _mm256_add_epi64(_mm256_slli_epi64(eighths(dx[v]), 3), eighths(dy[v])), 3),
                    eighths(dz[v])));
            const __m256d ax = _mm256_andnot_pd(signBit, dx[v]);
            const __m256d ay = _mm256_andnot_pd(signBit, dy[v]);
            const __m256d az = _mm256_andnot_pd(signBit, dz[v]);
            const __m256d yOverX = _mm256_cmp_pd(ay, ax, _CMP_GE_OQ);
            onZ[v] = _mm256_blendv_pd(_mm256_cmp_pd(az, ax, _CMP_GE_OQ),
                                      _mm256_cmp_pd(az, ay, _CMP_GE_OQ), yOverX);
            onY[v] = _mm256_andnot_pd(onZ[v], yOverX);
            onX[v] = _mm256_andnot_pd(_mm256_or_pd(onZ[v], yOverX), allLanes);
            dk[v] = _mm256_blendv_pd(_mm256_blendv_pd(dx[v], dy[v], onY[v]), dz[v], onZ[v]);
        }

        // Each lane's facet by the walk, from where the last ray from the same facet in about the
        // same direction went, or else where the last ray at this depth went.
        int16_t* exits[kLaneCount];
        int32_t* guesses[kLaneCount];
        unsigned walked = 0;
        for (unsigned b = running; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            const Context& ctx = *in.context[c];
            exits[c] = nullptr;
            if (ctx.exits != nullptr && facet[c] >= 0 && facet[c] < ctx.scratch.tableFacets) {
                exits[c] = &ctx.exits[facet[c] * kDirectionBins + bins[c]];
            }
            guesses[c] = &ctx.guesses[depth];  // depth < kChainLevels <= kGuessDepths
            if (!convex) continue;
            const int32_t start = exits[c] != nullptr && *exits[c] >= 0 ? *exits[c] : *guesses[c];
            const int32_t g = walkToClearFacet(ctx, start, Vec3{lane[0][c], lane[1][c], lane[2][c]},
                                               Vec3{lane[3][c], lane[4][c], lane[5][c]});
            if (g >= 0) {
                facet[c] = g;
                walked |= 1u << c;
            }
        }

        // The plane test of the facets the walks found (planeTestCertain).
        __m256d along[V];
        unsigned parallel = 0;
        __m256d plane[V][4];
        for (int32_t v = 0; v < V; ++v) {
            const Facet* f[4];
            for (int32_t k = 0; k < 4; ++k) {
                const int32_t c = 4 * v + k;
                f[k] = &facets[(walked >> c & 1u) != 0 ? facet[c] : 0];
            }
            gather4(f[0]->plane, f[1]->plane, f[2]->plane, f[3]->plane, plane[v]);
            along[v] = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(plane[v][0], dx[v]), _mm256_mul_pd(plane[v][1], dy[v])),
                _mm256_mul_pd(plane[v][2], dz[v]));
            parallel |= laneBits(_mm256_cmp_pd(_mm256_andnot_pd(signBit, _mm256_mul_pd(dk[v], along[v])),
                                               _mm256_set1_pd(0.0000001), _CMP_LT_OQ))
                        << (4 * v);
        }
        unsigned certain = walked & ~parallel;
        if (!first.data.nearCentre.empty()) {
            for (unsigned b = certain; b != 0; b &= b - 1) {
                const int32_t c = __builtin_ctz(b);
                const Vec3 d{-lane[0][c], -lane[1][c], -lane[2][c]};
                for (const int32_t j : first.data.nearCentre) {
                    if (j >= facet[c]) break;
                    if (steps::dot(d, facets[j].normal) >= 0.0) certain &= ~(1u << c);
                }
            }
        }

        // The lanes the walk leaves in doubt are searched as the single chain searches them; the
        // hit point found replaces the lane's.
        alignas(32) double searched[3][kLaneCount];
        unsigned bySearch = 0;
        for (unsigned b = running; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            if ((certain >> c & 1u) != 0) {
                if (exits[c] != nullptr) *exits[c] = static_cast<int16_t>(facet[c]);
                *guesses[c] = facet[c];
                continue;
            }
            const Context& ctx = *in.context[c];
            const int32_t* other = ctx.otherGuesses != nullptr ? &ctx.otherGuesses[depth] : nullptr;
            alignas(32) double at[3][4];
            _mm256_store_pd(at[0], ox[c / 4]);
            _mm256_store_pd(at[1], oy[c / 4]);
            _mm256_store_pd(at[2], oz[c / 4]);
            const Vec3 o{at[0][c % 4], at[1][c % 4], at[2][c % 4]};
            const Vec3 d{-lane[0][c], -lane[1][c], -lane[2][c]};
            Vec3 h{};
            if (!findHit(ctx, o, d, true, nullptr, guesses[c], &h, &facet[c], other, exits[c])) {
                running &= ~(1u << c);  // the chain ends here, bringing no light
                continue;
            }
            searched[0][c] = h.x;
            searched[1][c] = h.y;
            searched[2][c] = h.z;
            bySearch |= 1u << c;
        }
        if (running == 0) break;

        for (int32_t v = 0; v < V; ++v) {
            const int32_t at = 4 * v;
            // steps::hitPoint with the axes of each lane taken in the order (k, i, j): the
            // dominant axis, then the other two in ascending order.
            const __m256d ok = _mm256_blendv_pd(_mm256_blendv_pd(ox[v], oy[v], onY[v]), oz[v], onZ[v]);
            const __m256d oi = _mm256_blendv_pd(ox[v], oy[v], onX[v]);
            const __m256d oj = _mm256_blendv_pd(oz[v], oy[v], onZ[v]);
            const __m256d di = _mm256_blendv_pd(dx[v], dy[v], onX[v]);
            const __m256d dj = _mm256_blendv_pd(dz[v], dy[v], onZ[v]);
            const __m256d pi = _mm256_blendv_pd(plane[v][0], plane[v][1], onX[v]);
            const __m256d pj = _mm256_blendv_pd(plane[v][2], plane[v][1], onZ[v]);
            const __m256d sum = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(dk[v], plane[v][3]),
                              _mm256_mul_pd(pi, _mm256_sub_pd(_mm256_mul_pd(dk[v], oi),
                                                              _mm256_mul_pd(di, ok)))),
                _mm256_mul_pd(pj, _mm256_sub_pd(_mm256_mul_pd(dk[v], oj), _mm256_mul_pd(dj, ok))));
            const __m256d hk = _mm256_div_pd(_mm256_xor_pd(sum, signBit), along[v]);
            const __m256d run = _mm256_sub_pd(hk, ok);
            const __m256d hi = _mm256_add_pd(oi, _mm256_div_pd(_mm256_mul_pd(di, run), dk[v]));
            const __m256d hj = _mm256_add_pd(oj, _mm256_div_pd(_mm256_mul_pd(dj, run), dk[v]));
            const __m256d fromSearch = laneMask(bySearch >> at);
            const __m256d hx = _mm256_blendv_pd(_mm256_blendv_pd(hi, hk, onX[v]),
                                                _mm256_load_pd(searched[0] + at), fromSearch);
            const __m256d hy = _mm256_blendv_pd(
                _mm256_blendv_pd(_mm256_blendv_pd(hj, hk, onY[v]), hi, onX[v]),
                _mm256_load_pd(searched[1] + at), fromSearch);
            const __m256d hz = _mm256_blendv_pd(_mm256_blendv_pd(hj, hk, onZ[v]),
                                                _mm256_load_pd(searched[2] + at), fromSearch);

            // bounceChain: the segment, the mirror and refracted directions, the light leaving
            // and the Fresnel weight. The normals are those of the facets met (a lane that has
            // ended reads facet 0).
            const Facet* f[4];
            for (int32_t k = 0; k < 4; ++k) {
                const int32_t c = at + k;
                f[k] = &facets[(running >> c & 1u) != 0 ? facet[c] : 0];
            }
            __m256d normal[4];
            gather4(&f[0]->normal.x, &f[1]->normal.x, &f[2]->normal.x, &f[3]->normal.x, normal);
            const __m256d sx = _mm256_sub_pd(hx, ox[v]);
            const __m256d sy = _mm256_sub_pd(hy, oy[v]);
            const __m256d sz = _mm256_sub_pd(hz, oz[v]);
            const __m256d squared = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(sx, sx), _mm256_mul_pd(sy, sy)), _mm256_mul_pd(sz, sz));
            _mm256_store_pd(lv.segment[n] + at, clearStone ? squared : _mm256_sqrt_pd(squared));
            const __m256d cosI = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(dx[v], normal[0]), _mm256_mul_pd(dy[v], normal[1])),
                _mm256_mul_pd(dz[v], normal[2]));
            const __m256d hhx = _mm256_mul_pd(cosI, normal[0]);
            const __m256d hhy = _mm256_mul_pd(cosI, normal[1]);
            const __m256d hhz = _mm256_mul_pd(cosI, normal[2]);
            const __m256d tx = _mm256_mul_pd(_mm256_sub_pd(dx[v], hhx), ratio[v]);
            const __m256d ty = _mm256_mul_pd(_mm256_sub_pd(dy[v], hhy), ratio[v]);
            const __m256d tz = _mm256_mul_pd(_mm256_sub_pd(dz[v], hhz), ratio[v]);
            const __m256d tt = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(tx, tx), _mm256_mul_pd(ty, ty)), _mm256_mul_pd(tz, tz));
            const __m256d refracted = _mm256_cmp_pd(tt, one, _CMP_NGT_UQ);
            const __m256d cosT = _mm256_and_pd(_mm256_sqrt_pd(_mm256_sub_pd(one, tt)), refracted);
            __m256d light[3] = {zero, zero, zero};
            if ((laneBits(refracted) & (running >> at) & 15u) != 0) {
                const __m256d hl = _mm256_sqrt_pd(
                    _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(hhx, hhx), _mm256_mul_pd(hhy, hhy)),
                                  _mm256_mul_pd(hhz, hhz)));
                const __m256d fx = _mm256_add_pd(tx, _mm256_div_pd(_mm256_mul_pd(cosT, hhx), hl));
                const __m256d fy = _mm256_add_pd(ty, _mm256_div_pd(_mm256_mul_pd(cosT, hhy), hl));
                const __m256d fz = _mm256_add_pd(tz, _mm256_div_pd(_mm256_mul_pd(cosT, hhz), hl));
                // steps::shadeLeaving of the refracted direction.
                __m256d c = _mm256_add_pd(
                    _mm256_add_pd(_mm256_mul_pd(fx, lx), _mm256_mul_pd(fy, ly)),
                    _mm256_mul_pd(fz, lz));
                c = _mm256_blendv_pd(c, zero, _mm256_cmp_pd(c, zero, _CMP_LT_OQ));
                const __m256d towardEye = _mm256_cmp_pd(fz, zero, _CMP_LT_OQ);
                __m256d kb = zero;
                if (litBackdrop) {
                    const __m256d b = _mm256_add_pd(_mm256_set1_pd(100.0),
                                                    _mm256_mul_pd(_mm256_set1_pd(200.0), fz));
                    const __m256d share = _mm256_blendv_pd(
                        _mm256_set1_pd(100.0),
                        _mm256_blendv_pd(truncated(b), zero, _mm256_cmp_pd(b, zero, _CMP_LT_OQ)),
                        towardEye);
                    kb = truncated(
                        _mm256_mul_pd(_mm256_mul_pd(share, backLight), _mm256_set1_pd(0.01)));
                }
                const __m256d kf = _mm256_and_pd(
                    truncated(_mm256_mul_pd(_mm256_set1_pd(-100.0), fz)), towardEye);
                const __m256d w =
                    _mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(fill, kf), _mm256_set1_pd(0.01)),
                                  _mm256_mul_pd(main, c));
                for (int32_t ch = 0; ch < 3; ++ch) {
                    const __m256d shade = _mm256_add_pd(
                        _mm256_mul_pd(
                            _mm256_mul_pd(_mm256_mul_pd(tint[ch], kb), _mm256_set1_pd(1.0 / 255.0)),
                            _mm256_set1_pd(0.110565)),
                        w);
                    light[ch] = _mm256_and_pd(_mm256_mul_pd(shade, _mm256_set1_pd(0.01)), refracted);
                }
            }
            const __m256d weight =
                _mm256_add_pd(r0, _mm256_mul_pd(oneMinusR0, _mm256_sub_pd(one, cosT)));
            _mm256_store_pd(lv.weight[n] + at, weight);
            const __m256d passing = _mm256_sub_pd(one, weight);
            for (int32_t ch = 0; ch < 3; ++ch) {
                _mm256_store_pd(lv.leaving[n][ch] + at, _mm256_mul_pd(light[ch], passing));
            }
            ox[v] = hx;
            oy[v] = hy;
            oz[v] = hz;
            dx[v] = _mm256_sub_pd(dx[v], _mm256_mul_pd(two, hhx));
            dy[v] = _mm256_sub_pd(dy[v], _mm256_mul_pd(two, hhy));
            dz[v] = _mm256_sub_pd(dz[v], _mm256_mul_pd(two, hhz));
        }
        for (unsigned b = running; b != 0; b &= b - 1) levels[__builtin_ctz(b)] = n + 1;
    }

    // finishChain, lane by lane from each chain's own end back up.
    const steps::Rgb dim = steps::shadeTrapped(l);
    int32_t deepest = 0;
    for (int32_t c = 0; c < kLaneCount; ++c) deepest = std::max(deepest, levels[c]);
    for (int32_t v = 0; v < V; ++v) {
        const int32_t at = 4 * v;
        const __m256d atEnd = laneMask(trapped >> at);
        __m256d total[3] = {_mm256_and_pd(_mm256_set1_pd(dim.r), atEnd),
                            _mm256_and_pd(_mm256_set1_pd(dim.g), atEnd),
                            _mm256_and_pd(_mm256_set1_pd(dim.b), atEnd)};
        __m256d childSegment = zero;
        const __m256i levelCount =
            _mm256_setr_epi64x(levels[at], levels[at + 1], levels[at + 2], levels[at + 3]);
        for (int32_t i = deepest - 1; i >= 0; --i) {
            const __m256d within =
                _mm256_castsi256_pd(_mm256_cmpgt_epi64(levelCount, _mm256_set1_epi64x(i)));
            const __m256d f = _mm256_load_pd(lv.weight[i] + at);
            for (int32_t ch = 0; ch < 3; ++ch) {
                __m256d reflected =
                    _mm256_sub_pd(_mm256_mul_pd(total[ch], f),
                                  _mm256_mul_pd(_mm256_set1_pd(l.absorption[ch]), childSegment));
                reflected =
                    _mm256_blendv_pd(reflected, zero, _mm256_cmp_pd(reflected, zero, _CMP_LT_OQ));
                total[ch] = _mm256_blendv_pd(
                    total[ch], _mm256_add_pd(_mm256_load_pd(lv.leaving[i][ch] + at), reflected),
                    within);
            }
            childSegment =
                _mm256_blendv_pd(childSegment, _mm256_load_pd(lv.segment[i] + at), within);
        }
        for (int32_t ch = 0; ch < 3; ++ch) _mm256_store_pd(out.total[ch] + at, total[ch]);
        _mm256_store_pd(out.segment + at, childSegment);
    }
}
#endif

int32_t traceRay(const Context& ctx, const Vec3& origin, const Vec3& direction, int32_t inside,
                 int32_t depth, const Outputs& out, const std::vector<int32_t>* fixedCandidates) {
    const bool isInside = inside != 0;
    if (isInside && chainFits(ctx, depth)) {
        return traceInside(ctx, origin, direction, depth, out);
    }
    *out.totalR = 0.0;
    *out.totalG = 0.0;
    *out.totalB = 0.0;

    if (depth >= ctx.settings.maxDepth || (depth > 0 && !isInside)) {
        if (isInside) {
            const steps::Rgb c = steps::shadeTrapped(ctx.lighting);
            *out.totalR = c.r;
            *out.totalG = c.g;
            *out.totalB = c.b;
            *out.segmentLength = 0.0;
        } else if (depth == 1) {
            const double glare = steps::shadeGlare(direction, ctx.lighting);
            *out.totalR = glare;
            *out.totalG = glare;
            *out.totalB = glare;
        } else {
            const steps::Rgb c = steps::shadeLeaving(direction, ctx.lighting);
            *out.totalR = c.r;
            *out.totalG = c.g;
            *out.totalB = c.b;
        }
        if (depth <= 0) {
            *out.surfaceGlare = 0.0;
            *out.innerR = 0.0;
            *out.innerG = 0.0;
            *out.innerB = 0.0;
        }
        return 1;
    }

    Vec3 hit{};
    int32_t hitFacet = 0;
    if (!findHit(ctx, origin, direction, isInside, fixedCandidates, guessAt(ctx, depth), &hit,
                 &hitFacet)) {
        if (depth > 0) {
            *out.segmentLength = 0.0;
            return 1;
        }
        return 0;
    }
    *out.segmentLength = steps::distance(origin, hit);

    steps::Bounce bounce{};
    steps::mirror(direction, ctx.scene.facets[hitFacet].normal, isInside, bounce);
    steps::refract(direction, steps::indexRatio(ctx.settings.outerIndex, ctx.stoneIndex, isInside),
                   bounce);

    double childGlare = 0.0;
    double childInner[3] = {0.0, 0.0, 0.0};
    double reflected[3] = {0.0, 0.0, 0.0};
    double reflectedLength = 0.0;
    traceRay(ctx, hit, bounce.reflected, inside, depth + 1,
             Outputs{&reflected[0], &reflected[1], &reflected[2], &childGlare, &childInner[0],
                     &childInner[1], &childInner[2], &reflectedLength},
             nullptr);

    double refractedLength = 0.0;
    if (bounce.isRefracted) {
        traceRay(ctx, hit, bounce.refracted, isInside ? 0 : 1, depth + 1,
                 Outputs{out.innerR, out.innerG, out.innerB, &childGlare, &childInner[0],
                         &childInner[1], &childInner[2], &refractedLength},
                 nullptr);
    } else {
        *out.innerR = 0.0;
        *out.innerG = 0.0;
        *out.innerB = 0.0;
    }

    const double f = steps::fresnel(ctx.r0, bounce, isInside);
    reflected[0] *= f;
    reflected[1] *= f;
    reflected[2] *= f;
    *out.surfaceGlare = reflected[0];
    *out.innerR *= 1.0 - f;
    *out.innerG *= 1.0 - f;
    *out.innerB *= 1.0 - f;

    const double* absorption = ctx.lighting.absorption;
    if (depth > 0) {
        steps::absorb(&reflected[0], absorption[0], reflectedLength);
        steps::absorb(&reflected[1], absorption[1], reflectedLength);
        steps::absorb(&reflected[2], absorption[2], reflectedLength);
    } else if (bounce.isRefracted) {
        steps::absorb(out.innerR, absorption[0], refractedLength);
        steps::absorb(out.innerG, absorption[1], refractedLength);
        steps::absorb(out.innerB, absorption[2], refractedLength);
    }

    *out.totalR = *out.innerR + reflected[0];
    *out.totalG = *out.innerG + reflected[1];
    *out.totalB = *out.innerB + reflected[2];
    return 1;
}

// The exit table of Fire sample k (0 to 2) in the scratch, or null when it keeps none.
int16_t* exitTable(FastTracer::Scratch& scratch, int32_t k) {
    if (scratch.tableFacets == 0) return nullptr;
    return scratch.exits.data() + static_cast<size_t>(k * scratch.tableFacets * kDirectionBins);
}

uint32_t backdropColour(const RenderSettings& s) {
    return static_cast<uint32_t>(s.backdrop[0]) + 256u * static_cast<uint32_t>(s.backdrop[1]) +
           65536u * static_cast<uint32_t>(s.backdrop[2]);
}

steps::Lighting lightingOf(const RenderSettings& s, const RenderScene& scene) {
    return steps::Lighting{scene.lightDirection,
                           {s.backdrop[0], s.backdrop[1], s.backdrop[2]},
                           s.mainLight,
                           s.backLight,
                           s.fillLight,
                           s.narrowHighlight,
                           {s.absorption[0], s.absorption[1], s.absorption[2]}};
}

}  // namespace

FastTracer::Scratch::Scratch(const RenderScene& scene)
    : candidates(static_cast<size_t>(std::max(scene.facetCount, 1))),
      worth(static_cast<size_t>((std::max(scene.facetCount, 1) + 63) / 64)),
      guesses(static_cast<size_t>(kGuessSets * kGuessDepths), -1),
      tableFacets(scene.facetCount <= kMaxTableFacets ? std::max(scene.facetCount, 0) : 0),
      exits(static_cast<size_t>(3 * tableFacets * kDirectionBins), -1) {}

FastTracer::FastTracer(const RenderSettings& settings, const RenderScene& scene, VectorUnit unit)
    : settings_(settings),
      scene_(scene),
      lighting_(lightingOf(settings, scene)),
      r0_(normalReflectance(settings.outerIndex, settings.stoneIndex)),
      unit_(usableUnit(unit)) {
    const int32_t count = scene.facetCount;
    FacetData& fd = facetData_;
    // Padded to whole groups of eight; a padding facet never qualifies (its normal is NaN).
    const size_t padded = static_cast<size_t>((count + 7) / 8 * 8);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::vector<double>* v :
         {&fd.nx, &fd.ny, &fd.nz, &fd.cx, &fd.cy, &fd.cz, &fd.reach2, &fd.offset}) {
        v->assign(padded, nan);
    }
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        fd.nx[j] = f.normal.x;
        fd.ny[j] = f.normal.y;
        fd.nz[j] = f.normal.z;
        Vec3 c{0.0, 0.0, 0.0};
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const Vertex& v = scene.vertices[f.vertexIndex[k]];
            c = Vec3{c.x + v.x, c.y + v.y, c.z + v.z};
        }
        c = Vec3{c.x / f.vertexCount, c.y / f.vertexCount, c.z / f.vertexCount};
        double radius = 0.0;
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const Vertex& v = scene.vertices[f.vertexIndex[k]];
            const Vec3 r{v.x - c.x, v.y - c.y, v.z - c.z};
            radius = std::max(radius, std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z));
        }
        fd.cx[j] = c.x;
        fd.cy[j] = c.y;
        fd.cz[j] = c.z;
        fd.offset[j] = f.normal.x * c.x + f.normal.y * c.y + f.normal.z * c.z;
        // A margin of 1e-6 model units: rounding moves projected corners by about 1e-15.
        const double reach = radius + 1e-6;
        fd.reach2[j] = reach * reach;
        // A plane within 0.1 of the centre: its scaled coefficients exceed 10 (or the facet is
        // degenerate and its plane says nothing).
        const double scale =
            std::sqrt(f.plane[0] * f.plane[0] + f.plane[1] * f.plane[1] + f.plane[2] * f.plane[2]);
        if (!(scale <= 10.0)) fd.nearCentre.push_back(j);
    }
    fd.edgeStart.resize(static_cast<size_t>(count));
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        fd.edgeStart[j] = static_cast<int32_t>(fd.edges.size());
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const Vertex& a = scene.vertices[f.vertexIndex[k]];
            const Vertex& b = scene.vertices[f.vertexIndex[(k + 1) % f.vertexCount]];
            // The edge value is the edge's length times the ray's distance from its line (for
            // a ray across the facet), so the clearance keeps rays within kClear of the line in
            // doubt.
            const Vec3 e{a.x - b.x, a.y - b.y, a.z - b.z};
            fd.edges.push_back(FacetData::Edge{
                {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x},
                {a.x - b.x, a.y - b.y, a.z - b.z},
                std::max(kEdgeDoubt, kClear * std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z)),
                -1});
        }
    }
    // The certificate of the faster search holds only for a convex stone with flat facets: every
    // corner on the inner side of every facet's plane, by more than rounding.
    fd.convex = true;
    for (int32_t j = 0; j < count && fd.convex; ++j) {
        const Facet& f = scene.facets[j];
        double highest = -std::numeric_limits<double>::infinity();
        double lowest = std::numeric_limits<double>::infinity();
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const double h = steps::dot(f.normal, scene.vertices[f.vertexIndex[k]]);
            highest = std::max(highest, h);
            lowest = std::min(lowest, h);
        }
        if (!(highest - lowest <= kFlat)) fd.convex = false;
        for (int32_t i = 0; i < scene.vertexCount && fd.convex; ++i) {
            if (!(steps::dot(f.normal, scene.vertices[i]) <= highest + kFlat)) fd.convex = false;
        }
    }
    // Across each edge, the facet that has the same two corners the other way round.
    std::map<std::pair<int32_t, int32_t>, int32_t> owner;
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            owner[{f.vertexIndex[k], f.vertexIndex[(k + 1) % f.vertexCount]}] = j;
        }
    }
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const auto found =
                owner.find({f.vertexIndex[(k + 1) % f.vertexCount], f.vertexIndex[k]});
            if (found != owner.end()) fd.edges[fd.edgeStart[j] + k].neighbour = found->second;
        }
    }
    // The edges again in blocks of eight lanes for the walks, followed by the candidate test's
    // lane: its triple product is toward . normal exactly (sd is -toward), and so it is clear
    // when that is not negative (above the largest negative double) and never outside.
    fd.edgeBlockStart.assign(static_cast<size_t>(count) + 1, 0);
    for (int32_t j = 0; j < count; ++j) {
        fd.edgeBlockStart[j] = static_cast<int32_t>(fd.edgeBlocks.size());
        const Facet& f = scene.facets[j];
        const int32_t laneCount = f.vertexCount + 1;
        for (int32_t k = 0; k < laneCount; k += 8) {
            FacetData::EdgeBlock block{};
            for (int32_t lane = 0; lane < 8; ++lane) {
                block.clearance[lane] = -1.0;
                block.negClearance[lane] = -1.0;
                block.neighbour[lane] = -1;
                if (k + lane == f.vertexCount) {
                    block.axb[0][lane] = -f.normal.x;
                    block.axb[1][lane] = -f.normal.y;
                    block.axb[2][lane] = -f.normal.z;
                    block.clearance[lane] = -std::numeric_limits<double>::denorm_min();
                    block.negClearance[lane] = -std::numeric_limits<double>::infinity();
                }
                if (k + lane >= f.vertexCount) continue;
                const FacetData::Edge& e = fd.edges[fd.edgeStart[j] + k + lane];
                for (int32_t c = 0; c < 3; ++c) {
                    block.axb[c][lane] = e.axb[c];
                    block.amb[c][lane] = e.amb[c];
                }
                block.clearance[lane] = e.clearance;
                block.negClearance[lane] = -e.clearance;
                block.neighbour[lane] = e.neighbour;
            }
            fd.edgeBlocks.push_back(block);
        }
    }
    fd.edgeBlockStart[count] = static_cast<int32_t>(fd.edgeBlocks.size());
    // Every primary ray runs along +z, so its candidates (facets facing it) are fixed.
    const Vec3 toward{-0.0, -0.0, -1.0};
    for (int32_t j = 0; j < count; ++j) {
        if (steps::dot(toward, scene.facets[j].normal) >= 0.0) fd.primaryCandidates.push_back(j);
    }
    // A primary ray that passes wide of every corner meets no facet: every candidate's corners,
    // as the edge test sees them, lie within the stone's radius about the ray's axis, so beyond
    // it by kMissMargin every edge test fails by far more than rounding, unless a facet is seen so
    // nearly edge-on that its projection is a sliver. A facet edge-on to within 1e-3 stops the
    // shortcut, unless the plane test refuses it for every primary ray (its p is plane[2]).
    double radius2 = 0.0;
    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        const Vertex& v = scene.vertices[i];
        radius2 = std::max(radius2, v.x * v.x + v.y * v.y);
    }
    bool clearMisses = fd.nearCentre.empty() && std::isfinite(radius2);
    for (const int32_t j : fd.primaryCandidates) {
        const Facet& f = scene.facets[j];
        if (!(std::fabs(f.normal.z) >= 1e-3 || std::fabs(1.0 * f.plane[2]) < 0.0000001)) {
            clearMisses = false;
        }
    }
    const double missRadius = std::sqrt(radius2) + kMissMargin;
    fd.missRadius2 =
        clearMisses ? missRadius * missRadius : std::numeric_limits<double>::infinity();
}

int32_t FastTracer::trace(const Vec3& origin, const Vec3& direction, double stoneIndex,
                          int32_t inside, int32_t depth, double total[3], double& surfaceGlare,
                          double inner[3], double& segmentLength, Scratch& scratch) const {
    Context ctx{settings_,  scene_,  facetData_,
                lighting_,  unit_,   r0_,
                stoneIndex, scratch, scratch.guesses.data() + kPrimaryGuesses * kGuessDepths};
    ctx.exits = exitTable(scratch, 0);
    return traceRay(ctx, origin, direction, inside, depth,
                    Outputs{&total[0], &total[1], &total[2], &surfaceGlare, &inner[0], &inner[1],
                            &inner[2], &segmentLength},
                    nullptr);
}

int32_t FastTracer::certainFacet(const Vec3& origin, const Vec3& direction, bool inside,
                                 int32_t guess) const {
    if (!facetData_.convex) return -1;
    Scratch scratch(scene_);
    const Context ctx{settings_,
                      scene_,
                      facetData_,
                      lighting_,
                      unit_,
                      r0_,
                      settings_.stoneIndex,
                      scratch,
                      scratch.guesses.data()};
    Vec3 hit{};
    const int axis = steps::dominantAxis(direction);
    return tavrine::certainFacet(
        ctx, guess, walkRay(origin, direction, inside, axis, steps::onAxis(direction, axis)), &hit);
}

uint32_t FastTracer::pixelColour(double x, double y, Scratch& scratch) const {
    uint32_t colour = 0;
    pixelColours(&x, 1, y, &colour, scratch);
    return colour;
}

namespace {

// A pixel without Fire, or with no depth to trace: one primary ray per sample, traced whole.
uint32_t plainPixelColour(const Context& base, const Vec3& origin) {
    const RenderSettings& s = base.settings;
    const Vec3 direction{0.0, 0.0, 1.0};
    double total[3] = {0.0, 0.0, 0.0};
    double inner[3] = {0.0, 0.0, 0.0};
    double glare = 0.0;
    double segment = 0.0;
    double sum[3] = {0.0, 0.0, 0.0};
    const int32_t samples = s.renderFire ? 3 : 1;
    for (int32_t k = 0; k < samples; ++k) {
        Context ctx = base;
        ctx.stoneIndex =
            s.renderFire ? fireSampleIndex(s.stoneIndex, s.dispersionSpread, k) : s.stoneIndex;
        ctx.guesses = base.scratch.guesses.data() + k * kGuessDepths;
        ctx.exits = exitTable(base.scratch, k);
        if (traceRay(ctx, origin, direction, 0, 0,
                     Outputs{&total[0], &total[1], &total[2], &glare, &inner[0], &inner[1],
                             &inner[2], &segment},
                     &base.data.primaryCandidates) == 0) {
            return backdropColour(s);
        }
        if (!s.renderFire) return pixelColourFromLight(inner[0], inner[1], inner[2], glare);
        sum[0] += inner[0] * spectralWeights[k][0];
        sum[1] += inner[1] * spectralWeights[k][1];
        sum[2] += inner[2] * spectralWeights[k][2];
    }
    return pixelColourFromLight(sum[0], sum[1], sum[2], glare);
}

// A Fire pixel up to its chains: the primary ray's hit, its reflection and the glare it brings
// back do not depend on the refractive index and are found once for the three samples, whose
// refracted rays then enter the stone.
struct FirePixel {
    Vec3 hit;
    double f;  // the Fresnel weight where the primary ray meets the stone
    double glare;
    steps::Bounce bounces[3];
};

// Traces the primary ray from `origin`; returns false when it meets no facet.
bool startFirePixel(const Context& primary, const Context (&samples)[3], const Vec3& origin,
                    FirePixel& p) {
    const Vec3 direction{0.0, 0.0, 1.0};
    int32_t hitFacet = 0;
    if (!findHit(primary, origin, direction, false, &primary.data.primaryCandidates,
                 guessAt(primary, 0), &p.hit, &hitFacet)) {
        return false;
    }
    steps::Bounce bounce{};
    steps::mirror(direction, primary.scene.facets[hitFacet].normal, false, bounce);
    double childGlare = 0.0;
    double childInner[3] = {0.0, 0.0, 0.0};
    double reflected[3] = {0.0, 0.0, 0.0};
    double reflectedLength = 0.0;
    traceRay(primary, p.hit, bounce.reflected, 0, 1,
             Outputs{&reflected[0], &reflected[1], &reflected[2], &childGlare, &childInner[0],
                     &childInner[1], &childInner[2], &reflectedLength},
             nullptr);
    p.f = steps::fresnel(primary.r0, bounce, false);
    p.glare = reflected[0] * p.f;
    const RenderSettings& s = primary.settings;
    for (int32_t k = 0; k < 3; ++k) {
        p.bounces[k] = bounce;
        steps::refract(direction, steps::indexRatio(s.outerIndex, samples[k].stoneIndex, false),
                       p.bounces[k]);
    }
    return true;
}

// The pixel's colour from what each sample's refracted ray brought back (its light and its
// first segment; nothing for a sample that does not enter the stone).
uint32_t finishFirePixel(const RenderSettings& s, const FirePixel& p, const double (&light)[3][3],
                         const double (&segment)[3]) {
    double sum[3] = {0.0, 0.0, 0.0};
    for (int32_t k = 0; k < 3; ++k) {
        const bool entered = p.bounces[k].isRefracted;
        double inner[3] = {0.0, 0.0, 0.0};
        if (entered) {
            inner[0] = light[k][0];
            inner[1] = light[k][1];
            inner[2] = light[k][2];
        }
        inner[0] *= 1.0 - p.f;
        inner[1] *= 1.0 - p.f;
        inner[2] *= 1.0 - p.f;
        if (entered) {
            steps::absorb(&inner[0], s.absorption[0], segment[k]);
            steps::absorb(&inner[1], s.absorption[1], segment[k]);
            steps::absorb(&inner[2], s.absorption[2], segment[k]);
        }
        sum[0] += inner[0] * spectralWeights[k][0];
        sum[1] += inner[1] * spectralWeights[k][1];
        sum[2] += inner[2] * spectralWeights[k][2];
    }
    return pixelColourFromLight(sum[0], sum[1], sum[2], p.glare);
}

// The samples' refracted rays of one pixel followed on their own: as chains side by side when
// they fit, else by recursion.
uint32_t firePixelAlone(const Context (&samples)[3], const FirePixel& p) {
    double light[3][3] = {};
    double segment[3] = {};
    double glare = 0.0;
    double childInner[3] = {0.0, 0.0, 0.0};
    Chain chains[3];
    bool running[3] = {false, false, false};
    const bool sideBySide = chainFits(samples[0], 1);
    for (int32_t k = 0; k < 3; ++k) {
        if (!p.bounces[k].isRefracted) continue;
        if (sideBySide) {
            startChain(chains[k], samples[k], p.hit, p.bounces[k].refracted, 1);
            running[k] = true;
        } else {
            traceRay(samples[k], p.hit, p.bounces[k].refracted, 1, 1,
                     Outputs{&light[k][0], &light[k][1], &light[k][2], &glare, &childInner[0],
                             &childInner[1], &childInner[2], &segment[k]},
                     nullptr);
        }
    }
    // Each chain finds its facet before any reflects, so that a hit point, at the end of a line
    // of divisions, is ready by the time its chain reads it.
    while (running[0] || running[1] || running[2]) {
        for (int32_t k = 0; k < 3; ++k) {
            if (running[k]) running[k] = seekChain(chains[k]);
        }
        for (int32_t k = 0; k < 3; ++k) {
            if (running[k]) bounceChain(chains[k]);
        }
    }
    for (int32_t k = 0; k < 3; ++k) {
        if (!p.bounces[k].isRefracted || !sideBySide) continue;
        finishChain(chains[k], Outputs{&light[k][0], &light[k][1], &light[k][2], &glare,
                                       &childInner[0], &childInner[1], &childInner[2],
                                       &segment[k]});
    }
    return finishFirePixel(samples[0].settings, p, light, segment);
}

}  // namespace

void FastTracer::pixelColours(const double* xs, int32_t count, double y, uint32_t* colours,
                              Scratch& scratch) const {
    const RenderSettings& s = settings_;
    int32_t* const guesses = scratch.guesses.data();
    const Context primary{s,
                          scene_,
                          facetData_,
                          lighting_,
                          unit_,
                          r0_,
                          s.stoneIndex,
                          scratch,
                          guesses + kPrimaryGuesses * kGuessDepths};
    if (!s.renderFire || s.maxDepth <= 0) {
        for (int32_t i = 0; i < count; ++i) {
            // Beside the stone the ray meets nothing (with no depth at all it is shaded, not
            // searched).
            const double x = xs[i];
            colours[i] = x * x + y * y > facetData_.missRadius2 && s.maxDepth > 0
                             ? backdropColour(s)
                             : plainPixelColour(primary, Vec3{x, y, -1.1});
        }
        return;
    }

    // The three samples' contexts. A chain whose start fails tries where the previous sample's
    // chain went at that depth.
    Context samples[3] = {primary, primary, primary};
    for (int32_t k = 0; k < 3; ++k) {
        samples[k].stoneIndex = fireSampleIndex(s.stoneIndex, s.dispersionSpread, k);
        samples[k].guesses = guesses + k * kGuessDepths;
        samples[k].otherGuesses = guesses + (k + 2) % 3 * kGuessDepths;
        samples[k].exits = exitTable(scratch, k);
    }

#if defined(TAVRINE_X86_VECTORS)
    // With a vector unit the chains of several pixels are followed together in its lanes.
    if (unit_ != VectorUnit::Scalar && chainFits(primary, 1)) {
        FirePixel pixels[kLanePixels];
        int32_t columns[kLanePixels];
        int32_t waiting = 0;
        LaneStarts starts;
        starts.clear();
        LaneEnds ends;
        auto finishWaiting = [&]() {
            traceChainLanes(starts, ends);
            for (int32_t q = 0; q < waiting; ++q) {
                double light[3][3];
                double segment[3];
                for (int32_t k = 0; k < 3; ++k) {
                    for (int32_t ch = 0; ch < 3; ++ch) light[k][ch] = ends.total[ch][3 * q + k];
                    segment[k] = ends.segment[3 * q + k];
                }
                colours[columns[q]] = finishFirePixel(s, pixels[q], light, segment);
            }
            starts.clear();
            waiting = 0;
        };
        for (int32_t i = 0; i < count; ++i) {
            const double x = xs[i];
            FirePixel& p = pixels[waiting];
            if (x * x + y * y > facetData_.missRadius2 ||
                !startFirePixel(primary, samples, Vec3{x, y, -1.1}, p)) {
                colours[i] = backdropColour(s);
                continue;
            }
            for (int32_t k = 0; k < 3; ++k) {
                if (p.bounces[k].isRefracted) {
                    starts.set(3 * waiting + k, &samples[k], p.hit, p.bounces[k].refracted);
                }
            }
            columns[waiting++] = i;
            if (waiting == kLanePixels) finishWaiting();
        }
        if (waiting > 0) finishWaiting();
        return;
    }
#endif
    for (int32_t i = 0; i < count; ++i) {
        const double x = xs[i];
        FirePixel p;
        colours[i] = x * x + y * y > facetData_.missRadius2 ||
                             !startFirePixel(primary, samples, Vec3{x, y, -1.1}, p)
                         ? backdropColour(s)
                         : firePixelAlone(samples, p);
    }
}

}  // namespace tavrine
