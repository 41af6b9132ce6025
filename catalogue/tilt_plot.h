#pragma once
// The tilt plot of a design in the catalogue: its brightness against the tilt.

#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"

namespace tavrine::catalogue {

// Writes the plot of a design's tilt sweep rows to path (an SVG), replacing the file whole;
// returns false with one line naming the file and the problem in *error when it cannot. Until the
// plotting library joins the build it writes nothing and returns true, and the design's card says
// it has no plot.
bool writeTiltPlotFor(const std::vector<evaluate::TiltRow>& rows, const std::string& path,
                      std::string* error);

}  // namespace tavrine::catalogue
