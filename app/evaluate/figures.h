#pragma once
// The figures that judge a stone's look from the light of a rendering: its brightness and its
// dark area.

#include <cstdint>

#include "app/render/radiance_buffer.h"

namespace tavrine::evaluate {

// The luminance below which a pixel of the stone counts as dark.
inline constexpr double kDarkLuminance = 0.25;

// The figures of one rendering, over the pixels whose primary ray met the stone.
struct Figures {
    double brightness = 0.0;  // 100 x their mean luminance, percent (may exceed 100 in Studio)
    double darkArea = 0.0;    // percent of them darker than kDarkLuminance
    int64_t stonePixels = 0;  // how many there are; both figures are 0 when none
};

// Returns the figures of the buffer's pixels that meet the stone. For a colourless stone under
// ISO the brightness is the share of the light falling on its face that comes back to the eye.
Figures figuresOf(const RadianceBuffer& radiance);

}  // namespace tavrine::evaluate
