#pragma once
// What a rendering reports and how it ends: the observer of its progress, how it runs, and its
// outcome; shared by the render job and the prepared scene of many frames.

#include <cstdint>
#include <string>

#include "imgctl/imgctl.h"

namespace tavrine {

// Receives a rendering's reports. Every call is made on the thread that called renderJob (or
// PreparedScene::render), one at a time, and never while the job holds a lock its workers wait on;
// a call may take its time (the workers go on with the rows already handed out).
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
    // Called before each row is handed out; returning true stops the job there (rows
    // already handed out are finished).
    virtual bool abortRequested() { return false; }
    // Called once when the rows are done or the job stopped, before an HQ picture is shrunk
    // (the viewer pauses here).
    virtual void loopFinished() {}
    // Called once at the end, also after an abort or a failure.
    virtual void renderEnded() {}
};

// How the job runs: the thread count, the calling thread included (0 = one per core), and whether
// to use the exported tracer for every ray (the literal reference) instead of the faster path
// beside it. Both give the same pixels.
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

}  // namespace tavrine
