#pragma once
// The note painted over the main window's render area: a hint to render while the area shows no
// rendering yet, and a small tag while it shows an older scene than the current one. Only the
// window is painted; the render picture (what a screen shot saves) stays as it is.

#include <QPainter>
#include <QRect>

#include "app/session/shared_picture.h"

namespace tavrine::ui {

// The hint shown in the empty render area.
inline constexpr const char* kRenderHintText = "Press Space or click\n\"ray-trace\"";

// The tag shown in the top-right corner of a picture of an older scene.
inline constexpr const char* kStaleTagText = "old view: Space";

// Returns the rectangle (client coordinates) the stale tag covers.
QRect staleTagRect();

// Paints the note for what the render area shows over the area (client coordinates): the hint
// for PictureShows::Nothing, the tag for PictureShows::OtherScene, and nothing for the current
// scene or while a rendering runs.
void paintRenderAreaNote(QPainter& painter, PictureShows shows, bool rendering);

}  // namespace tavrine::ui
