#include "app/plot/plot_module.h"

#include <type_traits>

#include "app/plot/tilt_plot.h"
#include "app/plot/tilt_strip.h"

// The module's only exported names; everything else in it is hidden.
#define TAVRINE_PLOT_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

TAVRINE_PLOT_MODULE_EXPORT const char* tavrine_plot_module_version() {
    static const std::string version = tavrine::plot::plotModuleVersion(TAVRINE_VERSION);
    return version.c_str();
}

TAVRINE_PLOT_MODULE_EXPORT bool tavrine_plot_write_tilt_plot(
    const std::vector<tavrine::evaluate::TiltRow>* rows, const std::string* path,
    std::string* error, const std::string* title) {
    return tavrine::plot::writeTiltPlot(*rows, *path, error, *title);
}

TAVRINE_PLOT_MODULE_EXPORT bool tavrine_plot_write_tilt_strip(
    const std::vector<tavrine::evaluate::TiltRow>* rows,
    const std::vector<tavrine::imgctl::DibPtr>* pictures, const std::string* path,
    std::string* error) {
    return tavrine::plot::writeTiltStrip(*rows, *pictures, *path, error);
}

// The entries match the types the program calls them through.
static_assert(std::is_same_v<decltype(&tavrine_plot_module_version),
                             tavrine::plot::PlotModuleVersionFunction>);
static_assert(
    std::is_same_v<decltype(&tavrine_plot_write_tilt_plot), tavrine::plot::WriteTiltPlotFunction>);
static_assert(std::is_same_v<decltype(&tavrine_plot_write_tilt_strip),
                             tavrine::plot::WriteTiltStripFunction>);
