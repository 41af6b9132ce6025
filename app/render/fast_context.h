#pragma once
// What the parts of the faster tracer share: the context a ray passes on to its children, where a
// ray writes what it brings back, and the scratch tables of guesses the facet search starts from.

// The vector paths exist only on x86-64 and only when the build asks for them; the processor's
// support is checked when a tracer is made.
#if defined(__x86_64__) && !defined(TAVRINE_SCALAR_ONLY)
#define TAVRINE_X86_VECTORS 1
#include <immintrin.h>
#endif

#include <cstdint>
#include <cstring>

#include "app/render/fast_tracer.h"
#include "app/render/render_job.h"
#include "app/render/render_settings.h"
#include "tracer/trace_steps.h"

namespace tavrine {
namespace fast {

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

// Levels of the chain of reflections that traceInside keeps; deeper chains are traced by
// recursion.
constexpr int32_t kChainLevels = 64;
static_assert(kChainLevels <= kGuessDepths, "a chain keeps a guess for every depth");

// The guess slot for a ray at this depth, or null when the scratch keeps none for it.
inline int32_t* guessAt(const Context& ctx, int32_t depth) {
    return depth >= 0 && depth < kGuessDepths ? &ctx.guesses[depth] : nullptr;
}

// The exit table of Fire sample k (0 to 2) in the scratch, or null when it keeps none.
inline int16_t* exitTable(FastTracer::Scratch& scratch, int32_t k) {
    if (scratch.tableFacets == 0) return nullptr;
    return scratch.exits.data() + static_cast<size_t>(k * scratch.tableFacets * kDirectionBins);
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

// The colour (COLORREF) of a pixel whose ray meets nothing.
inline uint32_t backdropColour(const RenderSettings& s) {
    return static_cast<uint32_t>(s.backdrop[0]) + 256u * static_cast<uint32_t>(s.backdrop[1]) +
           65536u * static_cast<uint32_t>(s.backdrop[2]);
}

}  // namespace fast
}  // namespace tavrine
