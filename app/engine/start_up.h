#pragma once
// The start-up steps that build the session's state, without any window: the paths, the
// settings, the preview's fixed drawing data, the polygon colour, the stored model and its first
// view.

#include "app/engine/notification_sink.h"
#include "app/engine/panel_drawing.h"
#include "app/output/position_info.h"
#include "app/session/session.h"
#include "app/settings/settings_file.h"

namespace tavrine {

// Fills the session's settings with the defaults for |locations|, then reads the settings file
// over them (the defaults stay when it is missing or short). Returns whether the file was read.
bool readStartUpSettings(Session& session, const SettingsLocations& locations);

// Builds the session's start-up state from its settings on the calling thread (the window
// thread, before the engine and keyboard threads exist): draws the indicator background, takes
// over the polygon colour and the turning switches, builds the stored model and draws the preview
// and indicator once. Without |startAt| the view, the stone pose and the light are reset; with a
// Position-Info record (whose settings the session has already taken) its view, stone pose and
// light become current as they are, as Restore Position makes them.
void startUpSession(Session& session, PanelDrawing& drawing, NotificationSink& sink,
                    const PositionInfo* startAt = nullptr);

}  // namespace tavrine
