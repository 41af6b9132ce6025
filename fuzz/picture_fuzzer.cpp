// ToDIB, the reader that picks the BMP, PNG or GIF decoder by a file's first bytes: a file
// without one of the three signatures is refused as such, a refusal names the file and says
// why, an accepted picture is the one its format's decoder gives for the same bytes (GIF always
// 8-bit), the public queries agree with it, and it writes through DIBtoBMP and DIBtoPNG and
// reads back through ToDIB with the same colours.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "imgctl/codecs.h"
#include "imgctl/imgctl.h"

using namespace tavrine;

namespace {

enum class Kind { None, Bmp, Png, Gif };

Kind kindOf(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return Kind::Bmp;
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return Kind::Png;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return Kind::Gif;
    return Kind::None;
}

bool sameColours(const imgctl::Dib& a, const imgctl::Dib& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int32_t r = 0; r < a.height; ++r) {
        for (int32_t x = 0; x < a.width; ++x) {
            if (a.colourAt(x, r) != b.colourAt(x, r)) return false;
        }
    }
    return true;
}

// Writes the picture with a public writer and reads it back with ToDIB.
void requireRoundTrip(const imgctl::Dib& dib, bool png, const std::string& path) {
    auto* handle = const_cast<imgctl::Dib*>(&dib);
    const bool wrote = png ? imgctl::DIBtoPNG(path, handle) : imgctl::DIBtoBMP(path, handle);
    fuzz::require(wrote, "an accepted picture writes: " + imgctl::lastError());
    const imgctl::DibPtr back(imgctl::ToDIB(path));
    std::remove(path.c_str());
    fuzz::require(back != nullptr, "a written picture reads back: " + imgctl::lastError());
    fuzz::require(back->bitCount == dib.bitCount, "the depth survives the round trip");
    fuzz::require(sameColours(dib, *back),
                  png ? "same colours through PNG" : "same colours through BMP");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::scratchPath("picture");
    static const std::string bmpPath = fuzz::scratchPath("picture-back.bmp");
    static const std::string pngPath = fuzz::scratchPath("picture-back.png");
    fuzz::writeScratch(path, data, size);

    const Kind kind = kindOf(data, size);
    const imgctl::DibPtr dib(imgctl::ToDIB(path));
    if (dib == nullptr) {
        const std::string& error = imgctl::lastError();
        const std::string prefix = "cannot read " + path + ": ";
        fuzz::require(error.size() > prefix.size() && error.compare(0, prefix.size(), prefix) == 0,
                      "a refusal names the file and says why: " + error);
        if (kind == Kind::None) {
            fuzz::require(
                error == prefix + (size == 0 ? "the file is empty" : "not a BMP, PNG or GIF file"),
                "a file of no known signature is refused as such: " + error);
        }
        return 0;
    }
    fuzz::require(kind != Kind::None, "only a BMP, PNG or GIF signature is read");
    fuzz::require(dib->width > 0 && dib->height > 0 && dib->width <= imgctl::kMaxReadSide &&
                      dib->height <= imgctl::kMaxReadSide,
                  "size bound");
    fuzz::require(dib->bitCount == 24 || dib->bitCount == 8, "a read picture is 24 or 8-bit");
    if (kind == Kind::Gif) fuzz::require(dib->bitCount == 8, "a GIF gives an 8-bit picture");

    // The decoder of the signature's format gives the same picture from the same bytes.
    const std::vector<uint8_t> bytes(data, data + size);
    std::string reason;
    const std::unique_ptr<imgctl::Dib> direct =
        kind == Kind::Bmp   ? imgctl::decodeBmp(bytes, &reason)
        : kind == Kind::Png ? imgctl::decodePng(bytes, &reason)
                            : imgctl::decodeGif(bytes, &reason);
    fuzz::require(direct != nullptr, "the format's decoder accepts it too: " + reason);
    fuzz::require(direct->bitCount == dib->bitCount && sameColours(*direct, *dib),
                  "ToDIB gives the format decoder's picture");

    // The public queries describe the same picture (PixelDIB counts rows from the top).
    imgctl::BitmapInfoHeader header;
    imgctl::HeadDIB(dib.get(), header);
    fuzz::require(header.width == dib->width && header.height == dib->height &&
                      header.bitCount == dib->bitCount,
                  "HeadDIB");
    const int32_t w = dib->width;
    const int32_t h = dib->height;
    const int32_t corners[4][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (const auto& c : corners) {
        fuzz::require(imgctl::PixelDIB(dib.get(), c[0], c[1]) == dib->colourAt(c[0], h - 1 - c[1]),
                      "PixelDIB");
    }

    // The round trips of large pictures would only slow the search down.
    if (int64_t{w} * h > (int64_t{1} << 16)) return 0;
    requireRoundTrip(*dib, false, bmpPath);
    requireRoundTrip(*dib, true, pngPath);
    return 0;
}
