#pragma once
// tavrine-render's way to the plot module: the Qt drawing of plots and strips is loaded only by a
// run that writes one, so that every other run starts without Qt's libraries.

#include <string>

#include "app/plot/plot_module.h"

namespace tavrine::cli {

// The plot module's entries; they stay valid until the process ends.
struct PlotModule {
    plot::WriteTiltPlotFunction writeTiltPlot = nullptr;
    plot::WriteTiltStripFunction writeTiltStrip = nullptr;
};

// Loads the plot module the first time (plot::kPlotModuleFile, found through the program's run
// path: beside the module's build in the build tree, in the programs' library folder when
// installed) and returns its entries. Returns nullptr with "cannot load the plot module ...:
// REASON" in *error when it is missing, cannot be linked, lacks an entry or comes from another
// build; every later call gives the same answer. Call on the main thread.
const PlotModule* loadPlotModule(std::string* error);

}  // namespace tavrine::cli
