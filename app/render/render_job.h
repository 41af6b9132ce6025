#pragma once
// The render job: the rows of the picture handed out to workers that trace one primary ray per
// pixel (three in Fire mode), HQ rendering at twice the size, progress reporting and abort
// polling.

#include "app/render/radiance_buffer.h"
#include "app/render/render_observer.h"
#include "app/render/render_scene.h"
#include "app/render/render_settings.h"
#include "imgctl/imgctl.h"

namespace tavrine {

// Renders the whole W x W square (W = settings.width) into |picture|, which must be a 24-bit
// W x W picture, or null to have the job create one; in HQ mode the job renders into a 2W x 2W
// picture of its own that is shrunk to W x W at the end (also after an abort). The calling thread
// renders rows too and makes every report to |observer| between them; the workers read |scene|,
// which must stay unchanged until the job returns. A picture of the wrong size or depth, memory
// refused and a row that throws end the job with RenderStatus::Failed (renderStarted and
// renderEnded are still called); workers that cannot start leave their rows to the others. With
// radiance not null the job also fills it with the light of every pixel of the working picture
// (see PreparedScene::render).
RenderResult renderJob(const RenderSettings& settings, const RenderScene& scene,
                       imgctl::DibPtr picture, RenderObserver& observer,
                       const RenderExecution& execution = {}, RadianceBuffer* radiance = nullptr);

}  // namespace tavrine
