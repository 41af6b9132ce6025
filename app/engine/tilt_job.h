#pragma once
// The engine's side of the Tilt Performance window: the sweep of the current stone that the
// TiltSweep command runs on the engine thread, reporting each tilt to the window.

#include <cstdint>
#include <memory>

#include "app/engine/engine.h"
#include "app/engine/notification_sink.h"
#include "app/evaluate/tilt_sweep.h"
#include "app/model/model_record.h"
#include "app/session/session.h"

namespace tavrine {

// What the TiltSweep command works on: the tilts, a copy of the stone and the scene to sweep, and
// the result. The window thread sets the range before it posts TiltSweep and reads the sweep
// after NOTIFY_TILT_ENDED; the engine thread uses it only while the job runs.
struct TiltJob {
    std::unique_ptr<ModelRecord> model;  // the stone as it was when the sweep was asked for
    evaluate::EvaluationScene scene;     // its model is the copy above
    evaluate::TiltRange range;
    evaluate::Sweep sweep;  // the rows and, for the strip, the picture of each
};

// Copies the session's stone and its face-up scene (evaluationSceneOf) into job and clears the
// last result, so that the sweep no longer depends on the session. On the thread that may read
// the session: the engine thread while a command runs.
void prepareTiltJob(TiltJob& job, const Session& session);

// Returns the job of TiltSweep: takes the session's current stone (prepareTiltJob, on the engine
// thread, after every command posted before) and sweeps it over job.range with its pictures,
// posting NOTIFY_PROGRESS with frameProgressParam(k, n) to the Tilt Performance window before tilt
// k and (n, n) at the end, and stopping at an Abort. Returns 1 when every tilt was judged, 2 when
// it was stopped and 3 when it failed (no stone, or a render failed; job.sweep.error says why).
EngineJob tiltEngineJob(Session& session, NotificationSink& sink, TiltJob& job,
                        RenderExecution execution);

}  // namespace tavrine
