#pragma once
// The light of every pixel of a rendering before it becomes the picture's colour, which the
// figures of a stone are made of.

#include <cstdint>
#include <vector>

namespace tavrine {

// The luminance of each pixel of a rendering's working picture (2W x 2W in HQ, else W x W) and
// whether its primary ray met the stone, filled by the render job when asked for.
struct RadianceBuffer {
    int32_t width = 0;                // of the working picture, also its height
    std::vector<double> luminance;    // luminance(PixelLight) by row from the top, then by column
    std::vector<uint8_t> meetsStone;  // 1 where the pixel's primary ray met the stone, else 0
};

}  // namespace tavrine
