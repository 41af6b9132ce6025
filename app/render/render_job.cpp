#include "app/render/render_job.h"

#include <utility>

#include "app/render/prepared_scene.h"

namespace tavrine {

RenderResult renderJob(const RenderSettings& s, const RenderScene& scene, imgctl::DibPtr picture,
                       RenderObserver& observer, const RenderExecution& execution,
                       RadianceBuffer* radiance) {
    PreparedScene prepared(s, execution);
    return prepared.render(scene, std::move(picture), observer, radiance);
}

}  // namespace tavrine
