#include "app/render/fast/fast_tracer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "app/render/fast/chain_lanes.h"
#include "app/render/fast/facet_search.h"
#include "app/render/fast/facet_walk.h"
#include "app/render/pixel_colour.h"
#include "tracer/trace_steps.h"

namespace tavrine {

using namespace fast;

namespace {

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

steps::Lighting lightingOf(const RenderSettings& s, const RenderScene& scene) {
    const TraceLighting lighting = traceLightingOf(s);
    return steps::Lighting{scene.lightDirection,
                           {s.backdrop[0], s.backdrop[1], s.backdrop[2]},
                           s.mainLight,
                           s.backLight,
                           s.fillLight,
                           s.narrowHighlight,
                           {s.absorption[0], s.absorption[1], s.absorption[2]},
                           lighting.kind,
                           lighting.headShadowCosine};
}

// Whether the light the exported tracer brings back along every ray through the stone is a
// number. It is when the numbers of the stone and the settings are sane: finite and positive
// indexes, finite lights and absorption, facets with normals of unit length and no plane so near
// the centre that its coefficients (the normal over its distance) are huge, and corners near the
// centre. A hit point is then finite, as the search divides by no plane nearly parallel to the
// ray (|dk p| below 1e-7), and so is every segment; the cosine at it, about the plane test's p
// times the plane's distance, is then far from 0, so the refraction divides by no 0 (nor by a
// square that rounds to 0).
bool lightIsANumber(const RenderSettings& s, const RenderScene& scene) {
    auto within = [](double v, double limit) { return std::fabs(v) <= limit; };  // not a NaN
    auto index = [](double v) { return v > 0.0 && v <= 100.0; };
    if (!index(s.outerIndex) || !index(s.stoneIndex) || !within(s.dispersionSpread, 0.5)) {
        return false;
    }
    for (const double a : s.absorption) {
        if (!within(a, 1e6)) return false;
    }
    const Vec3& l = scene.lightDirection;
    if (!within(l.x, 2.0) || !within(l.y, 2.0) || !within(l.z, 2.0)) return false;
    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        const Vertex& v = scene.vertices[i];
        if (!within(v.x, 1e3) || !within(v.y, 1e3) || !within(v.z, 1e3)) return false;
    }
    for (int32_t j = 0; j < scene.facetCount; ++j) {
        const Facet& f = scene.facets[j];
        const double length2 = steps::dot(f.normal, f.normal);
        if (!(length2 >= 0.99 && length2 <= 1.01)) return false;
        for (int32_t k = 0; k < 3; ++k) {
            if (!within(f.plane[k], 1e6)) return false;
        }
        if (!(f.plane[3] == 0.0 || f.plane[3] == 1.0)) return false;
    }
    return true;
}

}  // namespace

FastTracer::Scratch::Scratch(const RenderScene& scene)
    : facetCount(scene.facetCount),
      worth(static_cast<size_t>((std::max(scene.facetCount, 1) + 63) / 64)),
      guesses(static_cast<size_t>(kGuessSets * kGuessDepths), -1),
      tableFacets(scene.facetCount <= kMaxTableFacets ? std::max(scene.facetCount, 0) : 0),
      exits(static_cast<size_t>(tableFacets * kDirectionBins), -1) {}

bool FastTracer::Scratch::fits(const RenderScene& scene) const {
    return scene.facetCount == facetCount;
}

FastTracer::FastTracer(const RenderSettings& settings, const RenderScene& scene, VectorUnit unit,
                       const FastTracer* previous)
    : settings_(settings),
      scene_(scene),
      lighting_(lightingOf(settings, scene)),
      r0_(normalReflectance(settings.outerIndex, settings.stoneIndex)),
      unit_(usableUnit(unit)),
      facetData_(buildFacetData(scene, previous != nullptr ? &previous->facetData_ : nullptr)) {
    static std::atomic<uint64_t> tracers{0};
    id_ = ++tracers;
    // The reflected child of the primary ray leaves the stone at depth 1 and brings the glare
    // back (traceRay); each sample's refracted child enters.
    const Vec3 along{0.0, 0.0, 1.0};
    primaryBounces_.resize(static_cast<size_t>(std::max(scene.facetCount, 0)));
    for (int32_t j = 0; j < scene.facetCount; ++j) {
        PrimaryBounce& p = primaryBounces_[static_cast<size_t>(j)];
        steps::Bounce bounce{};
        steps::mirror(along, scene.facets[j].normal, false, bounce);
        p.f = steps::fresnel(r0_, bounce, false);
        p.glare = steps::shadeGlare(bounce.reflected, lighting_) * p.f;
        for (int32_t k = 0; k < 3; ++k) {
            const double index = settings.renderFire ? fireSampleIndex(settings.stoneIndex,
                                                                       settings.dispersionSpread, k)
                                                     : settings.stoneIndex;
            p.bounces[k] = bounce;
            steps::refract(along, steps::indexRatio(settings.outerIndex, index, false),
                           p.bounces[k]);
        }
    }
    if (!lightIsANumber(settings, scene)) return;
    bool clearStone = true;
    for (const double a : settings.absorption)
        clearStone = clearStone && a == 0.0 && !std::signbit(a);
    keepsPaths_ = clearStone && scene.facetCount >= 1 && scene.facetCount <= kMaxPathFacets;
    if (settings.lighting != Lighting::Studio || settings.maxDepth < 1) return;
    whiteByGlare_.assign(static_cast<size_t>(scene.facetCount), 0);
    for (int32_t j = 0; j < scene.facetCount; ++j) {
        const double glare = primaryBounces_[static_cast<size_t>(j)].glare;
        if (!glareMakesWhite(glare)) continue;
        whiteByGlare_[static_cast<size_t>(j)] = 1;
        white_ = pixelColourFromLight(0.0, 0.0, 0.0, glare);
    }
}

int32_t FastTracer::trace(const Vec3& origin, const Vec3& direction, double stoneIndex,
                          int32_t inside, int32_t depth, double total[3], double& surfaceGlare,
                          double inner[3], double& segmentLength, Scratch& scratch) const {
    Context ctx{settings_,  scene_,  facetData_,
                lighting_,  unit_,   r0_,
                stoneIndex, scratch, scratch.guesses.data() + kPrimaryGuesses * kGuessDepths};
    ctx.exits = exitTable(scratch);
    return traceRay(ctx, origin, direction, inside, depth,
                    Outputs{&total[0], &total[1], &total[2], &surfaceGlare, &inner[0], &inner[1],
                            &inner[2], &segmentLength},
                    nullptr);
}

int32_t FastTracer::certainFacet(const Vec3& origin, const Vec3& direction, bool inside,
                                 int32_t guess) const {
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
    return fast::certainFacet(
        ctx, guess, walkRay(origin, direction, inside, axis, steps::onAxis(direction, axis)), &hit);
}

uint32_t FastTracer::pixelColour(double x, double y, Scratch& scratch, PixelLight* light) const {
    uint32_t colour = 0;
    pixelColours(&x, 1, y, &colour, scratch, light);
    return colour;
}

namespace {

// The colour of the inner light and the glare in the settings' lighting, and their light when
// asked for.
uint32_t finishPixel(const RenderSettings& s, const double (&inner)[3], double glare,
                     PixelLight* light) {
    if (light != nullptr) *light = pixelLight(s.lighting, inner[0], inner[1], inner[2], glare);
    return litPixelColour(s.lighting, inner[0], inner[1], inner[2], glare);
}

// A pixel without Fire, or with no depth to trace: one primary ray per sample, traced whole.
uint32_t plainPixelColour(const Context& base, const Vec3& origin, PixelLight* light) {
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
        ctx.exits = exitTable(base.scratch);
        if (traceRay(ctx, origin, direction, 0, 0,
                     Outputs{&total[0], &total[1], &total[2], &glare, &inner[0], &inner[1],
                             &inner[2], &segment},
                     &base.data.primaryCandidates) == 0) {
            return backdropColour(s);
        }
        if (!s.renderFire) return finishPixel(s, inner, glare, light);
        sum[0] += inner[0] * spectralWeights[k][0];
        sum[1] += inner[1] * spectralWeights[k][1];
        sum[2] += inner[2] * spectralWeights[k][2];
    }
    return finishPixel(s, sum, glare, light);
}

// A Fire pixel up to its chains: the primary ray's hit, its reflection and the glare it brings
// back do not depend on the refractive index and are found once for the three samples, whose
// refracted rays then enter the stone.
struct FirePixel {
    Vec3 hit;
    int32_t facet;                 // the facet the primary ray meets
    const PrimaryBounce* surface;  // and what it brings about there
};

// Traces the primary ray from `origin`, with the bounces at each facet; returns false when it
// meets no facet.
bool startFirePixel(const Context& primary, const std::vector<PrimaryBounce>& bounces,
                    const Vec3& origin, FirePixel& p) {
    if (!findHit(primary, origin, Vec3{0.0, 0.0, 1.0}, false, &primary.data.primaryCandidates,
                 guessAt(primary, 0), &p.hit, &p.facet)) {
        return false;
    }
    p.surface = &bounces[static_cast<size_t>(p.facet)];
    return true;
}

// The pixel's colour from what each sample's refracted ray brought back (its light and its
// first segment; nothing for a sample that does not enter the stone).
uint32_t finishFirePixel(const RenderSettings& s, const FirePixel& p, const double (&light)[3][3],
                         const double (&segment)[3], PixelLight* pixel) {
    double sum[3] = {0.0, 0.0, 0.0};
    const PrimaryBounce& surface = *p.surface;
    for (int32_t k = 0; k < 3; ++k) {
        const bool entered = surface.bounces[k].isRefracted;
        double inner[3] = {0.0, 0.0, 0.0};
        if (entered) {
            inner[0] = light[k][0];
            inner[1] = light[k][1];
            inner[2] = light[k][2];
        }
        inner[0] *= 1.0 - surface.f;
        inner[1] *= 1.0 - surface.f;
        inner[2] *= 1.0 - surface.f;
        if (entered) {
            steps::absorb(&inner[0], s.absorption[0], segment[k]);
            steps::absorb(&inner[1], s.absorption[1], segment[k]);
            steps::absorb(&inner[2], s.absorption[2], segment[k]);
        }
        sum[0] += inner[0] * spectralWeights[k][0];
        sum[1] += inner[1] * spectralWeights[k][1];
        sum[2] += inner[2] * spectralWeights[k][2];
    }
    return finishPixel(s, sum, surface.glare, pixel);
}

#if defined(TAVRINE_X86_VECTORS)
// The colour of a pixel without Fire from what its refracted ray brought back, as traceRay
// combines it for the primary ray: the light inside weighted by 1 - f and absorbed along the
// first segment (nothing when the ray does not enter), and the weighted glare.
uint32_t finishPlainPixel(const RenderSettings& s, double f, double glare, bool entered,
                          const double (&light)[3], double segment, PixelLight* pixel) {
    double inner[3] = {0.0, 0.0, 0.0};
    if (entered) {
        inner[0] = light[0];
        inner[1] = light[1];
        inner[2] = light[2];
    }
    inner[0] *= 1.0 - f;
    inner[1] *= 1.0 - f;
    inner[2] *= 1.0 - f;
    if (entered) {
        steps::absorb(&inner[0], s.absorption[0], segment);
        steps::absorb(&inner[1], s.absorption[1], segment);
        steps::absorb(&inner[2], s.absorption[2], segment);
    }
    return finishPixel(s, inner, glare, pixel);
}
#endif

// The samples' refracted rays of one pixel followed on their own: as chains side by side when
// they fit, else by recursion.
uint32_t firePixelAlone(const Context (&samples)[3], const FirePixel& p, PixelLight* pixel) {
    double light[3][3] = {};
    double segment[3] = {};
    double glare = 0.0;
    double childInner[3] = {0.0, 0.0, 0.0};
    Chain chains[3];
    bool running[3] = {false, false, false};
    const bool sideBySide = chainFits(samples[0], 1);
    const steps::Bounce* bounces = p.surface->bounces;
    for (int32_t k = 0; k < 3; ++k) {
        if (!bounces[k].isRefracted) continue;
        if (sideBySide) {
            startChain(chains[k], samples[k], p.hit, bounces[k].refracted, 1);
            running[k] = true;
        } else {
            traceRay(samples[k], p.hit, bounces[k].refracted, 1, 1,
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
        if (!bounces[k].isRefracted || !sideBySide) continue;
        finishChain(chains[k],
                    Outputs{&light[k][0], &light[k][1], &light[k][2], &glare, &childInner[0],
                            &childInner[1], &childInner[2], &segment[k]});
    }
    return finishFirePixel(samples[0].settings, p, light, segment, pixel);
}

// The pixels of row y whose primary ray certainly meets no facet but the slivers: beyond the
// circle or the outline of FacetData, whose half-planes cut the row down to [left, right].
class Beside {
  public:
    Beside(const FacetData& fd, double y)
        : y2_(y * y), radius2_(fd.missRadius2), noSlivers_(fd.primarySlivers.empty()) {
        for (const FacetData::OutlineEdge& e : fd.outline) {
            const double room = e.offset - e.ny * y;
            if (e.nx > 0.0) {
                right_ = std::min(right_, room / e.nx);
            } else if (e.nx < 0.0) {
                left_ = std::max(left_, room / e.nx);
            } else if (room < 0.0) {
                left_ = std::numeric_limits<double>::infinity();
            }
        }
    }
    bool operator()(double x) const { return x * x + y2_ > radius2_ || x < left_ || x > right_; }
    // Whether the primary ray of the pixel at x certainly meets no facet at all.
    bool missesAll(double x) const { return noSlivers_ && (*this)(x); }

  private:
    double y2_;
    double radius2_;
    bool noSlivers_;
    double left_ = -std::numeric_limits<double>::infinity();
    double right_ = std::numeric_limits<double>::infinity();
};

}  // namespace

void FastTracer::pixelColours(const double* xs, int32_t count, double y, uint32_t* colours,
                              Scratch& scratch, PixelLight* lights) const {
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
    const Beside beside(facetData_, y);
#if defined(TAVRINE_X86_VECTORS)
    // With a vector unit the chains of several pixels are followed together in its lanes.
    const bool inLanes = unit_ != VectorUnit::Scalar && chainFits(primary, 1);
#else
    const bool inLanes = false;
#endif
    if (!inLanes && (!s.renderFire || s.maxDepth <= 0)) {
        for (int32_t i = 0; i < count; ++i) {
            // Beside the stone the ray meets nothing (with no depth at all it is shaded, not
            // searched).
            const double x = xs[i];
            PixelLight* light = lights != nullptr ? &lights[i] : nullptr;
            if (light != nullptr) *light = PixelLight{};
            colours[i] = beside.missesAll(x) && s.maxDepth > 0
                             ? backdropColour(s)
                             : plainPixelColour(primary, Vec3{x, y, -1.1}, light);
        }
        return;
    }

    // The three samples' contexts. A chain whose start fails tries where the previous sample's
    // chain went at that depth. Without Fire the one sample has the stone's own index.
    Context samples[3] = {primary, primary, primary};
    for (int32_t k = 0; k < 3; ++k) {
        samples[k].stoneIndex =
            s.renderFire ? fireSampleIndex(s.stoneIndex, s.dispersionSpread, k) : s.stoneIndex;
        samples[k].guesses = guesses + k * kGuessDepths;
        samples[k].otherGuesses = s.renderFire ? guesses + (k + 2) % 3 * kGuessDepths : nullptr;
        samples[k].exits = exitTable(scratch);
    }

#if defined(TAVRINE_X86_VECTORS)
    if (inLanes) {
        // The paths the chains take, of this tracer's stone and settings alone.
        if (!keepsPaths_) {
            scratch.paths.tracer = 0;
        } else if (scratch.paths.tracer != id_) {
            scratch.paths.restart(id_, scene_.facetCount);
        }
        const int32_t perPixel = s.renderFire ? 3 : 1;
        const int32_t lanePixels = kLaneCount / perPixel;
        const bool pathsKept = scratch.paths.tracer != 0;
        // The pixels waiting for lanes: where each primary ray met the stone, the facet and the
        // pixel's column.
        int32_t waiting = 0;
        FirePixel pixels[kLaneCount];
        int32_t columns[kLaneCount];
        LaneStarts starts;
        LaneEnds ends;
        auto finishWaiting = [&]() {
            starts.clear();
            for (int32_t q = 0; q < waiting; ++q) {
                for (int32_t k = 0; k < perPixel; ++k) {
                    const steps::Bounce& b = pixels[q].surface->bounces[k];
                    if (!b.isRefracted) continue;
                    starts.set(perPixel * q + k, &samples[k], pixels[q].hit, b.refracted,
                               pathsKept ? pixels[q].facet * 3 + k : -1);
                }
            }
            traceChainLanes(unit_, starts, ends);
            for (int32_t q = 0; q < waiting; ++q) {
                PixelLight* light = lights != nullptr ? &lights[columns[q]] : nullptr;
                if (!s.renderFire) {
                    const PrimaryBounce& surface = *pixels[q].surface;
                    const double inner[3] = {ends.total[0][q], ends.total[1][q], ends.total[2][q]};
                    colours[columns[q]] = finishPlainPixel(s, surface.f, surface.glare,
                                                           surface.bounces[0].isRefracted, inner,
                                                           ends.segment[q], light);
                    continue;
                }
                double inner[3][3];
                double segment[3];
                for (int32_t k = 0; k < 3; ++k) {
                    for (int32_t ch = 0; ch < 3; ++ch) inner[k][ch] = ends.total[ch][3 * q + k];
                    segment[k] = ends.segment[3 * q + k];
                }
                colours[columns[q]] = finishFirePixel(s, pixels[q], inner, segment, light);
            }
            waiting = 0;
        };
        const Vec3 along{0.0, 0.0, 1.0};
        for (int32_t i = 0; i < count; ++i) {
            const double x = xs[i];
            if (lights != nullptr) lights[i] = PixelLight{};
            FirePixel& p = pixels[waiting];
            // Beside the outline only the slivers are searched.
            const bool wide = beside(x);
            if (beside.missesAll(x) ||
                !findHit(primary, Vec3{x, y, -1.1}, along, false,
                         wide ? &facetData_.primarySlivers : &facetData_.primaryCandidates,
                         wide ? nullptr : guessAt(primary, 0), &p.hit, &p.facet)) {
                colours[i] = backdropColour(s);
                continue;
            }
            if (whiteByGlare(p.facet, lights)) {
                colours[i] = white_;
                continue;
            }
            p.surface = &primaryBounces_[static_cast<size_t>(p.facet)];
            columns[waiting] = i;
            if (++waiting == lanePixels) finishWaiting();
        }
        if (waiting > 0) finishWaiting();
        return;
    }
#endif
    for (int32_t i = 0; i < count; ++i) {
        const double x = xs[i];
        PixelLight* light = lights != nullptr ? &lights[i] : nullptr;
        if (light != nullptr) *light = PixelLight{};
        FirePixel p;
        if (beside.missesAll(x) || !startFirePixel(primary, primaryBounces_, Vec3{x, y, -1.1}, p)) {
            colours[i] = backdropColour(s);
        } else {
            colours[i] = whiteByGlare(p.facet, light) ? white_ : firePixelAlone(samples, p, light);
        }
    }
}

}  // namespace tavrine
