#include "app/render/chain_lanes.h"

#if defined(TAVRINE_X86_VECTORS)

#include <algorithm>
#include <cmath>

#include "app/render/facet_search.h"
#include "app/render/facet_walk.h"
#include "tracer/trace_steps.h"

namespace tavrine {
namespace fast {

namespace {

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

// The walk of a vector unit, as facet_walk.h has them.
using Walk = int32_t (*)(const FastTracer::FacetData&, int32_t, const Vec3&, const Vec3&);

// traceChainLanes with the given walk, taken into the loop.
template <Walk walk>
__attribute__((target("avx2"), always_inline)) inline void followLanes(const LaneStarts& in,
                                                                       LaneEnds& out) {
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
    // The facet each lane's ray starts from (from depth 2 on), or meets; always a facet, so that
    // a lane whose facet is unknown or stale still reads harmless data.
    int32_t facet[kLaneCount];
    // The levels each chain has when it ends.
    int32_t levels[kLaneCount];
    // Each lane's exit table (null when the scratch keeps none) and guesses.
    int16_t* exitTables[kLaneCount];
    int32_t* guessRows[kLaneCount];
    // The exit tables have a row for every facet, or the scratch keeps none.
    bool tablesKept = first.scratch.tableFacets > 0;
    for (int32_t c = 0; c < kLaneCount; ++c) {
        facet[c] = 0;
        levels[c] = 0;
        exitTables[c] = in.context[c] != nullptr ? in.context[c]->exits : nullptr;
        guessRows[c] = in.context[c] != nullptr ? in.context[c]->guesses : nullptr;
        if (in.context[c] != nullptr && exitTables[c] == nullptr) tablesKept = false;
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
            for (unsigned b = running; b != 0; b &= b - 1) levels[__builtin_ctz(b)] = depth - 1;
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
            _mm256_store_pd(lane[3] + at, _mm256_sub_pd(_mm256_mul_pd(oy[v], dz[v]),
                                                        _mm256_mul_pd(oz[v], dy[v])));
            _mm256_store_pd(lane[4] + at, _mm256_sub_pd(_mm256_mul_pd(oz[v], dx[v]),
                                                        _mm256_mul_pd(ox[v], dz[v])));
            _mm256_store_pd(lane[5] + at, _mm256_sub_pd(_mm256_mul_pd(ox[v], dy[v]),
                                                        _mm256_mul_pd(oy[v], dx[v])));
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
        int32_t starts[kLaneCount];
        // From depth 2 on a lane's ray starts from the facet it last met.
        const bool byExit = depth > 1 && tablesKept;
        for (unsigned b = running; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            exits[c] = byExit ? &exitTables[c][facet[c] * kDirectionBins + bins[c]] : nullptr;
            guesses[c] = &guessRows[c][depth];  // depth < kChainLevels <= kGuessDepths
            starts[c] = exits[c] != nullptr && *exits[c] >= 0 ? *exits[c] : *guesses[c];
        }
        unsigned walked = 0;
        for (unsigned b = convex ? running : 0; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            const int32_t start = starts[c];
            // A guess left in a scratch by another scene may be out of range.
            const int32_t g =
                static_cast<uint32_t>(start) >= static_cast<uint32_t>(first.scene.facetCount)
                    ? -1
                    : walk(first.data, start, Vec3{lane[0][c], lane[1][c], lane[2][c]},
                           Vec3{lane[3][c], lane[4][c], lane[5][c]});
            if (g >= 0) {
                // Where the next ray from here in about this direction goes first; should the
                // plane test leave g in doubt, the search below puts what it finds in its place.
                if (exits[c] != nullptr) *exits[c] = static_cast<int16_t>(g);
                *guesses[c] = g;
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
                f[k] = &facets[facet[c]];
            }
            gather4(f[0]->plane, f[1]->plane, f[2]->plane, f[3]->plane, plane[v]);
            along[v] = _mm256_add_pd(
                _mm256_add_pd(_mm256_mul_pd(plane[v][0], dx[v]), _mm256_mul_pd(plane[v][1], dy[v])),
                _mm256_mul_pd(plane[v][2], dz[v]));
            parallel |=
                laneBits(_mm256_cmp_pd(_mm256_andnot_pd(signBit, _mm256_mul_pd(dk[v], along[v])),
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
        for (unsigned b = running & ~certain; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
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
                levels[c] = n;
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
            const __m256d ok =
                _mm256_blendv_pd(_mm256_blendv_pd(ox[v], oy[v], onY[v]), oz[v], onZ[v]);
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
            const __m256d hy =
                _mm256_blendv_pd(_mm256_blendv_pd(_mm256_blendv_pd(hj, hk, onY[v]), hi, onX[v]),
                                 _mm256_load_pd(searched[1] + at), fromSearch);
            const __m256d hz = _mm256_blendv_pd(_mm256_blendv_pd(hj, hk, onZ[v]),
                                                _mm256_load_pd(searched[2] + at), fromSearch);

            // bounceChain: the segment, the mirror and refracted directions, the light leaving
            // and the Fresnel weight. The normals are those of the facets met (a lane that has
            // ended reads the last facet it met, to no effect).
            const Facet* f[4];
            for (int32_t k = 0; k < 4; ++k) {
                const int32_t c = at + k;
                f[k] = &facets[facet[c]];
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
                __m256d c =
                    _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(fx, lx), _mm256_mul_pd(fy, ly)),
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
                const __m256d kf =
                    _mm256_and_pd(truncated(_mm256_mul_pd(_mm256_set1_pd(-100.0), fz)), towardEye);
                const __m256d w =
                    _mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(fill, kf), _mm256_set1_pd(0.01)),
                                  _mm256_mul_pd(main, c));
                for (int32_t ch = 0; ch < 3; ++ch) {
                    const __m256d shade = _mm256_add_pd(
                        _mm256_mul_pd(
                            _mm256_mul_pd(_mm256_mul_pd(tint[ch], kb), _mm256_set1_pd(1.0 / 255.0)),
                            _mm256_set1_pd(0.110565)),
                        w);
                    light[ch] =
                        _mm256_and_pd(_mm256_mul_pd(shade, _mm256_set1_pd(0.01)), refracted);
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

__attribute__((target("avx2"))) void followLanesAvx2(const LaneStarts& in, LaneEnds& out) {
    followLanes<walkAvx2>(in, out);
}

__attribute__((target("avx512f"))) void followLanesAvx512(const LaneStarts& in, LaneEnds& out) {
    followLanes<walkAvx512>(in, out);
}

}  // namespace

void traceChainLanes(FastTracer::VectorUnit unit, const LaneStarts& in, LaneEnds& out) {
    if (unit == FastTracer::VectorUnit::Avx512) {
        followLanesAvx512(in, out);
    } else {
        followLanesAvx2(in, out);
    }
}

}  // namespace fast
}  // namespace tavrine

#endif
