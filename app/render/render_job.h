#pragma once
// The render job: the rows of the picture handed out to workers that trace one primary ray per
// pixel (three in Fire mode), HQ rendering at twice the size, progress reporting and abort
// polling.

#include <cstdint>
#include <string>

#include "app/render/radiance_buffer.h"
#include "app/render/render_scene.h"
#include "app/render/render_settings.h"
#include "imgctl/imgctl.h"

namespace tavrine {

// Receives the job's reports. Every call is made on the thread that called renderJob, one at a
// time, and never while the job holds a lock its workers wait on; a call may take its time (the
// workers go on with the rows already handed out).
class RenderObserver {
  public:
    virtual ~RenderObserver() = default;
    // Called once before any row, also when the job then fails.
    virtual void renderStarted() {}
    // Called with 0 right after the start, then whenever the whole percentage has grown (1 to
    // 100).
    virtual void progress(int32_t percent) { (void)percent; }
    // Called after image row `row` (0 at the top) of |picture| is final, in normal (not HQ) mode
    // only; the observer may read that row of the picture during the call, and nothing else.
    virtual void rowFinished(int32_t row, const imgctl::DibData& picture) {
        (void)row;
        (void)picture;
    }
    // Called before each row is handed to a worker; returning true stops the job there (rows
    // already handed out are finished).
    virtual bool abortRequested() { return false; }
    // Called once when the rows are done or the job stopped, before an HQ picture is shrunk
    // (the viewer pauses here).
    virtual void loopFinished() {}
    // Called once at the end, also after an abort or a failure.
    virtual void renderEnded() {}
};

// How the job runs: the worker count (0 = all cores) and whether to use the exported tracer for
// every ray (the literal reference) instead of the faster path beside it. Both give the same
// pixels.
struct RenderExecution {
    int32_t threads = 0;
    bool literal = false;
};

// How a render job ended.
enum class RenderStatus {
    Completed,  // every row was rendered
    Aborted,    // abortRequested stopped it
    Failed,     // no picture (wrong picture given, memory refused) or a worker failed
};

// The outcome of a render job: its status, its picture (W x W, 24-bit; also after an abort, with
// the rows not rendered as they were; null after a failure) and, for a failure, the reason.
struct RenderResult {
    RenderStatus status = RenderStatus::Failed;
    imgctl::DibPtr picture;
    std::string error;
};

// Renders the whole W x W square (W = settings.width) into |picture|, which must be a 24-bit
// W x W picture, or null to have the job create one; in HQ mode the job renders into a 2W x 2W
// picture of its own that is shrunk to W x W at the end (also after an abort). Reports to
// |observer| on the calling thread; the workers read |scene| and |settings|, which must stay
// unchanged until the job returns. A picture of the wrong size or depth, memory refused and a
// worker that throws or cannot start end the job with RenderStatus::Failed (renderStarted and
// renderEnded are still called). With radiance not null the job also fills it with the light of
// every pixel of the working picture (rows not rendered after an abort hold 0 and no stone);
// memory refused for it fails the job as well.
RenderResult renderJob(const RenderSettings& settings, const RenderScene& scene,
                       imgctl::DibPtr picture, RenderObserver& observer,
                       const RenderExecution& execution = {}, RadianceBuffer* radiance = nullptr);

}  // namespace tavrine
