#include "app/render/fast_tracer.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/render/render_job.h"

namespace tavrine {

namespace {

// Everything one ray passes on unchanged to its children.
struct Context {
    const RenderSettings& settings;
    const RenderScene& scene;
    const FastTracer::FacetData& data;
    FastTracer::VectorUnit unit;
    double r0;
    double stoneIndex;
    FastTracer::Scratch& scratch;
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

struct Bounce {
    Vec3 reflected;
    Vec3 refracted;
    double cosI;
    double cosT;
    bool isRefracted;
};

double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

int dominantAxis(const Vec3& d) {
    const double ax = std::fabs(d.x);
    const double ay = std::fabs(d.y);
    const double az = std::fabs(d.z);
    if (ay >= ax) return az >= ay ? 2 : 1;
    return az >= ax ? 2 : 0;
}

Vec3 hitPoint(int axis, const Vec3& o, const Vec3& d, const double plane[4], double p) {
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

// Sets bit j of `bits` for every facet j that is a candidate for the ray and whose bounding
// circle the ray line passes through.
void markFacetsWorthTesting(FastTracer::VectorUnit unit, const FastTracer::FacetData& fd,
                            const Vec3& toward, const Vec3& o, const Vec3& d, int32_t count,
                            uint64_t* bits) {
    switch (unit) {
    case FastTracer::VectorUnit::Avx512:
        markFacetsAvx512(fd, toward, o, d, count, bits);
        break;
    case FastTracer::VectorUnit::Avx2:
        markFacetsAvx2(fd, toward, o, d, count, bits);
        break;
    default:
        markFacetsScalar(fd, toward, o, d, count, bits);
        break;
    }
}

// The widest vector unit the processor has, no wider than asked for.
FastTracer::VectorUnit usableUnit(FastTracer::VectorUnit asked) {
    using Unit = FastTracer::VectorUnit;
    const bool avx512 = __builtin_cpu_supports("avx512f");
    const bool avx2 = __builtin_cpu_supports("avx2");
    if ((asked == Unit::Best || asked == Unit::Avx512) && avx512) return Unit::Avx512;
    if (asked != Unit::Scalar && avx2) return Unit::Avx2;
    return Unit::Scalar;
}

// The first candidate facet the ray meets, as the exported tracer finds it. Vertices are taken
// into the ray's frame only when an edge test reads them.
bool findHit(const Context& ctx, const Vec3& o, const Vec3& d, bool inside,
             const std::vector<int32_t>* fixedCandidates, Vec3* hit, int32_t* hitFacet) {
    const RenderScene& scene = ctx.scene;
    FastTracer::Scratch& s = ctx.scratch;
    // The ray frame and the frame coordinates of the corners, made only for the edges whose
    // sign the triple product leaves in doubt, with the exported tracer's arithmetic.
    bool haveFrame = false;
    Vec3 e1{};
    Vec3 e2{};
    auto makeFrame = [&]() {
        if (std::fabs(d.y) <= 1.0 / std::sqrt(2.0)) {
            const double c = std::sqrt(d.x * d.x + d.z * d.z);
            e1 = Vec3{d.z / c, 0.0, -d.x / c};
            e2 = Vec3{-d.x * d.y / c, c, -d.y * d.z / c};
        } else {
            const double c = std::sqrt(d.y * d.y + d.z * d.z);
            e1 = Vec3{c, -d.x * d.y / c, -d.x * d.z / c};
            e2 = Vec3{0.0, d.z / c, -d.y / c};
        }
        haveFrame = true;
    };
    const Vertex* vertices = scene.vertices;
    auto exactCross = [&](int32_t a, int32_t b) {
        if (!haveFrame) makeFrame();
        const Vertex& va = vertices[a];
        const Vertex& vb = vertices[b];
        const Vec3 ra{va.x - o.x, va.y - o.y, va.z - o.z};
        const Vec3 rb{vb.x - o.x, vb.y - o.y, vb.z - o.z};
        const double pax = dot(e1, ra);
        const double pay = dot(e2, ra);
        const double pbx = dot(e1, rb);
        const double pby = dot(e2, rb);
        return pax * pby - pay * pbx;
    };
    // d x o, the moment of the ray line.
    const Vec3 moment{d.y * o.z - d.z * o.y, d.z * o.x - d.x * o.z, d.x * o.y - d.y * o.x};

    const int axis = dominantAxis(d);
    const double dk = axis == 0 ? d.x : (axis == 1 ? d.y : d.z);
    // The exported tracer lists the candidates in index order and then tests them in that
    // order; testing each facet as soon as it qualifies finds the same first facet without
    // scanning the facets beyond it.
    const Vec3 toward = inside ? d : Vec3{-d.x, -d.y, -d.z};
    const Facet* facets = scene.facets;
    const FastTracer::FacetData& fd = ctx.data;
    const int32_t* fixed = fixedCandidates != nullptr ? fixedCandidates->data() : nullptr;
    const int32_t total =
        fixed != nullptr ? static_cast<int32_t>(fixedCandidates->size()) : scene.facetCount;
    // Facets to test, in ascending index order: the fixed primary candidates within reach, or
    // the bits of the candidates within reach.
    uint64_t* bits = s.worth.data();
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
            if (!worthTesting(fd, j, Vec3{-0.0, -0.0, -1.0}, o, d)) continue;
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
            const int32_t e = first + k;
            const double triple =
                d.x * fd.axbX[e] + d.y * fd.axbY[e] + d.z * fd.axbZ[e] +
                (moment.x * fd.ambX[e] + moment.y * fd.ambY[e] + moment.z * fd.ambZ[e]);
            // Outside, the tracer tests this edge from corner k to k+1; inside, from k+1 to k,
            // whose cross product has the opposite sign.
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
        const double p = facet.plane[0] * d.x + facet.plane[1] * d.y + facet.plane[2] * d.z;
        if (std::fabs(dk * p) < 0.0000001) continue;
        *hit = hitPoint(axis, o, d, facet.plane, p);
        *hitFacet = j;
        return true;
    }
    return false;
}

// The mirror direction and cosI, which do not depend on the refractive indexes.
void reflect(const Vec3& d, const Vec3& normal, bool inside, Bounce& b, Vec3& m, Vec3& h) {
    m = inside ? normal : Vec3{-normal.x, -normal.y, -normal.z};
    b.cosI = dot(d, m);
    h = Vec3{b.cosI * m.x, b.cosI * m.y, b.cosI * m.z};
    b.reflected = Vec3{d.x - 2.0 * h.x, d.y - 2.0 * h.y, d.z - 2.0 * h.z};
}

// The refracted direction for the index ratio.
void refract(const Vec3& d, const Vec3& h, double ratio, Bounce& b) {
    const Vec3 t{(d.x - h.x) * ratio, (d.y - h.y) * ratio, (d.z - h.z) * ratio};
    const double s = t.x * t.x + t.y * t.y + t.z * t.z;
    if (s > 1.0) {
        b.refracted = Vec3{0.0, 0.0, 0.0};
        b.cosT = 0.0;
        b.isRefracted = false;
        return;
    }
    b.cosT = std::sqrt(1.0 - s);
    const double hl = std::sqrt(h.x * h.x + h.y * h.y + h.z * h.z);
    b.refracted = Vec3{t.x + b.cosT * h.x / hl, t.y + b.cosT * h.y / hl, t.z + b.cosT * h.z / hl};
    b.isRefracted = true;
}

double lightCosine(const Vec3& d, const Context& ctx) {
    const double c = dot(d, ctx.scene.lightDirection);
    return c < 0.0 ? 0.0 : c;
}

void shadeTrapped(const Context& ctx, const Outputs& out) {
    const RenderSettings& s = ctx.settings;
    const int32_t k = (s.backdrop[0] * s.backdrop[0] + s.backdrop[1] * s.backdrop[1] +
                       s.backdrop[2] * s.backdrop[2]) /
                      65025;
    double v = static_cast<double>(k);
    if (k > 1) v = 1.0;
    const double base = 0.05 - 0.03 * v;
    double extra = 0.0;
    if (s.backLight >= 100) extra = (s.backLight - 100) * 0.01 * 0.2;
    *out.totalR = s.backdrop[0] * extra / 256 + base;
    *out.totalG = s.backdrop[1] * extra / 256 + base;
    *out.totalB = s.backdrop[2] * extra / 256 + base;
    *out.segmentLength = 0.0;
}

void shadeGlare(const Vec3& d, const Context& ctx, const Outputs& out) {
    const double c = lightCosine(d, ctx);
    const double c8 = c * c * c * c * c * c * c * c;
    double g = c8 * c8;
    if (ctx.settings.narrowHighlight != 0) g = g * g;
    const double glare = ctx.settings.mainLight * g * 0.05;
    *out.totalR = glare;
    *out.totalG = glare;
    *out.totalB = glare;
}

void shadeLeaving(const Vec3& d, const Context& ctx, const Outputs& out) {
    const RenderSettings& s = ctx.settings;
    const double c = lightCosine(d, ctx);
    int32_t kb = 0;
    if (!(s.backdrop[0] == 0 && s.backdrop[1] == 0 && s.backdrop[2] == 0)) {
        int32_t b = 100;
        if (d.z < 0.0) {
            b = static_cast<int32_t>(100 + 200 * d.z);
            if (b < 0) b = 0;
        }
        kb = static_cast<int32_t>(b * s.backLight * 0.01);
    }
    int32_t kf = 0;
    if (d.z < 0.0) kf = static_cast<int32_t>(-100 * d.z);
    const double w = s.fillLight * 0.12 * kf * 0.01 + 0.175 * s.mainLight * c;
    *out.totalR =
        ((s.backdrop[0] - 1000 * s.absorption[0]) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01;
    *out.totalG =
        ((s.backdrop[1] - 1000 * s.absorption[1]) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01;
    *out.totalB =
        ((s.backdrop[2] - 1000 * s.absorption[2]) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01;
}

void absorb(double* channel, double absorption, double length) {
    *channel -= absorption * length;
    if (*channel < 0.0) *channel = 0.0;
}

double fresnel(const Context& ctx, const Bounce& b, bool inside) {
    const double r0 = ctx.r0;
    if (!inside) {
        const double e = 1.0 - b.cosI;
        return r0 + (1.0 - r0) * (e * e * e * e * e);
    }
    return r0 + (1.0 - r0) * (1.0 - b.cosT);
}

int32_t traceRay(const Context& ctx, const Vec3& origin, const Vec3& direction, int32_t inside,
                 int32_t depth, const Outputs& out, const std::vector<int32_t>* fixedCandidates) {
    *out.totalR = 0.0;
    *out.totalG = 0.0;
    *out.totalB = 0.0;
    const bool isInside = inside != 0;

    if (depth >= ctx.settings.maxDepth || (depth > 0 && !isInside)) {
        if (isInside) {
            shadeTrapped(ctx, out);
        } else if (depth == 1) {
            shadeGlare(direction, ctx, out);
        } else {
            shadeLeaving(direction, ctx, out);
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
    if (!findHit(ctx, origin, direction, isInside, fixedCandidates, &hit, &hitFacet)) {
        if (depth > 0) {
            *out.segmentLength = 0.0;
            return 1;
        }
        return 0;
    }
    const Vec3 segment{hit.x - origin.x, hit.y - origin.y, hit.z - origin.z};
    *out.segmentLength =
        std::sqrt(segment.x * segment.x + segment.y * segment.y + segment.z * segment.z);

    Bounce bounce{};
    Vec3 m{};
    Vec3 h{};
    reflect(direction, ctx.scene.facets[hitFacet].normal, isInside, bounce, m, h);
    const double n1 = ctx.settings.outerIndex;
    const double n2 = ctx.stoneIndex;
    refract(direction, h, isInside ? n2 / n1 : n1 / n2, bounce);

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

    const double f = fresnel(ctx, bounce, isInside);
    reflected[0] *= f;
    reflected[1] *= f;
    reflected[2] *= f;
    *out.surfaceGlare = reflected[0];
    *out.innerR *= 1.0 - f;
    *out.innerG *= 1.0 - f;
    *out.innerB *= 1.0 - f;

    const RenderSettings& s = ctx.settings;
    if (depth > 0) {
        absorb(&reflected[0], s.absorption[0], reflectedLength);
        absorb(&reflected[1], s.absorption[1], reflectedLength);
        absorb(&reflected[2], s.absorption[2], reflectedLength);
    } else if (bounce.isRefracted) {
        absorb(out.innerR, s.absorption[0], refractedLength);
        absorb(out.innerG, s.absorption[1], refractedLength);
        absorb(out.innerB, s.absorption[2], refractedLength);
    }

    *out.totalR = *out.innerR + reflected[0];
    *out.totalG = *out.innerG + reflected[1];
    *out.totalB = *out.innerB + reflected[2];
    return 1;
}

uint32_t backdropColour(const RenderSettings& s) {
    return static_cast<uint32_t>(s.backdrop[0]) + 256u * static_cast<uint32_t>(s.backdrop[1]) +
           65536u * static_cast<uint32_t>(s.backdrop[2]);
}

}  // namespace

FastTracer::Scratch::Scratch(const RenderScene& scene)
    : candidates(static_cast<size_t>(std::max(scene.facetCount, 1))),
      worth(static_cast<size_t>((std::max(scene.facetCount, 1) + 63) / 64)) {}

FastTracer::FastTracer(const RenderSettings& settings, const RenderScene& scene, VectorUnit unit)
    : settings_(settings),
      scene_(scene),
      r0_(normalReflectance(settings.outerIndex, settings.stoneIndex)),
      unit_(usableUnit(unit)) {
    const int32_t count = scene.facetCount;
    FacetData& fd = facetData_;
    // Padded to whole groups of eight; a padding facet never qualifies (its normal is NaN).
    const size_t padded = static_cast<size_t>((count + 7) / 8 * 8);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::vector<double>* v : {&fd.nx, &fd.ny, &fd.nz, &fd.cx, &fd.cy, &fd.cz, &fd.reach2}) {
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
        // A margin of 1e-6 model units: rounding moves projected corners by about 1e-15.
        const double reach = radius + 1e-6;
        fd.reach2[j] = reach * reach;
    }
    fd.edgeStart.resize(static_cast<size_t>(count));
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        fd.edgeStart[j] = static_cast<int32_t>(fd.axbX.size());
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const Vertex& a = scene.vertices[f.vertexIndex[k]];
            const Vertex& b = scene.vertices[f.vertexIndex[(k + 1) % f.vertexCount]];
            fd.axbX.push_back(a.y * b.z - a.z * b.y);
            fd.axbY.push_back(a.z * b.x - a.x * b.z);
            fd.axbZ.push_back(a.x * b.y - a.y * b.x);
            fd.ambX.push_back(a.x - b.x);
            fd.ambY.push_back(a.y - b.y);
            fd.ambZ.push_back(a.z - b.z);
        }
    }
    // Every primary ray runs along +z, so its candidates (facets facing it) are fixed.
    const Vec3 toward{-0.0, -0.0, -1.0};
    for (int32_t j = 0; j < count; ++j) {
        if (dot(toward, scene.facets[j].normal) >= 0.0) fd.primaryCandidates.push_back(j);
    }
}

int32_t FastTracer::trace(const Vec3& origin, const Vec3& direction, double stoneIndex,
                          int32_t inside, int32_t depth, double total[3], double& surfaceGlare,
                          double inner[3], double& segmentLength, Scratch& scratch) const {
    const Context ctx{settings_, scene_, facetData_, unit_, r0_, stoneIndex, scratch};
    return traceRay(ctx, origin, direction, inside, depth,
                    Outputs{&total[0], &total[1], &total[2], &surfaceGlare, &inner[0], &inner[1],
                            &inner[2], &segmentLength},
                    nullptr);
}

uint32_t FastTracer::pixelColour(double x, double y, Scratch& scratch) const {
    const RenderSettings& s = settings_;
    const Vec3 origin{x, y, -1.1};
    const Vec3 direction{0.0, 0.0, 1.0};
    double total[3] = {0.0, 0.0, 0.0};
    double inner[3] = {0.0, 0.0, 0.0};
    double glare = 0.0;
    double segment = 0.0;

    if (!s.renderFire || s.maxDepth <= 0) {
        double sum[3] = {0.0, 0.0, 0.0};
        const int32_t samples = s.renderFire ? 3 : 1;
        for (int32_t k = 0; k < samples; ++k) {
            const double index =
                s.renderFire ? fireSampleIndex(s.stoneIndex, s.dispersionSpread, k) : s.stoneIndex;
            const Context ctx{s, scene_, facetData_, unit_, r0_, index, scratch};
            if (traceRay(ctx, origin, direction, 0, 0,
                         Outputs{&total[0], &total[1], &total[2], &glare, &inner[0], &inner[1],
                                 &inner[2], &segment},
                         &facetData_.primaryCandidates) == 0) {
                return backdropColour(s);
            }
            if (!s.renderFire) return pixelColourFromLight(inner[0], inner[1], inner[2], glare);
            sum[0] += inner[0] * spectralWeights[k][0];
            sum[1] += inner[1] * spectralWeights[k][1];
            sum[2] += inner[2] * spectralWeights[k][2];
        }
        return pixelColourFromLight(sum[0], sum[1], sum[2], glare);
    }

    // Fire: the primary ray's hit, its reflection and the glare it brings back do not depend on
    // the refractive index; they are found once and shared by the three samples.
    const Context primary{s, scene_, facetData_, unit_, r0_, s.stoneIndex, scratch};
    Vec3 hit{};
    int32_t hitFacet = 0;
    if (!findHit(primary, origin, direction, false, &facetData_.primaryCandidates, &hit,
                 &hitFacet)) {
        return backdropColour(s);
    }
    Bounce bounce{};
    Vec3 m{};
    Vec3 h{};
    reflect(direction, scene_.facets[hitFacet].normal, false, bounce, m, h);
    double childGlare = 0.0;
    double childInner[3] = {0.0, 0.0, 0.0};
    double reflected[3] = {0.0, 0.0, 0.0};
    double reflectedLength = 0.0;
    traceRay(primary, hit, bounce.reflected, 0, 1,
             Outputs{&reflected[0], &reflected[1], &reflected[2], &childGlare, &childInner[0],
                     &childInner[1], &childInner[2], &reflectedLength},
             nullptr);
    const double f = fresnel(primary, bounce, false);
    glare = reflected[0] * f;

    double sum[3] = {0.0, 0.0, 0.0};
    for (int32_t k = 0; k < 3; ++k) {
        const double index = fireSampleIndex(s.stoneIndex, s.dispersionSpread, k);
        const Context ctx{s, scene_, facetData_, unit_, r0_, index, scratch};
        refract(direction, h, s.outerIndex / index, bounce);
        double refractedLength = 0.0;
        if (bounce.isRefracted) {
            traceRay(ctx, hit, bounce.refracted, 1, 1,
                     Outputs{&inner[0], &inner[1], &inner[2], &childGlare, &childInner[0],
                             &childInner[1], &childInner[2], &refractedLength},
                     nullptr);
        } else {
            inner[0] = inner[1] = inner[2] = 0.0;
        }
        inner[0] *= 1.0 - f;
        inner[1] *= 1.0 - f;
        inner[2] *= 1.0 - f;
        if (bounce.isRefracted) {
            absorb(&inner[0], s.absorption[0], refractedLength);
            absorb(&inner[1], s.absorption[1], refractedLength);
            absorb(&inner[2], s.absorption[2], refractedLength);
        }
        sum[0] += inner[0] * spectralWeights[k][0];
        sum[1] += inner[1] * spectralWeights[k][1];
        sum[2] += inner[2] * spectralWeights[k][2];
    }
    return pixelColourFromLight(sum[0], sum[1], sum[2], glare);
}

}  // namespace tavrine
