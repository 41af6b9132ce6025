#include "app/render/fast/facet_search.h"

#include <limits>

#include "app/render/fast/facet_walk.h"
#include "tracer/trace_steps.h"

namespace tavrine {
namespace fast {

namespace {

// One facet's test of markFacetsWorthTesting: the exported tracer's candidate test (the same
// dot product and comparison) and, unless the ray grazes the facet (kGrazing), the
// bounding-circle test.
inline bool worthTesting(const FacetData& fd, int32_t j, const Vec3& toward, const Vec3& o,
                         const Vec3& d) {
    const double facing = toward.x * fd.nx[j] + toward.y * fd.ny[j] + toward.z * fd.nz[j];
    const double rx = fd.cx[j] - o.x;
    const double ry = fd.cy[j] - o.y;
    const double rz = fd.cz[j] - o.z;
    const double along = rx * d.x + ry * d.y + rz * d.z;
    const double distance2 = rx * rx + ry * ry + rz * rz - along * along;
    return facing >= 0.0 && (distance2 <= fd.reach2[j] || facing < kGrazing);
}

void markFacetsScalar(const FacetData& fd, const Vec3& toward, const Vec3& o, const Vec3& d,
                      int32_t count, uint64_t* bits) {
    for (int32_t w = 0; w < (count + 63) / 64; ++w) bits[w] = 0;
    for (int32_t j = 0; j < count; ++j) {
        if (worthTesting(fd, j, toward, o, d)) bits[j >> 6] |= uint64_t{1} << (j & 63);
    }
}

#if defined(TAVRINE_X86_VECTORS)
// The same tests four facets at a time; each lane performs the scalar operations in the same
// order, so the bits are those of markFacetsScalar.
__attribute__((target("avx2"))) void markFacetsAvx2(const FacetData& fd, const Vec3& toward,
                                                    const Vec3& o, const Vec3& d, int32_t count,
                                                    uint64_t* bits) {
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
__attribute__((target("avx512f"))) void markFacetsAvx512(const FacetData& fd, const Vec3& toward,
                                                         const Vec3& o, const Vec3& d,
                                                         int32_t count, uint64_t* bits) {
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
void markFacetsWorthTesting(VectorUnit unit, const FacetData& fd, const Vec3& toward, const Vec3& o,
                            const Vec3& d, int32_t count, uint64_t* bits) {
#if defined(TAVRINE_X86_VECTORS)
    switch (unit) {
    case VectorUnit::Avx512:
        markFacetsAvx512(fd, toward, o, d, count, bits);
        return;
    case VectorUnit::Avx2:
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

// The edge value of edge e (corner k to corner k+1 of its facet) for the ray from o along d,
// from the triple product d . (A x B) + (d x o) . (A - B), with moment = d x o.
inline double edgeTriple(const FacetData& fd, int32_t e, const Vec3& d, const Vec3& moment) {
    const FacetData::Edge& r = fd.edges[e];
    return d.x * r.axb[0] + d.y * r.axb[1] + d.z * r.axb[2] +
           (moment.x * r.amb[0] + moment.y * r.amb[1] + moment.z * r.amb[2]);
}

// The facet whose plane a ray inside the stone reaches first, from the planes alone: a start for
// the walk when the guesses fail, which the walk then proves or not (so any rounding will do).
int32_t nearestExitScalar(const FacetData& fd, const Vec3& o, const Vec3& d, int32_t count) {
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
__attribute__((target("avx2"))) int32_t nearestExitAvx2(const FacetData& fd, const Vec3& o,
                                                        const Vec3& d, int32_t count) {
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

int32_t nearestExit(VectorUnit unit, const FacetData& fd, const Vec3& o, const Vec3& d,
                    int32_t count) {
#if defined(TAVRINE_X86_VECTORS)
    if (unit != VectorUnit::Scalar) return nearestExitAvx2(fd, o, d, count);
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

}  // namespace

bool findHit(const Context& ctx, const Vec3& o, const Vec3& d, bool inside,
             const std::vector<int32_t>* fixedCandidates, int32_t* guess, Vec3* hit,
             int32_t* hitFacet, const int32_t* other, int16_t* exit) {
    const int axis = steps::dominantAxis(d);
    const double dk = steps::onAxis(d, axis);
    if (guess != nullptr) {
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
namespace {

__attribute__((noinline)) bool searchHit(const Context& ctx, const Vec3& o, const Vec3& d,
                                         bool inside, const std::vector<int32_t>* fixedCandidates,
                                         int32_t* guess, Vec3* hit, int32_t* hitFacet, int axis,
                                         double dk) {
    const RenderScene& scene = ctx.scene;
    const FacetData& fd = ctx.data;
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

}  // namespace

VectorUnit usableUnit(VectorUnit asked) {
    using Unit = VectorUnit;
#if defined(TAVRINE_X86_VECTORS)
    // The AVX-512 chain lanes take the four-wide vectors into its 32 registers as well (VL).
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    const bool avx2 = __builtin_cpu_supports("avx2");
    if ((asked == Unit::Best || asked == Unit::Avx512) && avx512) return Unit::Avx512;
    if (asked != Unit::Scalar && avx2) return Unit::Avx2;
#else
    (void)asked;
#endif
    return Unit::Scalar;
}

}  // namespace fast
}  // namespace tavrine
