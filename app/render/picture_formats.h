#pragma once
// Saving a rendered picture in one of the seven picture formats of the save dialog: the
// optional trimmed copy, the conversion of a copy by format, the repair of the backdrop colour
// after colour reduction, and the file. Used by tavrine-render, the screen shot and the capture.

#include <array>
#include <cstdint>
#include <string>

#include "imgctl/imgctl.h"

namespace tavrine {

// Counts the picture formats; filter indexes run from 1 to this.
inline constexpr int32_t kPictureFormatCount = 7;

// The picture formats by filter index.
enum class PictureFormat : int32_t {
    Bmp24 = 1,  // "Bitmap 24bit FullColor (*.bmp)"
    Bmp16 = 2,  // "Bitmap 16bit HighColor (*.bmp)"
    Bmp8 = 3,   // "Bitmap 256 Colors (*.bmp)"
    Png24 = 4,  // "PNG 24bit FullColor (*.png)"
    Png16 = 5,  // "PNG 16bit HighColor (*.png)"
    Png8 = 6,   // "PNG 256 Colors (*.png)"
    Gif8 = 7,   // "GIF 256 Colors (*.gif)"
};

// The save dialog's filter texts, index 0 being filter index 1.
inline constexpr std::array<const char*, kPictureFormatCount> kPictureFilterTexts = {
    "Bitmap 24bit FullColor (*.bmp)", "Bitmap 16bit HighColor (*.bmp)", "Bitmap 256 Colors (*.bmp)",
    "PNG 24bit FullColor (*.png)",    "PNG 16bit HighColor (*.png)",    "PNG 256 Colors (*.png)",
    "GIF 256 Colors (*.gif)"};

// The save dialog's file patterns, index 0 being filter index 1.
inline constexpr std::array<const char*, kPictureFormatCount> kPictureFilterPatterns = {
    "*.bmp", "*.bmp", "*.bmp", "*.png", "*.png", "*.png", "*.gif"};

// The extension (without the dot) of each format, index 0 being filter index 1.
inline constexpr std::array<const char*, kPictureFormatCount> kPictureExtensions = {
    "bmp", "bmp", "bmp", "png", "png", "png", "gif"};

// The save dialog's default extension before a filter is chosen; a name typed without an
// extension gets the chosen filter's extension.
inline constexpr const char* kScreenShotDefaultExtension = "bmp";

// The save dialog's title.
inline constexpr const char* kSaveScreenShotTitle = "Save Screen Shot";

// Pixels cut off each side of the render picture before saving; all zero means no trimming.
struct PictureTrimming {
    int32_t top = 0;
    int32_t bottom = 0;
    int32_t left = 0;
    int32_t right = 0;

    // Returns whether any side is cut (the trimming is active).
    bool active() const { return (top | bottom | left | right) != 0; }
};

// What savePictureFile reports: success and a message naming the path.
struct PictureSaveResult {
    bool ok = false;
    std::string message;
};

// Returns the filter index (1 to 7) of a format name "bmp24", "bmp16", "bmp8", "png24", "png16",
// "png8" or "gif", or 0 for any other text.
int32_t pictureFormatByName(const std::string& name);

// Returns a new 24-bit picture holding the rectangle of |picture| that the trimming leaves,
// starting at column |left| and row |top| (row 0 at the top); nullptr when a side is negative or
// the trimming leaves no pixel.
imgctl::DibHandle trimmedPicture(imgctl::DibHandle picture, const PictureTrimming& trimming);

// Repaints the colour of pixel (0, 0) (the top-left corner) of a colour-reduced picture to the
// exact backdrop colour when the two differ, so that the background keeps its colour; returns
// whether it repainted.
bool repairBackdrop(imgctl::DibHandle reduced, imgctl::ColorRef backdrop);

// Saves |picture| (the render picture, left unchanged) to |path| in the format of
// |filterIndex| (1 to 7), never by the path's extension: trims a copy when the trimming is
// active, converts a copy for the 16-bit and 256-colour formats (the latter with the backdrop
// repair against |backdrop|, a COLORREF) and writes the file, leaving no file on failure.
// Returns success and a message naming the path; a bad index, a trimming that leaves no picture,
// memory refused for the copy or the conversion, or a write failure give false.
PictureSaveResult savePictureFile(imgctl::DibHandle picture, const PictureTrimming& trimming,
                                  int32_t filterIndex, imgctl::ColorRef backdrop,
                                  const std::string& path);

}  // namespace tavrine
