#pragma once
// The engine's side of the automatic capture and the animated GIF: the jobs that StartCapture and
// CompileGif run on the engine thread, reporting to the progress windows and drawing every
// capture frame's preview and trail as a turn does.

#include <cstdint>

#include "app/engine/engine.h"
#include "app/engine/notification_sink.h"
#include "app/engine/panel_drawing.h"
#include "app/engine/tilt_job.h"
#include "app/output/animation_job.h"
#include "app/output/capture_job.h"
#include "app/output/position_info.h"
#include "app/session/session.h"

namespace tavrine {

// What the capture, animated-GIF and tilt-sweep commands work on. The window thread fills it
// while the engine is idle, before it posts StartCapture, CompileGif or TiltSweep, and reads the
// results after the end notification; the engine thread uses it only while the job runs.
struct OutputJobs {
    PositionInfo captureRecord;       // the capture's record: counts, check mode, saved view
    CaptureFiles captureFiles;        // the Capture-Info File, the frame base and format
    CaptureResult captureResult;      // how the last capture ended
    AnimationRequest animation;       // the frames, delay, direction and output of the GIF
    AnimationResult animationResult;  // how the last compile ended
    TiltJob tilt;                     // the Tilt Performance window's sweep (TiltSweep)
};

// Returns the job of StartCapture: runs captureFrames over the session with jobs.captureRecord
// (the command's lParam is the check mode; the record's frame settings, not the session's
// current depth, set the recursion depth of its frames) and jobs.captureFiles; before each frame it
// posts NOTIFY_PROGRESS to the capture progress window, after each turn it draws the preview and
// the view-point trail (restarted on the run's first frame, with the trail as the live layer) and
// invalidates the strip of the three boxes; each frame is rendered by render with the render
// window's (or the main window's) reports and shown in the session's render picture. Returns 1
// when every frame was made, 0 otherwise; jobs.captureResult tells which.
EngineJob captureEngineJob(Session& session, NotificationSink& sink, PanelDrawing& drawing,
                           OutputJobs& jobs, RenderRunner render, RenderExecution execution);

// Returns the job of CompileGif: compiles jobs.animation, posting NOTIFY_PROGRESS with
// frameProgressParam to the GIF progress window before each frame and at the end. Returns 1 when
// the animation was written, 0 otherwise; jobs.animationResult tells why.
EngineJob gifEngineJob(NotificationSink& sink, OutputJobs& jobs);

}  // namespace tavrine
