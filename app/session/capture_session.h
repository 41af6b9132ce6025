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
// session's settings with framesDone 0, check mode off and the session's frame settings.
PositionInfo newCaptureRecord(Session& session, int32_t frameCount);

// Returns the settings beyond the record that the session's frames are rendered with: its
// recursion depth and lighting, with its head shadow under ISO and COS (0 under Studio).
FrameSettings frameSettingsOf(const Session& session);

// Returns "" when a recursion depth asked for again on resuming the capture of record agrees
// with the depth its frames are rendered at (or the record, of an older version, holds none),
// else a phrase naming both ("its frames are rendered at recursion depth 12, not 8").
std::string captureDepthConflict(const PositionInfo& record, int32_t depth);

// Resumes the capture of record in the session: the record restored as Restore Position
// restores it (restorePosition: its design opened first, its settings, the model, stone pose,
// light and the saved position as the view of frame 0), "SY" switched off and the view prepared.
// The recursion depth stays the session's: the capture scene takes the record's own
// (captureSceneOf). Returns false, with error (when not null) the reader's message, when the
// design cannot be opened; the session is then unchanged.
bool resumeCapture(Session& session, const PositionInfo& record, std::string* error);

// Returns the scene the capture job turns and renders for record: the session's model, view-space
// vertices and orientation, its render settings at the recursion depth of the record's frame
// settings at the recursion depth and in the lighting of the record's frame settings, the
// trimming of saved pictures and the backdrop colour as a COLORREF. A record without frame
// settings (a file of an older version) is given the session's depth and the Studio lighting, the
// only one its frames can have been rendered in, so that the frames of this run, those before
// and the record written after them agree.
CaptureScene captureSceneOf(Session& session, PositionInfo& record);

}  // namespace tavrine
