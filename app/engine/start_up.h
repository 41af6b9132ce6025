#pragma once
// The start-up steps that build the session's state, without any window: the paths, the
// settings, the preview's fixed drawing data, the polygon colour, the stored model and its first
// view.

#include "app/engine/notification_sink.h"
#include "app/engine/panel_drawing.h"
#include "app/session/session.h"
#include "app/settings/settings_file.h"

namespace tavrine {

// Builds the session's start-up state on the calling thread (the window thread, before the engine
// and keyboard threads exist): reads the settings file of |locations| (defaults when it is
// missing or short), draws the indicator background, takes over the polygon colour, builds the
// stored model, resets the view, the stone pose and the light, and refreshes the view (the
// preview and indicator pictures are drawn once). Returns whether the settings file was read.
bool startUpSession(Session& session, PanelDrawing& drawing, NotificationSink& sink,
                    const SettingsLocations& locations);

}  // namespace tavrine
