#pragma once
// The program's icon, drawn at start-up: a brilliant-cut stone seen from the side on a dark
// tile (the same drawing as packaging/desktop/tavrine.svg).

#include <QIcon>
#include <QImage>

namespace tavrine::ui {

// Draws the icon as a size x size picture with a transparent ground.
QImage drawAppIcon(int size);

// Returns the icon in the sizes a desktop asks for.
QIcon appIcon();

}  // namespace tavrine::ui
