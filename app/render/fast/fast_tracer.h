#pragma once
// The faster path beside the exported tracer. It performs, for every value that reaches a
// pixel, the same floating-point operations in the same order as Trace_TraceVector_CPP, and so
// gives bit-identical pixels; it only leaves out work whose result is never read:
// - the sign of each edge test's cross product is read off a triple product of precomputed
//   edge vectors, and only when that is too close to 0 to be sure of (a ray within 1e-11 of
//   the edge) is the cross product formed from the ray frame coordinates as the exported
//   tracer forms it;
// - a facet that the ray passes certainly inside of (clear of every edge by far more than
//   rounding) and whose plane test passes is the only facet the search can stop at, or where the
//   stone is not convex with flat facets the first of it and the few facets before it in index
//   order that such a ray may pass as well (its rivals, each tested as the search tests it), so a
//   guess is tried first and, when it is certainly the one, taken without the search: for a ray
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
// - every primary ray runs along z, so what it brings about where it meets a facet (the Fresnel
//   weight, the glare and each sample's refracted ray) is worked out once per facet;
// - inside the stone a ray's path is a chain of reflections, followed without recursion; with a
//   vector unit the chains of the three samples of four pixels (of twelve pixels without Fire)
//   are followed together, one per vector lane, each lane performing its chain's operations in
//   the chain's order;
// - in a stone that absorbs nothing, a segment's length only ever multiplies an absorption of
//   +0, so its square (finite exactly when the length is) takes its place;
// - in the Studio lighting a pixel whose surface glare alone makes it white (glareMakesWhite) is
//   white whatever light its refracted rays bring, so when its light is not asked for they are
//   not followed. That light is a number for every stone of sane numbers (see
//   lightIsANumber), and for no other stone is the pixel taken so;
// - in such a stone that also absorbs nothing, a chain's light depends only on the facets it
//   meets (fast::Paths), so the weights, leaving light and total of every path met are kept
//   and a chain that takes a known path reads them instead of working them out again.
//
// The parts: fast_types.h holds what they share, facet_data.cpp prepares the facet data,
// facet_walk.h and facet_search.cpp find the facet a ray meets, chain_lanes.cpp follows the chains
// in vector lanes, and fast_tracer.cpp follows the rays and makes the pixels.

#include <cstdint>
#include <vector>

#include "app/render/fast/fast_types.h"
#include "app/render/pixel_colour.h"
#include "app/render/render_scene.h"
#include "app/render/render_settings.h"
#include "tracer/trace_steps.h"
#include "tracer/tvrt.h"

namespace tavrine {

// Computes pixel colours and lights bit-identical to literalPixelColour's, in every lighting.
// Immutable after construction and safe to share between threads, each with its own Scratch.
class FastTracer {
  public:
    // The tracer's per-thread scratch, vector units and facet data (see fast_types.h).
    using Scratch = fast::Scratch;
    using VectorUnit = fast::VectorUnit;
    using FacetData = fast::FacetData;

    // Prepares the tracer for one rendering of the scene with the settings; both must outlive it.
    // A vector unit the processor lacks falls back to the best one it has. With `previous`, the
    // tracer of another view of the same stone, what does not depend on the view is taken from
    // it (when the facets' corner lists are indeed the same).
    FastTracer(const RenderSettings& settings, const RenderScene& scene,
               VectorUnit unit = VectorUnit::Best, const FastTracer* previous = nullptr);

    // Returns the vector unit this tracer's facet search uses.
    VectorUnit vectorUnit() const { return unit_; }

    // Returns the colour (COLORREF) of the pixel whose primary ray starts at (x, y, -1.1), and
    // writes its light to *light when light is not null.
    uint32_t pixelColour(double x, double y, Scratch& scratch, PixelLight* light = nullptr) const;

    // Writes colours[i] = pixelColour(xs[i], y) for the count pixels of a row (and their light
    // to lights[i] when lights is not null): with a vector unit, the Fire samples of several
    // pixels are followed together.
    void pixelColours(const double* xs, int32_t count, double y, uint32_t* colours,
                      Scratch& scratch, PixelLight* lights = nullptr) const;

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
    // Whether the pixel whose primary ray meets the facet is white_ from its glare alone, for a
    // pixel whose light is not asked for.
    bool whiteByGlare(int32_t facet, const PixelLight* light) const {
        return light == nullptr && !whiteByGlare_.empty() &&
               whiteByGlare_[static_cast<size_t>(facet)] != 0;
    }

    const RenderSettings& settings_;
    const RenderScene& scene_;
    steps::Lighting lighting_;
    double r0_;
    VectorUnit unit_;
    FacetData facetData_;
    // By facet, what the primary ray meeting it brings about.
    std::vector<fast::PrimaryBounce> primaryBounces_;
    // By facet, whether a pixel whose primary ray meets it is white from its glare alone; empty
    // when no pixel may be taken so.
    std::vector<uint8_t> whiteByGlare_;
    uint32_t white_ = 0;
    // Whether the chains' paths are kept in the scratch (fast::Paths), under this tracer's number.
    bool keepsPaths_ = false;
    uint64_t id_ = 0;
};

}  // namespace tavrine
