#pragma once
// What the parts of the faster tracer share, below all of them: the vector units, the facet data
// of a rendering, the per-thread scratch, the context a ray passes on to its children, where a
// ray writes what it brings back, and the scratch tables of guesses the facet search starts from.

// The vector paths exist only on x86-64 and only when the build asks for them; the processor's
// support is checked when a tracer is made.
#if defined(__x86_64__) && !defined(TAVRINE_SCALAR_ONLY)
#define TAVRINE_X86_VECTORS 1
#include <immintrin.h>
#endif

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/render/render_scene.h"
#include "app/render/render_settings.h"
#include "tracer/trace_steps.h"
#include "tracer/tvrt.h"

namespace tavrine {
namespace fast {

// Which vector instructions the facet search uses; all give the same results. Builds
// without the vector paths (other processors, or TAVRINE_VECTOR off) have only Scalar.
enum class VectorUnit { Best, Scalar, Avx2, Avx512 };

// Per-rendering facet data in the layout the facet search reads fastest: normals by
// component, and each facet's bounding circle (centre, squared radius with a margin far above
// rounding) that a ray must pass within for the facet's edge test to be worth running.
struct FacetData {
    std::vector<double> nx, ny, nz;
    std::vector<double> cx, cy, cz;
    std::vector<double> reach2;
    std::vector<double> offset;  // normal . centre: the plane as normal . x = offset
    std::vector<int32_t> primaryCandidates;
    // Beyond this squared distance from the z axis a primary ray certainly meets no facet but
    // the slivers, the candidates seen so nearly edge-on that rounding may pass their edge test
    // anywhere (infinite when the stone gives no such certainty).
    double missRadius2 = 0.0;
    std::vector<int32_t> primarySlivers;
    // Nor beyond any of these lines (nx x + ny y > offset), the outline of the stone seen along z
    // with the same margin (the slivers apart); none when the stone gives no such certainty.
    struct OutlineEdge {
        double nx;
        double ny;
        double offset;
    };
    std::vector<OutlineEdge> outline;
    // Per facet edge k (corner k to corner k+1), from the first edge of facet j at
    // edgeStart[j]: A x B and A - B of its corners, so that the edge test's cross product
    // is d . (A x B) + (d x o) . (A - B) for a ray from o along d; the edge value above
    // which a ray is certainly clear inside the edge; and the facet across the edge (with
    // the same corners the other way round), or -1.
    struct Edge {
        double axb[3];
        double amb[3];
        double clearance;
        int32_t neighbour;
    };
    std::vector<int32_t> edgeStart;
    std::vector<Edge> edges;
    // Each facet's corner count followed by its corner indexes, in facet order.
    std::vector<int32_t> corners;
    // The same edges eight at a time for the walks, and after them a lane for the candidate
    // test, repeated in the lanes that are left: block j is the first of facet j, and `next`
    // leads to its next block (after the first count blocks) or is -1. By lane: the components
    // of A x B and A - B, the clearance (a value above it is certainly clear of the lane, one
    // below its negative certainly outside), and the facet across; and the lanes of edges too
    // short for their value ever to be certain (see kShortEdge), which the walk counts as clear
    // and the search's own arithmetic decides. Each block starts a cache line, so that eight
    // lanes load without crossing one.
    struct alignas(64) EdgeBlock {
        double axb[3][8];
        double amb[3][8];
        double clearance[8];
        int32_t neighbour[8];
        int32_t next;
        uint32_t shortEdges;
    };
    std::vector<EdgeBlock> edgeBlocks;
    // By facet, whether any of its blocks has a short edge.
    std::vector<uint8_t> hasShortEdges;
    // Whether a facet the walk ends at can need more than its plane test: a facet where no walk
    // ends, or one with rivals or short edges.
    bool moreThanPlaneTest = false;
    // By facet g, the facets before it in index order that a ray passing certainly inside g may
    // pass as well, where the stone is not convex with flat facets (none where it is): ascending,
    // from rivals[rivalStart[g]] to rivals[rivalStart[g + 1]]. A facet with more rivals than
    // are worth testing has walkEnds 0: a walk that ends there leaves the search to decide.
    std::vector<int32_t> rivalStart;
    std::vector<int32_t> rivals;
    std::vector<uint8_t> walkEnds;
    // Facets whose plane passes near the centre, in ascending order.
    std::vector<int32_t> nearCentre;
};

// What a primary ray (along +z) meeting a facet brings about, the same for every pixel whose ray
// meets it: the Fresnel weight there, the glare it reflects (weighted) and each sample's bounce
// with the ray it refracts into the stone (steps::mirror, fresnel, shadeGlare and refract).
struct PrimaryBounce {
    double f;
    double glare;
    steps::Bounce bounces[3];
};

// The paths of chains inside a stone of sane numbers that absorbs nothing, met so far by one
// tracer. There the light a chain brings back depends on the facets it meets and on nothing else:
// every pixel whose primary ray meets the same facet sends a sample's ray in along the same
// direction, each reflection turns the ray by the facet's normal alone, and a segment's length,
// always finite, only multiplies an absorption of +0. How a chain ends is told by its path's
// length too: at the depth limit, or short of it where the search finds no facet. A path is a
// node of a tree: the roots are the primary facets and samples (node facet * 3 + sample), and a
// node's child by facet j the path one facet longer.
struct PathNode {
    double weight;      // the Fresnel weight where the path's last facet reflects the ray
    double leaving[3];  // the light leaving there, weighted (LaneLevels::leaving)
    double total[3];    // what a chain ending with this path brings back, once `finished`
    int32_t finished;
};

struct Paths {
    uint64_t tracer = 0;  // the tracer whose paths these are; 0 for none kept
    int32_t facets = 0;
    std::vector<PathNode> nodes;
    std::vector<int32_t> children;  // by node and facet: the longer path's node, or -1

    // Forgets every path and keeps the roots of the tracer's stone of `facets` facets.
    void restart(uint64_t owner, int32_t facetCount) {
        tracer = owner;
        facets = facetCount;
        nodes.assign(static_cast<size_t>(facetCount) * 3, PathNode{});
        children.assign(nodes.size() * static_cast<size_t>(facetCount), -1);
    }
};

// Stones with more facets keep no paths: their chains seldom take the same way twice.
constexpr int32_t kMaxPathFacets = 32;
// Paths one scratch keeps at most (about 5 MB with 32 facets).
constexpr int32_t kMaxPaths = 1 << 15;

// Per-thread scratch memory. What it holds are only starts for the facet search, so a
// scratch may serve one rendering after another (of a stone with the same facet count): the
// guesses of the last one start the next. Its paths belong to one tracer.
struct Scratch {
    explicit Scratch(const RenderScene& scene);
    // Whether the scratch has room for the scene.
    bool fits(const RenderScene& scene) const;
    int32_t facetCount;            // of the scene it was made for
    std::vector<uint64_t> worth;   // bits of the facets worth an edge test for the current ray
    std::vector<int32_t> guesses;  // by sample and depth, the facet the last ray met, or -1
    // By facet (tableFacets of them) and direction bin: the facet that the last ray inside the
    // stone from that facet in that direction met, or -1. The Fire samples share it: their rays
    // mostly take the same way, and a table a third the size stays in the nearer caches.
    int32_t tableFacets;
    std::vector<int16_t> exits;
    Paths paths;
};

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
    const FacetData& data;
    const steps::Lighting& lighting;
    VectorUnit unit;
    double r0;
    double stoneIndex;
    Scratch& scratch;
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

// The exit table in the scratch, or null when it keeps none.
inline int16_t* exitTable(Scratch& scratch) {
    return scratch.tableFacets == 0 ? nullptr : scratch.exits.data();
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

}  // namespace fast
}  // namespace tavrine
