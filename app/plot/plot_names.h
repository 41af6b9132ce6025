#pragma once
// What a program needs of plots and strips before it draws one, without Qt: the kinds of plot
// file, the plot's title and the sizes of what is drawn.

#include <string>

#include "app/render/render_settings.h"

namespace tavrine::plot {

// The size of a written plot in pixels (an SVG file's view box, and its width and height in
// millimetres at 96 pixels to the inch).
inline constexpr int kTiltPlotWidth = 800;
inline constexpr int kTiltPlotHeight = 500;

// The largest width and height of one picture in the strip, in pixels; smaller pictures keep
// their size.
inline constexpr int kStripPictureSize = 128;

// The kinds of plot file, chosen by the name's extension (.svg or .png, in any case).
enum class PlotFormat { Unknown, Svg, Png };

// Returns the kind of plot file path names; Unknown for any other extension or none.
PlotFormat plotFormatOf(const std::string& path);

// Returns the title of a plot of subject (a design's file name, a stone) under lighting:
// "Tilt performance: SUBJECT, ISO lighting".
std::string tiltPlotTitle(const std::string& subject, Lighting lighting);

}  // namespace tavrine::plot
