#include "app/render/fast/chain_lanes.h"

#if defined(TAVRINE_X86_VECTORS)

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/render/fast/facet_search.h"
#include "app/render/fast/facet_walk.h"
#include "tracer/trace_steps.h"

// The lanes are written in the compiler's vector types; every function here is inlined into the
// two entry points at the end, whose target is the vector unit, so no vector value crosses a call
// and the warning about vector arguments does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

// clang checks vector arguments before it inlines: a function that passes or returns a vector
// must share the vector target of the functions it calls. GCC inlines first, so there the lanes
// keep no target of their own and the AVX-512 entry takes its examination of a block into the
// loop; under clang they are AVX2 code, and the AVX-512 examination stays a call.
#if defined(__clang__)
#define TAVRINE_LANE_TARGET __attribute__((target("avx2")))
#else
#define TAVRINE_LANE_TARGET
#endif

namespace tavrine {
namespace fast {

namespace {

// Four lanes of doubles, and of masks (every bit set for true, none for false). Arithmetic on
// them performs the scalar operation in every lane; a comparison is false for a number that is
// not one, as the scalar comparison is.
constexpr int32_t W = 4;
typedef double D __attribute__((vector_size(32)));
typedef int64_t M __attribute__((vector_size(32)));

// What the vector types leave to instructions: the square root, truncation towards zero, the
// lanes of a mask as bits, and the columns of four rows of four doubles.
__attribute__((target("avx2"))) inline D squareRoot(D v) { return _mm256_sqrt_pd(v); }

__attribute__((target("avx2"))) inline D towardZero(D v) {
    return _mm256_round_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
}

__attribute__((target("avx2"))) inline unsigned bitsOf(M m) {
    return static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<__m256d>(m)));
}

// The first four doubles at each of the rows' addresses, by component: c[i] holds element i of
// each row.
__attribute__((target("avx2"))) inline void columns(const double* const* rows, D c[4]) {
    const __m256d r0 = _mm256_loadu_pd(rows[0]);
    const __m256d r1 = _mm256_loadu_pd(rows[1]);
    const __m256d r2 = _mm256_loadu_pd(rows[2]);
    const __m256d r3 = _mm256_loadu_pd(rows[3]);
    const __m256d t0 = _mm256_unpacklo_pd(r0, r1);
    const __m256d t1 = _mm256_unpackhi_pd(r0, r1);
    const __m256d t2 = _mm256_unpacklo_pd(r2, r3);
    const __m256d t3 = _mm256_unpackhi_pd(r2, r3);
    c[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
    c[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
    c[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
    c[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// Loads and stores four lanes.
TAVRINE_LANE_TARGET inline D load(const double* p) {
    D v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TAVRINE_LANE_TARGET inline void store(double* p, D v) { std::memcpy(p, &v, sizeof v); }

// Each level's Fresnel weight, leaving light and segment, by lane.
struct alignas(32) LaneLevels {
    double weight[kChainLevels][kLaneCount];
    double leaving[kChainLevels][3][kLaneCount];
    double segment[kChainLevels][kLaneCount];
};

// traceChainLanes with the walk and the rivals' tests of the unit's examination of a block taken
// into the loop.
template <ExamineBlock examine>
TAVRINE_LANE_TARGET __attribute__((always_inline)) inline void followLanes(const LaneStarts& in,
                                                                           LaneEnds& out) {
    constexpr int32_t V = kLaneCount / W;
    constexpr int64_t kSign = INT64_MIN;
    const unsigned laneBits = (1u << W) - 1;
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
    const FacetData& fd = first.data;
    const bool moreThanPlaneTest = fd.moreThanPlaneTest;

    // The lanes whose bits are set, as a mask, for vector v.
    M lanes{};
    for (int32_t k = 0; k < W; ++k) lanes[k] = int64_t{1} << k;
    auto maskOf = [&](unsigned bits, int32_t v) TAVRINE_LANE_TARGET -> M {
        return (lanes & static_cast<int64_t>((bits >> (W * v)) & laneBits)) != 0;
    };

    // The state of the lanes, by vector.
    D ox[V], oy[V], oz[V], dx[V], dy[V], dz[V], ratio[V];
    alignas(32) double ratios[kLaneCount];
    for (int32_t c = 0; c < kLaneCount; ++c) {
        ratios[c] = in.context[c] != nullptr
                        ? steps::indexRatio(s.outerIndex, in.context[c]->stoneIndex, true)
                        : 1.0;
    }
    for (int32_t v = 0; v < V; ++v) {
        ox[v] = load(in.o[0] + W * v);
        oy[v] = load(in.o[1] + W * v);
        oz[v] = load(in.o[2] + W * v);
        dx[v] = load(in.d[0] + W * v);
        dy[v] = load(in.d[1] + W * v);
        dz[v] = load(in.d[2] + W * v);
        ratio[v] = load(ratios + W * v);
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
    // Each lane's path so far, or -1 (see Paths); null when the scratch keeps none.
    Paths* const paths = first.scratch.paths.tracer != 0 ? &first.scratch.paths : nullptr;
    int32_t path[kLaneCount];
    for (int32_t c = 0; c < kLaneCount; ++c) path[c] = paths != nullptr ? in.path[c] : -1;
    const unsigned started = running;
    // The lanes whose chains have so far met, at every depth, the facet the last chain of their
    // sample met there: for them that chain's next facet is the likeliest start, as neighbouring
    // pixels take the same way through the stone.
    unsigned following = running;

    // The constants of the shading of a leaving ray (shadeLeaving) and of the Fresnel weight.
    const bool litBackdrop = !(l.backdrop[0] == 0 && l.backdrop[1] == 0 && l.backdrop[2] == 0);
    const double backLight = static_cast<double>(l.backLight);
    const double fill = l.fillLight * 0.12;
    const double main = 0.175 * l.mainLight;
    double tint[3];
    for (int32_t ch = 0; ch < 3; ++ch) tint[ch] = l.backdrop[ch] - 1000 * l.absorption[ch];
    // A segment's length only ever multiplies the absorption. In a stone that absorbs nothing
    // (every coefficient +0) the product is +0 for any finite length and not a number for an
    // infinite or undefined one; the squared length is finite exactly when the length is, so it
    // serves in its place and the square root is left out.
    bool clearStone = true;
    for (const double a : l.absorption) clearStone = clearStone && a == 0.0 && !std::signbit(a);
    // Under the dome of the ISO and COS lightings a leaving ray brings the dome's light instead
    // (steps::domeLight).
    const bool dome = steps::underDome(l);
    const bool cosDome = l.kind == kTraceCos;
    const double shadowCosine = l.headShadowCosine;
    const double r0 = first.r0;
    const double oneMinusR0 = 1.0 - first.r0;
    const D zero{};

    LaneLevels lv;
    // By level, the lanes whose weight and leaving light there are those of a known path, and
    // its node: they are read from the node only should the chain's total not be known at the end.
    unsigned knownAt[kChainLevels];
    int32_t nodeAt[kChainLevels][kLaneCount];
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
        M onX[V], onY[V], onZ[V];
        D dk[V];
        for (int32_t v = 0; v < V; ++v) {
            const int32_t at = W * v;
            store(lane[0] + at, (D)((M)dx[v] ^ kSign));
            store(lane[1] + at, (D)((M)dy[v] ^ kSign));
            store(lane[2] + at, (D)((M)dz[v] ^ kSign));
            store(lane[3] + at, oy[v] * dz[v] - oz[v] * dy[v]);
            store(lane[4] + at, oz[v] * dx[v] - ox[v] * dz[v]);
            store(lane[5] + at, ox[v] * dy[v] - oy[v] * dx[v]);
            // Each component in eighths, read off the top three bits of the fraction of c + 3.
            const M ex = ((M)(dx[v] + 3.0) >> 49) & 7;
            const M ey = ((M)(dy[v] + 3.0) >> 49) & 7;
            const M ez = ((M)(dz[v] + 3.0) >> 49) & 7;
            const M bin = (((ex << 3) + ey) << 3) + ez;
            std::memcpy(bins + at, &bin, sizeof bin);
            const D ax = (D)((M)dx[v] & INT64_MAX);
            const D ay = (D)((M)dy[v] & INT64_MAX);
            const D az = (D)((M)dz[v] & INT64_MAX);
            const M yOverX = ay >= ax;
            onZ[v] = yOverX ? (M)(az >= ay) : (M)(az >= ax);
            onY[v] = yOverX & ~onZ[v];
            onX[v] = ~(yOverX | onZ[v]);
            dk[v] = onZ[v] ? dz[v] : (onY[v] ? dy[v] : dx[v]);
        }

        // Each lane's facet by the walk, from where the last ray from the same facet in about the
        // same direction went, or else where the last ray at this depth went.
        int16_t* exits[kLaneCount];
        int32_t* guesses[kLaneCount];
        int32_t starts[kLaneCount];
        int32_t oldGuess[kLaneCount];
        // From depth 2 on a lane's ray starts from where the last ray from the facet it last met
        // went, unless it is still following the last chain of its sample.
        const bool byExit = depth > 1 && tablesKept;
        for (unsigned b = running; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            exits[c] = byExit ? &exitTables[c][facet[c] * kDirectionBins + bins[c]] : nullptr;
            guesses[c] = &guessRows[c][depth];  // depth < kChainLevels <= kGuessDepths
            oldGuess[c] = *guesses[c];
            const bool follows = ((following >> c) & 1) != 0 && oldGuess[c] >= 0;
            starts[c] = follows || exits[c] == nullptr || *exits[c] < 0 ? *guesses[c] : *exits[c];
        }
        unsigned walked = 0;
        const FacetData::EdgeBlock* const blocks = fd.edgeBlocks.data();
        const uint32_t facetCount = static_cast<uint32_t>(first.scene.facetCount);
        for (unsigned b = running; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            const int32_t start = starts[c];
            // A guess left in a scratch by another scene may be out of range.
            const int32_t g =
                static_cast<uint32_t>(start) >= facetCount
                    ? -1
                    : walkWith<examine>(blocks, start, Vec3{lane[0][c], lane[1][c], lane[2][c]},
                                        Vec3{lane[3][c], lane[4][c], lane[5][c]});
            if (g != oldGuess[c]) following &= ~(1u << c);
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
        D along[V];
        D plane[V][4];
        unsigned parallel = 0;
        for (int32_t v = 0; v < V; ++v) {
            const double* rows[W];
            for (int32_t k = 0; k < W; ++k) rows[k] = facets[facet[W * v + k]].plane;
            columns(rows, plane[v]);
            along[v] = plane[v][0] * dx[v] + plane[v][1] * dy[v] + plane[v][2] * dz[v];
            const D tilt = (D)((M)(dk[v] * along[v]) & INT64_MAX);
            parallel |= bitsOf((M)(tilt < 0.0000001)) << (W * v);
        }
        unsigned certain = walked & ~parallel;
        // The facets whose planes pass near the centre before each lane's facet, tested in all
        // lanes at once (grazesNearCentre of steps::dot(d, normal)). A ray seldom grazes one, so
        // which lanes' facets come after it is only asked of the lanes that do.
        int32_t lastFacet = -1;
        if (!fd.nearCentre.empty()) {
            for (int32_t c = 0; c < kLaneCount; ++c) {
                lastFacet = std::max(lastFacet, ((certain >> c) & 1u) != 0 ? facet[c] : -1);
            }
        }
        for (const int32_t j : fd.nearCentre) {
            if (j >= lastFacet) break;
            const Vec3& nearNormal = facets[j].normal;
            unsigned grazing = 0;
            for (int32_t v = 0; v < V; ++v) {
                const D facing = dx[v] * nearNormal.x + dy[v] * nearNormal.y + dz[v] * nearNormal.z;
                grazing |= bitsOf((M)(facing >= 0.0) & (M)(facing < kGrazing)) << (W * v);
            }
            for (unsigned b = grazing & certain; b != 0; b &= b - 1) {
                const int32_t c = __builtin_ctz(b);
                if (facet[c] > j) certain &= ~(1u << c);
            }
        }

        // The lanes the walk leaves in doubt are searched as the single chain searches them; the
        // hit point found replaces the lane's, as does the hit point on a rival the search stops
        // at before the walk's facet (acceptFacet).
        alignas(32) double searched[3][kLaneCount];
        unsigned bySearch = 0;
        for (unsigned b = moreThanPlaneTest ? certain : 0; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            const int32_t g = facet[c];
            if (fd.walkEnds[g] == 0) {
                certain &= ~(1u << c);
                continue;
            }
            if (fd.rivalStart[g] == fd.rivalStart[g + 1] && fd.hasShortEdges[g] == 0) continue;
            const Vec3 o{ox[c / W][c % W], oy[c / W][c % W], oz[c / W][c % W]};
            const Vec3 d{-lane[0][c], -lane[1][c], -lane[2][c]};
            const int axis = steps::dominantAxis(d);
            const WalkRay r = walkRay(o, d, true, axis, steps::onAxis(d, axis));
            if (fd.hasShortEdges[g] != 0 && !shortEdgesPass(first, g, r)) {
                certain &= ~(1u << c);
                continue;
            }
            double p = along[c / W][c % W];
            const int32_t met = firstOfRivals<examine>(first, g, r, &p);
            if (met == g) continue;
            if (met < 0) {
                certain &= ~(1u << c);
                continue;
            }
            const Vec3 h = steps::hitPoint(axis, o, d, facets[met].plane, p);
            facet[c] = met;
            searched[0][c] = h.x;
            searched[1][c] = h.y;
            searched[2][c] = h.z;
            bySearch |= 1u << c;
        }
        for (unsigned b = running & ~certain; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            const Context& ctx = *in.context[c];
            const int32_t* other = ctx.otherGuesses != nullptr ? &ctx.otherGuesses[depth] : nullptr;
            const Vec3 o{ox[c / W][c % W], oy[c / W][c % W], oz[c / W][c % W]};
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

        // Each lane's path one facet longer, where it is known: the lane's weight and leaving
        // light are then kept there.
        int32_t longer[kLaneCount];
        unsigned known = 0;
        unsigned unknown = 0;
        if (paths != nullptr) {
            const int32_t* const children = paths->children.data();
            const int32_t pathFacets = paths->facets;
            for (int32_t c = 0; c < kLaneCount; ++c) {
                const int32_t p = path[c];
                // -1 for a lane without a path (its sign bits).
                longer[c] = children[(p < 0 ? 0 : p) * pathFacets + facet[c]] | (p >> 31);
                known |= static_cast<unsigned>(longer[c] >= 0) << c;
                unknown |= static_cast<unsigned>(p >= 0 && longer[c] < 0) << c;
            }
            known &= running;
            unknown &= running;
            std::memcpy(nodeAt[n], longer, sizeof longer);
        }
        knownAt[n] = 0;

        for (int32_t v = 0; v < V; ++v) {
            const int32_t at = W * v;
            // steps::hitPoint with the axes of each lane taken in the order (k, i, j): the
            // dominant axis, then the other two in ascending order.
            const D ok = onZ[v] ? oz[v] : (onY[v] ? oy[v] : ox[v]);
            const D oi = onX[v] ? oy[v] : ox[v];
            const D oj = onZ[v] ? oy[v] : oz[v];
            const D di = onX[v] ? dy[v] : dx[v];
            const D dj = onZ[v] ? dy[v] : dz[v];
            const D pi = onX[v] ? plane[v][1] : plane[v][0];
            const D pj = onZ[v] ? plane[v][1] : plane[v][2];
            const D sum =
                dk[v] * plane[v][3] + pi * (dk[v] * oi - di * ok) + pj * (dk[v] * oj - dj * ok);
            const D hk = (D)((M)sum ^ kSign) / along[v];
            const D hi = oi + di * (hk - ok) / dk[v];
            const D hj = oj + dj * (hk - ok) / dk[v];
            D hx = onX[v] ? hk : hi;
            D hy = onX[v] ? hi : (onY[v] ? hk : hj);
            D hz = onZ[v] ? hk : hj;
            if (((bySearch >> at) & laneBits) != 0) {
                const M fromSearch = maskOf(bySearch, v);
                hx = fromSearch ? load(searched[0] + at) : hx;
                hy = fromSearch ? load(searched[1] + at) : hy;
                hz = fromSearch ? load(searched[2] + at) : hz;
            }

            // bounceChain: the segment, the mirror and refracted directions, the light leaving
            // and the Fresnel weight. The normals are those of the facets met (a lane that has
            // ended reads the last facet it met, to no effect).
            const double* rows[W];
            for (int32_t k = 0; k < W; ++k) rows[k] = &facets[facet[at + k]].normal.x;
            D normal[4];
            columns(rows, normal);
            const D sx = hx - ox[v];
            const D sy = hy - oy[v];
            const D sz = hz - oz[v];
            const D squared = sx * sx + sy * sy + sz * sz;
            store(lv.segment[n] + at, clearStone ? squared : squareRoot(squared));
            const D cosI = dx[v] * normal[0] + dy[v] * normal[1] + dz[v] * normal[2];
            const D hhx = cosI * normal[0];
            const D hhy = cosI * normal[1];
            const D hhz = cosI * normal[2];
            ox[v] = hx;
            oy[v] = hy;
            oz[v] = hz;
            const unsigned here = (running >> at) & laneBits;
            if (paths != nullptr && ((known >> at) & laneBits) == here) {
                knownAt[n] |= here << at;
                dx[v] = dx[v] - 2.0 * hhx;
                dy[v] = dy[v] - 2.0 * hhy;
                dz[v] = dz[v] - 2.0 * hhz;
                continue;
            }
            const D tx = (dx[v] - hhx) * ratio[v];
            const D ty = (dy[v] - hhy) * ratio[v];
            const D tz = (dz[v] - hhz) * ratio[v];
            const D tt = tx * tx + ty * ty + tz * tz;
            // Not refracted when tt > 1, which a number that is not one never is.
            const M refracted = ~(M)(tt > 1.0);
            // Under total internal reflection in every running lane cosT is 0 and nothing leaves.
            D cosT = zero;
            D light[3] = {zero, zero, zero};
            if ((bitsOf(refracted) & (running >> at) & laneBits) != 0) {
                cosT = refracted ? squareRoot(1.0 - tt) : zero;
                const D hl = squareRoot(hhx * hhx + hhy * hhy + hhz * hhz);
                const D fx = tx + cosT * hhx / hl;
                const D fy = ty + cosT * hhy / hl;
                const D fz = tz + cosT * hhz / hl;
                if (dome) {
                    // steps::domeLight of the refracted direction: -Dz below the head shadow's
                    // cosine, on the viewer's side.
                    const D up = (D)((M)fz ^ kSign);
                    const M lit = (M)(fz < 0.0) & ~(M)(up > shadowCosine);
                    const D shade = lit ? (cosDome ? up : zero + 1.0) : zero;
                    for (int32_t ch = 0; ch < 3; ++ch) light[ch] = refracted ? shade : zero;
                } else {
                    // steps::shadeLeaving of the refracted direction; a truncated -0 becomes the 0
                    // that an integer gives by adding 0.
                    D c =
                        fx * l.lightDirection.x + fy * l.lightDirection.y + fz * l.lightDirection.z;
                    c = c < 0.0 ? zero : c;
                    const M towardEye = fz < 0.0;
                    D kb = zero;
                    if (litBackdrop) {
                        const D b = 100.0 + 200.0 * fz;
                        const D share =
                            towardEye ? (b < 0.0 ? zero : towardZero(b) + 0.0) : zero + 100.0;
                        kb = towardZero(share * backLight * 0.01) + 0.0;
                    }
                    const D kf = towardEye ? towardZero(-100.0 * fz) + 0.0 : zero;
                    const D w = fill * kf * 0.01 + main * c;
                    for (int32_t ch = 0; ch < 3; ++ch) {
                        const D shade = (tint[ch] * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01;
                        light[ch] = refracted ? shade : zero;
                    }
                }
            }
            const D weight = r0 + oneMinusR0 * (1.0 - cosT);
            store(lv.weight[n] + at, weight);
            const D passing = 1.0 - weight;
            for (int32_t ch = 0; ch < 3; ++ch) store(lv.leaving[n][ch] + at, light[ch] * passing);
            dx[v] = dx[v] - 2.0 * hhx;
            dy[v] = dy[v] - 2.0 * hhy;
            dz[v] = dz[v] - 2.0 * hhz;
        }
        // The paths are now one facet longer; the new ones are kept (a lane before may have
        // found the same).
        for (unsigned b = unknown; b != 0; b &= b - 1) {
            const int32_t c = __builtin_ctz(b);
            const size_t slot = static_cast<size_t>(path[c] * paths->facets + facet[c]);
            if (paths->children[slot] < 0) {
                if (paths->nodes.size() >= static_cast<size_t>(kMaxPaths)) continue;
                paths->children[slot] = static_cast<int32_t>(paths->nodes.size());
                paths->nodes.push_back(
                    PathNode{lv.weight[n][c],
                             {lv.leaving[n][0][c], lv.leaving[n][1][c], lv.leaving[n][2][c]},
                             {},
                             0});
                paths->children.resize(paths->children.size() + paths->facets, -1);
            }
            longer[c] = paths->children[slot];
        }
        if (paths != nullptr) {
            for (int32_t c = 0; c < kLaneCount; ++c) {
                path[c] = ((running >> c) & 1u) != 0 ? longer[c] : path[c];
            }
        }
    }

    // finishChain, lane by lane from each chain's own end back up.
    const steps::Rgb dim = steps::shadeTrapped(l);
    int32_t deepest = 0;
    for (int32_t c = 0; c < kLaneCount; ++c) deepest = std::max(deepest, levels[c]);
    for (int32_t v = 0; v < V; ++v) {
        const int32_t at = W * v;
        // Chains whose paths all end where the total is known take it from there; the first
        // segment is the one the level above the chain's first reads.
        const unsigned here = (started >> at) & laneBits;
        unsigned finished = 0;
        if (paths != nullptr) {
            const PathNode* const nodes = paths->nodes.data();
            for (int32_t k = 0; k < W; ++k) {
                const int32_t p = path[at + k];
                finished |= static_cast<unsigned>(p >= 0 && nodes[p < 0 ? 0 : p].finished != 0)
                            << k;
            }
        }
        if (paths != nullptr && (finished & here) == here) {
            for (int32_t k = 0; k < W; ++k) {
                const int32_t c = at + k;
                const bool kept = ((here >> k) & 1u) != 0;
                for (int32_t ch = 0; ch < 3; ++ch) {
                    out.total[ch][c] = kept ? paths->nodes[path[c]].total[ch] : 0.0;
                }
                out.segment[c] = kept && levels[c] > 0 ? lv.segment[0][c] : 0.0;
            }
            continue;
        }
        // The levels of known paths, from their nodes.
        for (int32_t i = 0; i < deepest; ++i) {
            for (unsigned b = (knownAt[i] >> at) & laneBits; b != 0; b &= b - 1) {
                const int32_t c = at + __builtin_ctz(b);
                const PathNode& node = paths->nodes[nodeAt[i][c]];
                lv.weight[i][c] = node.weight;
                for (int32_t ch = 0; ch < 3; ++ch) lv.leaving[i][ch][c] = node.leaving[ch];
            }
        }
        const M atEnd = maskOf(trapped, v);
        D total[3] = {atEnd ? zero + dim.r : zero, atEnd ? zero + dim.g : zero,
                      atEnd ? zero + dim.b : zero};
        D childSegment = zero;
        M levelCount{};
        for (int32_t k = 0; k < W; ++k) levelCount[k] = levels[at + k];
        for (int32_t i = deepest - 1; i >= 0; --i) {
            const M within = levelCount > i;
            const D f = load(lv.weight[i] + at);
            for (int32_t ch = 0; ch < 3; ++ch) {
                D reflected = total[ch] * f - l.absorption[ch] * childSegment;
                reflected = reflected < 0.0 ? zero : reflected;
                total[ch] = within ? load(lv.leaving[i][ch] + at) + reflected : total[ch];
            }
            childSegment = within ? load(lv.segment[i] + at) : childSegment;
        }
        for (int32_t ch = 0; ch < 3; ++ch) store(out.total[ch] + at, total[ch]);
        store(out.segment + at, childSegment);
        for (unsigned b = paths != nullptr ? here : 0; b != 0; b &= b - 1) {
            const int32_t c = at + __builtin_ctz(b);
            if (path[c] < 0) continue;
            PathNode& node = paths->nodes[path[c]];
            for (int32_t ch = 0; ch < 3; ++ch) node.total[ch] = out.total[ch][c];
            node.finished = 1;
        }
    }
}

__attribute__((target("avx2"))) void followLanesAvx2(const LaneStarts& in, LaneEnds& out) {
    followLanes<examineBlockAvx2>(in, out);
}

// With AVX-512 the four-wide vectors of the lanes have 32 registers and mask registers (VL), so
// the state of the twelve lanes stays in registers.
__attribute__((target("avx512f,avx512vl"))) void followLanesAvx512(const LaneStarts& in,
                                                                   LaneEnds& out) {
    followLanes<examineBlockAvx512>(in, out);
}

}  // namespace

void traceChainLanes(VectorUnit unit, const LaneStarts& in, LaneEnds& out) {
    if (unit == VectorUnit::Avx512) {
        followLanesAvx512(in, out);
    } else {
        followLanesAvx2(in, out);
    }
}

}  // namespace fast
}  // namespace tavrine

#endif
