#pragma once
// A second GIF reader for the tests: giflib's whole-file reader, independent of the image
// library, giving every frame's colours and delay.

#include <gif_lib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavrine::test {

// One image of a GIF file as a second reader sees it.
struct GifFrameColours {
    int32_t width = 0;
    int32_t height = 0;
    int32_t delay = -1;             // from the graphic control block, in 1/100 s; -1 without one
    std::vector<uint32_t> colours;  // COLORREF of each pixel, top row first
};

// Returns the frames of the GIF at path; ok says whether giflib read it whole.
inline std::vector<GifFrameColours> readGifFrames(const std::string& path, bool& ok) {
    std::vector<GifFrameColours> frames;
    ok = false;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) return frames;
    if (DGifSlurp(gif) == GIF_OK) {
        ok = true;
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const ColorMapObject* map =
                image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : gif->SColorMap;
            GifFrameColours frame;
            frame.width = image.ImageDesc.Width;
            frame.height = image.ImageDesc.Height;
            GraphicsControlBlock control;
            if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) {
                frame.delay = control.DelayTime;
            }
            const size_t count = static_cast<size_t>(frame.width) * frame.height;
            for (size_t p = 0; p < count; ++p) {
                const int index = image.RasterBits[p];
                if (map == nullptr || index >= map->ColorCount) {
                    ok = false;
                    frame.colours.push_back(0xFF000000u);
                    continue;
                }
                const GifColorType c = map->Colors[index];
                frame.colours.push_back(uint32_t{c.Red} | (uint32_t{c.Green} << 8) |
                                        (uint32_t{c.Blue} << 16));
            }
            frames.push_back(std::move(frame));
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}

}  // namespace tavrine::test
