#pragma once
// The faster path beside the exported tracer. It performs, for every value that reaches a
// pixel, the same floating-point operations in the same order as Trace_TraceVector_CPP, and so
// gives bit-identical pixels; it only leaves out work whose result is never read:
// - the sign of each edge test's cross product is read off a triple product of precomputed
//   edge vectors, and only when that is too close to 0 to be sure of (a ray within 1e-11 of
//   the edge) is the cross product formed from the ray frame coordinates as the exported
//   tracer forms it;
// - a facet that the ray passes certainly inside of (clear of every edge by far more than
//   rounding) and whose plane test passes is the only facet the search can stop at, so a guess
//   is tried first and, when it is certainly the one, taken without the search: for a ray
//   inside, the facet that the last ray from the same facet in about the same direction met,
//   otherwise the facet that the previous ray at the same depth met (usually the neighbouring
//   pixel's);
// - the primary ray's candidate facets are found once per rendering (its direction is fixed);
// - the facets are tested in index order as soon as they qualify, so the search stops at the
//   facet it returns instead of listing every candidate first;
// - a facet whose bounding circle the ray passes wide of (by far more than rounding) cannot
//   pass the edge test unless the ray runs along the facet's plane, so for a ray that does not
//   graze the facet the test is not run;
// - in Fire mode the three samples share the primary ray's hit and its surface glare, which do
//   not depend on the refractive index; only the refracted path is traced per sample;
// - inside the stone a ray's path is a chain of reflections, followed without recursion; with a
//   vector unit the chains of the three samples of four pixels are followed together, one per
//   vector lane, each lane performing its chain's operations in the chain's order;
// - in a stone that absorbs nothing, a segment's length only ever multiplies an absorption of
//   +0, so its square (finite exactly when the length is) takes its place.
//
// The parts: facet_data.cpp prepares the facet data, facet_walk.h and facet_search.cpp find the
// facet a ray meets, chain_lanes.cpp follows the chains in vector lanes, and fast_tracer.cpp
// follows the rays and makes the pixels.

#include <cstdint>
#include <vector>

#include "app/render/render_settings.h"
#include "tracer/trace_steps.h"
#include "tracer/tvrt.h"

namespace tavrine {

struct RenderScene;

// Computes pixel colours bit-identical to literalPixelColour. Immutable after construction and
// safe to share between threads, each with its own Scratch.
class FastTracer {
  public:
    // Per-thread scratch memory. What it holds are only starts for the facet search, so a
    // scratch may serve one rendering after another (of a stone with the same facet count): the
    // guesses of the last one start the next.
    struct Scratch {
        explicit Scratch(const RenderScene& scene);
        // Whether the scratch has room for the scene.
        bool fits(const RenderScene& scene) const;
        int32_t facetCount;            // of the scene it was made for
        std::vector<uint64_t> worth;   // bits of the facets worth an edge test for the current ray
        std::vector<int32_t> guesses;  // by sample and depth, the facet the last ray met, or -1
        // By Fire sample, facet (tableFacets of them) and direction bin: the facet that the last
        // ray inside the stone from that facet in that direction met, or -1.
        int32_t tableFacets;
        std::vector<int16_t> exits;
    };

    // Which vector instructions the facet search uses; all give the same results. Builds
    // without the vector paths (other processors, or TAVRINE_VECTOR off) have only Scalar.
    enum class VectorUnit { Best, Scalar, Avx2, Avx512 };

    // Prepares the tracer for one rendering of the scene with the settings; both must outlive it.
    // A vector unit the processor lacks falls back to the best one it has.
    FastTracer(const RenderSettings& settings, const RenderScene& scene,
               VectorUnit unit = VectorUnit::Best);

    // Returns the vector unit this tracer's facet search uses.
    VectorUnit vectorUnit() const { return unit_; }

    // Returns the colour (COLORREF) of the pixel whose primary ray starts at (x, y, -1.1).
    uint32_t pixelColour(double x, double y, Scratch& scratch) const;

    // Writes colours[i] = pixelColour(xs[i], y) for the count pixels of a row: with a vector
    // unit, the Fire samples of several pixels are followed together.
    void pixelColours(const double* xs, int32_t count, double y, uint32_t* colours,
                      Scratch& scratch) const;

    // Per-rendering facet data in the layout the facet search reads fastest: normals by
    // component, and each facet's bounding circle (centre, squared radius with a margin far above
    // rounding) that a ray must pass within for the facet's edge test to be worth running.
    struct FacetData {
        std::vector<double> nx, ny, nz;
        std::vector<double> cx, cy, cz;
        std::vector<double> reach2;
        std::vector<double> offset;  // normal . centre: the plane as normal . x = offset
        std::vector<int32_t> primaryCandidates;
        // Beyond this squared distance from the z axis a primary ray certainly meets no facet
        // (infinite when the stone gives no such certainty).
        double missRadius2 = 0.0;
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
        // The same edges eight at a time for the walks, and after them a lane for the candidate
        // test: block j is the first of facet j, and `next` leads to its next block (after the
        // first count blocks) or is -1. By lane: the components of A x B and A - B, the value
        // above which the lane is clear and below which it is certainly outside, and the facet
        // across. A padding lane has value 0, which counts as clear and never as outside. Each
        // block starts a cache line, so that eight lanes load without crossing one.
        struct alignas(64) EdgeBlock {
            double axb[3][8];
            double amb[3][8];
            double clearance[8];
            double negClearance[8];
            int32_t neighbour[8];
            int32_t next;
        };
        std::vector<EdgeBlock> edgeBlocks;
        // Whether the stone is convex with flat facets, so that a facet the ray is certainly
        // inside of is the only one it can meet.
        bool convex = false;
        // Facets whose plane passes near the centre, in ascending order.
        std::vector<int32_t> nearCentre;
    };

    // Traces one ray as Trace_TraceVector_CPP does with the settings' index, lights and
    // backdrop and the given stone index; writes the same outputs and returns the same result.
    int32_t trace(const Vec3& origin, const Vec3& direction, double stoneIndex, int32_t inside,
                  int32_t depth, double total[3], double& surfaceGlare, double inner[3],
                  double& segmentLength, Scratch& scratch) const;

    // The facet that the search takes without searching for the ray from origin along direction
    // (from inside the stone or from outside), walking from facet `guess`, or -1 when it cannot
    // be certain of one; the search in index order then decides.
    int32_t certainFacet(const Vec3& origin, const Vec3& direction, bool inside,
                         int32_t guess) const;

  private:
    const RenderSettings& settings_;
    const RenderScene& scene_;
    steps::Lighting lighting_;
    double r0_;
    VectorUnit unit_;
    FacetData facetData_;
};

}  // namespace tavrine
