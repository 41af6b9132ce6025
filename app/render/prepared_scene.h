#pragma once
// Frames of one stone rendered one after another with the same settings (a turntable, a tilt
// sweep): what does not change from frame to frame is made once and kept, namely the worker
// threads, their scratch memory with the tables of where rays went (which start the next frame's
// facet search), and the facet data that depends only on the facets' corner lists.

#include <memory>

#include "app/render/radiance_buffer.h"
#include "app/render/render_observer.h"
#include "app/render/render_scene.h"
#include "app/render/render_settings.h"
#include "imgctl/imgctl.h"

namespace tavrine {

// A rendering prepared for many frames. Not thread-safe: one thread renders its frames, one at a
// time; the workers live as long as the object.
class PreparedScene {
  public:
    // Prepares frames with the settings (copied) and the execution (threads, literal path). No
    // thread is started here; the first frame starts the workers it needs.
    explicit PreparedScene(const RenderSettings& settings, const RenderExecution& execution = {});
    ~PreparedScene();
    PreparedScene(const PreparedScene&) = delete;
    PreparedScene& operator=(const PreparedScene&) = delete;

    // Returns the settings every frame is rendered with.
    const RenderSettings& settings() const;

    // Renders one frame of the scene (the stone in one view) as the render job (render_job.h)
    // renders it with the settings: the same pixels, reports and outcome. The scene's facets may
    // differ from the last frame's; what is kept then serves only where it still fits. With
    // radiance not null the frame also fills it with the light of every pixel of the working
    // picture (rows not rendered after an abort hold 0 and no stone); memory refused for it fails
    // the frame as well.
    RenderResult render(const RenderScene& scene, imgctl::DibPtr picture, RenderObserver& observer,
                        RadianceBuffer* radiance = nullptr);

    // Renders one frame with an observer that wants no reports.
    RenderResult render(const RenderScene& scene, imgctl::DibPtr picture = nullptr);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tavrine
