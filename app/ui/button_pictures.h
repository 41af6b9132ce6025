#pragma once
// The button picture sheet, drawn at start-up: on a black ground, each button in its normal form
// (red on dark blue) with its pressed form (white on blue) one button-width to the right, and
// the switches also in their "on" form.

#include <QImage>
#include <QPoint>
#include <cstdint>

namespace tavrine::ui {

// Size of the picture sheet.
inline constexpr int kPictureSheetWidth = 280;
inline constexpr int kPictureSheetHeight = 185;

// Draws the picture sheet (Format_RGB32). The same every time.
QImage drawButtonPictures();

// Returns where the normal picture of button id lies in the sheet; the pressed picture lies
// one button-width to the right. Ids without a picture give (-1, -1).
QPoint pictureSource(int32_t id);

}  // namespace tavrine::ui
