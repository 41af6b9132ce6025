#pragma once
// The tilt plot: a stone's brightness and dark area against its tilt, drawn with Qt Charts, the
// face-up value marked and the tilt average drawn across; shown by the viewer and written as an
// SVG or PNG file.

#include <QtCharts/QChart>
#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"
#include "app/render/render_settings.h"

namespace tavrine::plot {

// The size of a written plot in pixels (an SVG file's view box, and its width and height in
// millimetres at 96 pixels to the inch).
inline constexpr int kTiltPlotWidth = 800;
inline constexpr int kTiltPlotHeight = 500;

// The kinds of plot file, chosen by the name's extension (.svg or .png, in any case).
enum class PlotFormat { Unknown, Svg, Png };

// Returns the kind of plot file path names; Unknown for any other extension or none.
PlotFormat plotFormatOf(const std::string& path);

// Returns a new chart of the rows (the caller owns it): brightness and dark area in percent
// against the tilt in degrees, on labelled axes, the face-up row (tilt 0) marked with its value
// and the rows' average brightness drawn across; title, when not empty, replaces the chart's
// own title. Rows need not be complete (an aborted sweep's). Needs a Qt Widgets application
// (ensurePlotApplication); GUI thread.
QChart* makeTiltChart(const std::vector<evaluate::TiltRow>& rows, const std::string& title = "");

// Returns the title of a plot of subject (a design's file name, a stone) under lighting:
// "Tilt performance: SUBJECT, ISO lighting".
std::string tiltPlotTitle(const std::string& subject, Lighting lighting);

// Writes the plot of the rows to path, an SVG or PNG file as its extension says, of
// kTiltPlotWidth x kTiltPlotHeight; the file is replaced whole or not at all (see
// util::AtomicFile). Makes the offscreen application when the program has none, so it needs no
// display. Returns false with one line in *error for no rows, another extension ("the plot must
// be a .svg or .png file"), or "cannot write PATH: REASON". Call on the main thread.
bool writeTiltPlot(const std::vector<evaluate::TiltRow>& rows, const std::string& path,
                   std::string* error, const std::string& title = "");

}  // namespace tavrine::plot
