#include "app/evaluate/figures.h"

#include <algorithm>

namespace tavrine::evaluate {

Figures figuresOf(const RadianceBuffer& radiance) {
    Figures figures;
    const size_t count = std::min(radiance.luminance.size(), radiance.meetsStone.size());
    double sum = 0.0;
    int64_t dark = 0;
    for (size_t i = 0; i < count; ++i) {
        if (radiance.meetsStone[i] == 0) continue;
        const double l = radiance.luminance[i];
        sum += l;
        if (l < kDarkLuminance) ++dark;
        ++figures.stonePixels;
    }
    if (figures.stonePixels == 0) return figures;
    const double n = static_cast<double>(figures.stonePixels);
    figures.brightness = 100.0 * sum / n;
    figures.darkArea = 100.0 * static_cast<double>(dark) / n;
    return figures;
}

}  // namespace tavrine::evaluate
