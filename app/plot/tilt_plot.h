#pragma once
// The tilt plot: a stone's brightness and dark area against its tilt, drawn with Qt Charts, the
// face-up value marked and the tilt average drawn across; shown by the viewer and written as an
// SVG or PNG file.

#include <QtCharts/QChart>
#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"
#include "app/plot/plot_names.h"

namespace tavrine::plot {

// Returns a new chart of the rows (the caller owns it): brightness and dark area in percent
// against the tilt in degrees, on labelled axes, the face-up row (tilt 0) marked with its value
// and the rows' average brightness drawn across; title, when not empty, replaces the chart's
// own title. Rows need not be complete (an aborted sweep's). Needs a Qt Widgets application
// (ensurePlotApplication); GUI thread.
QChart* makeTiltChart(const std::vector<evaluate::TiltRow>& rows, const std::string& title = "");

// Writes the plot of the rows to path, an SVG or PNG file as its extension says, of
// kTiltPlotWidth x kTiltPlotHeight; the file is replaced whole or not at all (see
// util::AtomicFile). Makes the offscreen application when the program has none, so it needs no
// display. Returns false with one line in *error for no rows, another extension ("the plot must
// be a .svg or .png file"), or "cannot write PATH: REASON". Call on the main thread.
bool writeTiltPlot(const std::vector<evaluate::TiltRow>& rows, const std::string& path,
                   std::string* error, const std::string& title = "");

}  // namespace tavrine::plot
