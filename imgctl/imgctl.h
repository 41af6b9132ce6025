#pragma once
// The image library: device-independent pictures (24-bit, 16-bit high colour, 8-bit with a
// palette) stored bottom-up with rows padded to 4 bytes, and BMP, PNG and GIF89a files.
// Operations keep the names of the picture operations the program is written against; a
// handle is a typed pointer owned by the library, nullptr meaning none. Every operation accepts
// nullptr and then does nothing (or returns nullptr, 0 or false). A picture may be used by one
// thread at a time; different pictures may be used by different threads at once.

#include <cstdint>
#include <memory>
#include <string>

namespace tavrine::imgctl {

class Dib;
using DibHandle = Dib*;

// COLORREF: red in the low byte, then green, then blue.
using ColorRef = uint32_t;

// Returns the COLORREF red + 256 * green + 65536 * blue of three channels, each 0 to 255.
inline ColorRef colourRef(int32_t red, int32_t green, int32_t blue) {
    return static_cast<ColorRef>(red) + 256u * static_cast<ColorRef>(green) +
           65536u * static_cast<ColorRef>(blue);
}

// Returns the COLORREF of a red, green and blue array such as a backdrop.
template <typename Channel>
ColorRef colourRef(const Channel (&channels)[3]) {
    return colourRef(channels[0], channels[1], channels[2]);
}

// The 40-byte BITMAPINFOHEADER, little-endian field for field.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;  // negative asks for a top-down layout; pictures stay bottom-up
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
    DibHandle picture = nullptr;  // an 8-bit picture
    uint16_t delay = 0;           // in 1/100 s
};

// Creates a zero-filled 24-bit picture of |width| x |height| pixels, stored bottom-up whatever
// the sign of the height; returns nullptr for a zero size, a side above 32768, a bit count
// other than 24 or memory refused.
DibHandle CreateDIB(const BitmapInfoHeader& header);

// Releases a picture; nullptr is ignored.
void DeleteDIB(DibHandle dib);

// Returns an independent copy of a picture (depth, palette and pixels), or nullptr when the
// memory for it is refused.
DibHandle CopyDIB(DibHandle dib);

// Fills a header with the picture's width, positive height, bit count, compression (BI_RLE8
// after DIBtoRLE), image size and palette entries; leaves it untouched for nullptr.
void HeadDIB(DibHandle dib, BitmapInfoHeader& header);

// Returns the picture's record, whose fourth field addresses the pixel rows; valid until the
// picture is converted, resized or deleted.
DibData* DataDIB(DibHandle dib);

// Copies the |width| x |height| rectangle at (sx, sy) of |source| to (tx, ty) of |target|, in
// image coordinates (row 0 at the top), clipped to both pictures; a 24-bit target takes any
// source, other targets only a source of the same depth (8-bit keeps the target's palette).
void PasteDIB(DibHandle target, int32_t tx, int32_t ty, int32_t width, int32_t height,
              DibHandle source, int32_t sx, int32_t sy);

// Returns the colour of pixel (x, y), y = 0 being the top row, as a COLORREF (16-bit channels
// widened by bit replication); 0 outside the picture.
ColorRef PixelDIB(DibHandle dib, int32_t x, int32_t y);

// Gives every pixel of an old colour the new colour, for |pairCount| (old, new) pairs applied in
// order; in an 8-bit picture the palette entries of the old colour change, in a 16-bit one the
// new colour keeps its top 5 bits per channel.
void RepaintDIB(DibHandle dib, const ColorRef* pairs, int32_t pairCount);

// Converts a picture in place to 16-bit 5-5-5 high colour, keeping the top 5 bits of each
// channel; returns false, leaving the picture as it was, when the memory for the converted
// picture is refused (or for nullptr).
bool DIBto16BitEx(DibHandle dib);

// Converts a picture in place to 8 bits with a palette of at most 256 colours, without
// dithering: a picture of at most 256 colours is kept exact, any other is quantised by Wu's
// variance cuts refined by k-means; the result depends only on the pixels. Returns false,
// leaving the picture as it was, when the memory for the reduction is refused (or for nullptr).
bool DIBto8Bit(DibHandle dib);

// Marks an 8-bit picture to be written run-length compressed (BI_RLE8) by DIBtoBMP; its pixels
// stay readable as before; other depths are left alone.
void DIBtoRLE(DibHandle dib);

// Converts a picture in place back to 24 bits (the library's own addition).
void DIBto24Bit(DibHandle dib);

// Writes a BMP file of the picture's depth (24, 16 as 5-5-5 BI_RGB, 8 with palette or
// BI_RLE8) as util::AtomicFile writes: through a temporary file beside |path| (a symbolic
// link followed) renamed over it, a device or FIFO written in place, "-" standard output;
// returns false and leaves no file on failure, with "cannot write PATH: REASON" in
// lastError().
bool DIBtoBMP(const std::string& path, DibHandle dib);

// Writes a PNG file: 24-bit RGB, 16-bit pictures as 8-bit RGB with sBIT 5,5,5, 8-bit as a
// palette PNG; same failure rules as DIBtoBMP.
bool DIBtoPNG(const std::string& path, DibHandle dib);

// Writes a GIF89a file of an 8-bit picture (any other depth is written from a quantised copy);
// same failure rules as DIBtoBMP.
bool DIBtoGIF(const std::string& path, DibHandle dib);

// Reads the first picture of a BMP (24, 16, 8-bit, RLE8), PNG or GIF file, recognised by its
// signature; sources stored with a palette (GIF, 8-bit BMP, palette PNG) give 8-bit pictures
// with that palette, every other gives a 24-bit picture. Returns nullptr, never aborting, for a
// file that cannot be read, is truncated or malformed, declares a size above 8192 x 8192 or
// more pixels than its data can hold (refused before the picture is made), or has pixels that
// index past its palette; lastError() then says why ("cannot read x.png: truncated after row
// 12"). A picture it returns writes and reads back with the same colours.
DibHandle ToDIB(const std::string& path);

// Writes an animated GIF89a that loops forever, one image per frame in array order, each with
// its own local palette and its delay in 1/100 s; frames that are not 8-bit are written from a
// quantised copy; the frames stay the caller's to release. Same failure rules as DIBtoBMP.
bool DIBtoGIFAniEx(const std::string& path, const GifFrame* frames, int32_t frameCount);

// Scales a picture to |width| x |height| by area averaging, truncating each channel's weighted
// mean (an exact 2:1 shrink gives the sum of each 2x2 block divided by 4); the result is
// 24-bit; a non-positive or oversized target size leaves the picture unchanged.
void ResizeDIB(DibHandle dib, int32_t width, int32_t height);

// Writes one pixel of a 24-bit picture's rows when 0 <= column < width and 0 <= row < height
// (image row r is stored row height-1-r); returns whether it wrote.
bool setImagePixel(uint8_t* rows, int32_t width, int32_t height, int32_t column, int32_t row,
                   ColorRef colour);

// Writes image row `row` (0 <= row < height) of a 24-bit picture's rows whole, from the width
// colours in column order; as setImagePixel for each column, without its checks per pixel.
void setImageRow(uint8_t* rows, int32_t width, int32_t height, int32_t row,
                 const ColorRef* colours);

// Writes a BMP file as DIBtoBMP does and puts the reason of a failure in |error|.
bool DIBtoBMP(const std::string& path, DibHandle dib, std::string* error);

// Writes a PNG file as DIBtoPNG does and puts the reason of a failure in |error|.
bool DIBtoPNG(const std::string& path, DibHandle dib, std::string* error);

// Writes a GIF file as DIBtoGIF does and puts the reason of a failure in |error|.
bool DIBtoGIF(const std::string& path, DibHandle dib, std::string* error);

// Writes an animated GIF as DIBtoGIFAniEx does and puts the reason of a failure in |error|.
bool DIBtoGIFAniEx(const std::string& path, const GifFrame* frames, int32_t frameCount,
                   std::string* error);

// Returns the message of this thread's last failed write or read ("cannot write /x/y.png:
// ..."); empty before any failure.
const std::string& lastError();

// Returns the peak signal-to-noise ratio in dB of picture |b| against |a| over the three colour
// channels (infinity when equal, NaN when the sizes differ or a handle is nullptr).
double picturePsnr(DibHandle a, DibHandle b);

// Releases a picture held by a DibPtr.
struct DibDeleter {
    // Releases the picture.
    void operator()(Dib* dib) const { DeleteDIB(dib); }
};

// Owns a picture and releases it when it goes out of scope.
using DibPtr = std::unique_ptr<Dib, DibDeleter>;

}  // namespace tavrine::imgctl
