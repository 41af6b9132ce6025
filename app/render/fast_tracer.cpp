#include "app/render/fast_tracer.h"

#include <algorithm>

#include "app/render/render_job.h"

namespace tavrine {

FastTracer::Scratch::Scratch(const RenderScene& scene)
    : candidates(static_cast<size_t>(std::max(scene.facetCount, 1))),
      relative(static_cast<size_t>(std::max(scene.vertexCount, 1))),
      projected(static_cast<size_t>(std::max(scene.vertexCount, 1))) {}

FastTracer::FastTracer(const RenderSettings& settings, const RenderScene& scene)
    : settings_(settings), scene_(scene) {}

uint32_t FastTracer::pixelColour(double x, double y, Scratch& scratch) const {
    return literalPixelColour(settings_, scene_, x, y, scratch.candidates.data(),
                              scratch.relative.data(), scratch.projected.data());
}

}  // namespace tavrine
