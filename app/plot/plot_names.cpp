#include "app/plot/plot_names.h"

#include <cctype>

namespace tavrine::plot {

PlotFormat plotFormatOf(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return PlotFormat::Unknown;
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "svg") return PlotFormat::Svg;
    if (extension == "png") return PlotFormat::Png;
    return PlotFormat::Unknown;
}

std::string tiltPlotTitle(const std::string& subject, Lighting lighting) {
    return "Tilt performance: " + subject + ", " + lightingCaption(lighting) + " lighting";
}

}  // namespace tavrine::plot
