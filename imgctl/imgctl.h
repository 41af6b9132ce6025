#pragma once
// The image library: device-independent pictures (24-bit, 16-bit high colour, 8-bit with a
// palette) stored bottom-up with rows padded to 4 bytes, and BMP, PNG and GIF89a files.
// Operations keep the names of the picture operations the program is written against; a
// handle is a typed pointer owned by the library, nullptr meaning none.

#include <cstdint>
#include <string>

namespace tavrine::imgctl {

class Dib;
using DibHandle = Dib*;

// COLORREF: red in the low byte, then green, then blue.
using ColorRef = uint32_t;

// The 40-byte BITMAPINFOHEADER, little-endian field for field.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;      // negative asks for a top-down layout; pictures stay bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");

// What DataDIB returns: fields of 32 bits or pointers; the fourth is the pixel rows.
struct DibData {
    int32_t width;
    int32_t height;
    int32_t bitCount;
    uint8_t* rows;           // stored row 0 is the bottom row of the picture
    int32_t stride;          // bytes per stored row, a multiple of 4
    int32_t paletteSize;     // entries used in palette (8-bit pictures), else 0
    const uint8_t* palette;  // paletteSize entries of blue, green, red, 0
};

// One frame of an animated GIF (the 28-byte frame record, typed).
struct GifFrame {
    DibHandle picture = nullptr;   // an 8-bit picture
    uint16_t delay = 0;            // in 1/100 s
};

DibHandle CreateDIB(const BitmapInfoHeader& header);
void DeleteDIB(DibHandle dib);
DibHandle CopyDIB(DibHandle dib);
void HeadDIB(DibHandle dib, BitmapInfoHeader& header);
DibData* DataDIB(DibHandle dib);
void PasteDIB(DibHandle target, int32_t tx, int32_t ty, int32_t width, int32_t height,
              DibHandle source, int32_t sx, int32_t sy);
ColorRef PixelDIB(DibHandle dib, int32_t x, int32_t y);
void RepaintDIB(DibHandle dib, const ColorRef* pairs, int32_t pairCount);
void DIBto16BitEx(DibHandle dib);
void DIBto8Bit(DibHandle dib);
void DIBtoRLE(DibHandle dib);
bool DIBtoBMP(const std::string& path, DibHandle dib);
bool DIBtoPNG(const std::string& path, DibHandle dib);
bool DIBtoGIF(const std::string& path, DibHandle dib);
DibHandle ToDIB(const std::string& path);
bool DIBtoGIFAniEx(const std::string& path, const GifFrame* frames, int32_t frameCount);
void ResizeDIB(DibHandle dib, int32_t width, int32_t height);

// Writes one pixel of a 24-bit picture's rows when 0 <= column < width and 0 <= row < height
// (image row r is stored row height-1-r); returns whether it wrote.
bool setImagePixel(uint8_t* rows, int32_t width, int32_t height, int32_t column, int32_t row,
                   ColorRef colour);

}  // namespace tavrine::imgctl
