#pragma once
// The picture record behind a handle, shared by the library's own files only.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imgctl/imgctl.h"

namespace tavrine::imgctl {

// Largest width or height the library creates or reads; keeps every size product in range.
inline constexpr int32_t kMaxSide = 32768;

// Largest pixel count the library creates (256 megapixels).
inline constexpr int64_t kMaxPixels = int64_t{1} << 28;

// Largest width or height the readers accept: twice the largest picture the program writes,
// so that no file costs more than 8192 x 8192 pixels (192 MiB in 24 bits) before it is refused.
inline constexpr int32_t kMaxReadSide = 8192;

// A device-independent picture: 24-bit (blue, green, red), 16-bit 5-5-5 or 8-bit indexes into a
// palette; stored row 0 is the bottom row of the image and rows are padded to 4 bytes.
class Dib {
  public:
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitCount = 24;
    int32_t stride = 0;
    std::vector<uint8_t> pixels;
    std::array<uint8_t, 1024> palette{};  // blue, green, red, 0 per entry
    int32_t paletteSize = 0;
    bool runLength = false;  // an 8-bit picture written as BI_RLE8
    DibData data{};

    // Makes a zero-filled picture of the given size and depth, or returns false, leaving the
    // picture as it was, when the size is out of range or the memory for it is refused.
    bool allocate(int32_t w, int32_t h, int32_t bits);

    // Brings the record that DataDIB hands out up to date with the fields above.
    void refresh();

    // Returns the first byte of stored row r (0 = bottom).
    uint8_t* storedRow(int32_t r) { return pixels.data() + static_cast<size_t>(r) * stride; }

    // Returns the first byte of stored row r (0 = bottom).
    const uint8_t* storedRow(int32_t r) const {
        return pixels.data() + static_cast<size_t>(r) * stride;
    }

    // Returns the colour of column x of stored row r as a COLORREF, for every depth.
    ColorRef colourAt(int32_t x, int32_t r) const;
};

// Returns "" when a reader may make a picture of width x height pixels, else the reason
// ("16384 × 16384 is larger than the 8192 × 8192 this program reads").
std::string readableSizeProblem(int64_t width, int64_t height);

// Returns "" when every pixel of an 8-bit picture indexes its palette, else the reason ("pixel
// index 200 is past the 16-colour palette"); other depths give "".
std::string paletteIndexProblem(const Dib& dib);

// Makes a zero-filled picture for a reader, or returns false with the reason: a size the
// readers refuse, or memory refused.
bool allocateForReading(Dib& dib, int64_t width, int64_t height, int32_t bits, std::string* reason);

// Returns the bytes per stored row of a picture of that width and depth (a multiple of 4).
int32_t strideFor(int32_t width, int32_t bitCount);

// Returns the 8-bit value of a 5-bit channel by bit replication (31 -> 255, 16 -> 132).
inline uint8_t expand5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

// Packs a COLORREF into a 5-5-5 pixel, keeping the top 5 bits of each channel.
inline uint16_t pack555(ColorRef c) {
    const uint32_t r = (c & 0xFF) >> 3, g = ((c >> 8) & 0xFF) >> 3, b = ((c >> 16) & 0xFF) >> 3;
    return static_cast<uint16_t>((r << 10) | (g << 5) | b);
}

// Unpacks a 5-5-5 pixel into a COLORREF with bit-replicated channels.
inline ColorRef unpack555(uint16_t p) {
    return expand5((p >> 10) & 31) | (ColorRef{expand5((p >> 5) & 31)} << 8) |
           (ColorRef{expand5(p & 31)} << 16);
}

// Records the message of the last failure of this thread (what lastError returns).
void setLastError(const std::string& message);

// Replaces the picture's contents by a 24-bit picture of the same image, whatever its depth.
void convertTo24(Dib& dib);

// Quantises a copy of a picture's colours into 256 or fewer palette entries and returns the
// 8-bit picture (an empty 24-bit one when its memory is refused); the source is left alone.
Dib quantize(const Dib& source);

}  // namespace tavrine::imgctl
