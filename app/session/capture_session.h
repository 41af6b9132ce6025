#pragma once
// The session's side of the automatic capture: the record a new capture starts from, a capture
// record applied to the session as Resume applies it, and the scene the capture job turns.

#include <cstdint>
#include <string>

#include "app/output/capture_job.h"
#include "app/output/position_info.h"
#include "app/session/session.h"

namespace tavrine {

// Starts a new capture of frameCount frames (1 to 4096) from the session's current view: turns
// the "SY" switch off, keeps the view as the saved position, and returns the record of the
// session's settings with framesDone 0 and check mode off.
PositionInfo newCaptureRecord(Session& session, int32_t frameCount);

// Applies a capture record to the session as Resume does: the design the record names (for a
// design record) opened first, then the stone, model, colour, index, picture settings, stone pose
// and light of the record, the model rebuilt, the view set to the saved position (frame 0) and
// prepared, and "SY" off. The recursion depth, which the record does not hold, stays the
// session's. Returns false, with error (when not null) naming the file, when the design cannot
// be opened; the session is then unchanged.
bool applyCaptureRecord(Session& session, const PositionInfo& record, std::string* error);

// Returns the scene the capture job turns and renders: the session's model, view-space
// vertices and orientation, its render settings, the trimming of saved pictures and the
// backdrop colour as a COLORREF.
CaptureScene captureSceneOf(Session& session);

}  // namespace tavrine
