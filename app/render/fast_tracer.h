#pragma once
// The faster path beside the exported tracer: the same arithmetic, fewer operations.

#include <cstdint>
#include <vector>

#include "app/render/render_settings.h"
#include "tracer/tvrt.h"

namespace tavrine {

struct RenderScene;

// Computes pixel colours bit-identical to literalPixelColour. Immutable after construction and
// safe to share between threads, each with its own Scratch.
class FastTracer {
  public:
    // Per-thread scratch memory.
    struct Scratch {
        explicit Scratch(const RenderScene& scene);
        std::vector<int32_t> candidates;
        std::vector<Vec3> relative;
        std::vector<Vec3> projected;
    };

    // Prepares the tracer for one rendering of the scene with the settings; both must outlive it.
    FastTracer(const RenderSettings& settings, const RenderScene& scene);

    // Returns the colour (COLORREF) of the pixel whose primary ray starts at (x, y, -1.1).
    uint32_t pixelColour(double x, double y, Scratch& scratch) const;

  private:
    const RenderSettings& settings_;
    const RenderScene& scene_;
};

}  // namespace tavrine
