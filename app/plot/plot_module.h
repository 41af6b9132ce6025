#pragma once
// The plot module: the Qt drawing of plots and strips built as a loadable module of its own
// (libtavrine-plot.so), so that tavrine-render loads Qt only for a run that writes a plot or a
// strip. Its entries take the program's own types by pointer: program and module are built from
// one tree, and the version text refuses a module of any other build.

#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"
#include "imgctl/imgctl.h"

namespace tavrine::plot {

// The module's file name, found through the run path of the program that loads it.
inline constexpr char kPlotModuleFile[] = "libtavrine-plot.so";

// The number of the entries' interface, raised whenever an entry or a type it takes changes.
inline constexpr int kPlotModuleInterface = 1;

// The names of the module's entries (unmangled).
inline constexpr char kPlotModuleVersionEntry[] = "tavrine_plot_module_version";
inline constexpr char kWriteTiltPlotEntry[] = "tavrine_plot_write_tilt_plot";
inline constexpr char kWriteTiltStripEntry[] = "tavrine_plot_write_tilt_strip";

// Returns the version text of the build of programVersion: "tavrine-plot VERSION interface N",
// with the sizes of the types the entries take, so that a module of another build differs.
inline std::string plotModuleVersion(const char* programVersion) {
    return std::string("tavrine-plot ") + programVersion + " interface " +
           std::to_string(kPlotModuleInterface) + " (row " +
           std::to_string(sizeof(evaluate::TiltRow)) + ", text " +
           std::to_string(sizeof(std::string)) + ", rows " +
           std::to_string(sizeof(std::vector<evaluate::TiltRow>)) + ", picture " +
           std::to_string(sizeof(imgctl::DibPtr)) + " bytes)";
}

// The entry that returns the module's version text (plotModuleVersion of its build).
using PlotModuleVersionFunction = const char* (*)();

// The entry that calls writeTiltPlot(*rows, *path, error, *title).
using WriteTiltPlotFunction = bool (*)(const std::vector<evaluate::TiltRow>* rows,
                                       const std::string* path, std::string* error,
                                       const std::string* title);

// The entry that calls writeTiltStrip(*rows, *pictures, *path, error).
using WriteTiltStripFunction = bool (*)(const std::vector<evaluate::TiltRow>* rows,
                                        const std::vector<imgctl::DibPtr>* pictures,
                                        const std::string* path, std::string* error);

}  // namespace tavrine::plot
