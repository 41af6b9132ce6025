// BMP, PNG and GIF files: each written, read back through ToDIB, and its headers checked by a
// reader of our own (and by ImageMagick's identify where it is installed).

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "imgctl/imgctl.h"
#include "imgctl/png_filters.h"
#include "tests/imgctl/test_support.h"

namespace tavrine::imgctl {
namespace {

using testing::be32;
using testing::fileBytes;
using testing::le16;
using testing::le32;
using testing::rgb;
using testing::TempDir;

// The chunks of a PNG file by type (the first of each), checked for order and structure.
std::map<std::string, std::vector<uint8_t>> pngChunks(const std::vector<uint8_t>& b) {
    std::map<std::string, std::vector<uint8_t>> chunks;
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 8 || !std::equal(signature, signature + 8, b.begin())) return chunks;
    size_t at = 8;
    while (at + 12 <= b.size()) {
        const uint32_t length = be32(b, at);
        const std::string type(b.begin() + static_cast<long>(at) + 4,
                               b.begin() + static_cast<long>(at) + 8);
        if (at + 12 + length > b.size()) break;
        if (chunks.count(type) == 0) {
            chunks[type] = std::vector<uint8_t>(b.begin() + static_cast<long>(at) + 8,
                                                b.begin() + static_cast<long>(at + 8 + length));
        }
        at += 12 + length;
    }
    return chunks;
}

// What a GIF file's blocks say.
struct GifLayout {
    std::string version;
    uint32_t width = 0, height = 0;
    bool globalTable = false;
    uint32_t globalSize = 0;
    int loopCount = -1;  // from the NETSCAPE2.0 block; -1 when absent
    struct Frame {
        uint32_t delay = 0;
        bool hasControl = false;
        bool localTable = false;
        uint32_t localSize = 0;
        uint32_t width = 0, height = 0;
    };
    std::vector<Frame> frames;
    bool trailer = false;
};

// Walks the blocks of a GIF file.
GifLayout gifLayout(const std::vector<uint8_t>& b) {
    GifLayout g;
    if (b.size() < 13) return g;
    g.version.assign(b.begin(), b.begin() + 6);
    g.width = le16(b, 6);
    g.height = le16(b, 8);
    g.globalTable = (b[10] & 0x80) != 0;
    g.globalSize = 2u << (b[10] & 7);
    size_t at = 13 + (g.globalTable ? 3 * g.globalSize : 0);
    GifLayout::Frame pending;
    auto skipBlocks = [&](size_t pos) {
        while (pos < b.size() && b[pos] != 0) pos += 1 + b[pos];
        return pos + 1;
    };
    while (at < b.size()) {
        if (b[at] == 0x3B) {
            g.trailer = true;
            break;
        }
        if (b[at] == 0x21) {
            const uint8_t label = b.at(at + 1);
            const size_t first = at + 2;
            if (label == 0xFF && b.at(first) == 11 &&
                std::string(b.begin() + static_cast<long>(first) + 1,
                            b.begin() + static_cast<long>(first) + 12) == "NETSCAPE2.0") {
                const size_t sub = first + 12;
                if (b.at(sub) == 3 && b.at(sub + 1) == 1) g.loopCount = int(le16(b, sub + 2));
            }
            if (label == 0xF9 && b.at(first) == 4) {
                pending.hasControl = true;
                pending.delay = le16(b, first + 2);
            }
            at = skipBlocks(first);
            continue;
        }
        if (b[at] == 0x2C) {
            pending.width = le16(b, at + 5);
            pending.height = le16(b, at + 7);
            pending.localTable = (b.at(at + 9) & 0x80) != 0;
            pending.localSize = 2u << (b.at(at + 9) & 7);
            at += 10 + (pending.localTable ? 3 * pending.localSize : 0);
            at = skipBlocks(at + 1);  // the LZW code size, then the data blocks
            g.frames.push_back(pending);
            pending = GifLayout::Frame{};
            continue;
        }
        break;
    }
    return g;
}

// A picture of many colours to write.
DibHandle sample() { return testing::renderLikePicture(37, rgb(10, 200, 30), 5); }

TEST(BmpFile, TwentyFourBitRoundTripsExactly) {
    TempDir dir;
    DibPtr dib(sample());
    ASSERT_TRUE(DIBtoBMP(dir.file("a.bmp"), dib.get()));
    const auto b = fileBytes(dir.file("a.bmp"));
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(static_cast<int32_t>(le32(b, 18)), 37);
    EXPECT_EQ(static_cast<int32_t>(le32(b, 22)), 37);  // positive: bottom-up
    EXPECT_EQ(le16(b, 28), 24u);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(b.size(), 54u + 112u * 37u);
    // The first stored row is the bottom row of the picture.
    const ColorRef bottomLeft = PixelDIB(dib.get(), 0, 36);
    EXPECT_EQ(rgb(b[56], b[55], b[54]), bottomLeft);
    DibPtr back(ToDIB(dir.file("a.bmp")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(DataDIB(back.get())->bitCount, 24);
    testing::expectSamePixels(dib.get(), back.get());
}

TEST(BmpFile, SixteenBitIsFiveFiveFiveWithoutBitfields) {
    TempDir dir;
    DibPtr dib(sample());
    DibPtr original(CopyDIB(dib.get()));
    DIBto16BitEx(dib.get());
    ASSERT_TRUE(DIBtoBMP(dir.file("a.bmp"), dib.get()));
    const auto b = fileBytes(dir.file("a.bmp"));
    EXPECT_EQ(le16(b, 28), 16u);
    EXPECT_EQ(le32(b, 30), 0u);  // BI_RGB
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(b.size(), 54u + 76u * 37u);
    DibPtr back(ToDIB(dir.file("a.bmp")));
    ASSERT_NE(back, nullptr);
    for (int32_t y = 0; y < 37; ++y) {
        for (int32_t x = 0; x < 37; ++x) {
            const ColorRef o = PixelDIB(original.get(), x, y), r = PixelDIB(back.get(), x, y);
            ASSERT_EQ(o & 0xF8F8F8, r & 0xF8F8F8) << x << "," << y;
        }
    }
}

TEST(BmpFile, EightBitCarriesItsPalette) {
    TempDir dir;
    DibPtr dib(sample());
    DIBto8Bit(dib.get());
    const DibData* data = DataDIB(dib.get());
    ASSERT_TRUE(DIBtoBMP(dir.file("a.bmp"), dib.get()));
    const auto b = fileBytes(dir.file("a.bmp"));
    const uint32_t colours = static_cast<uint32_t>(data->paletteSize);
    EXPECT_EQ(le16(b, 28), 8u);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 46), colours);
    EXPECT_EQ(le32(b, 10), 54u + 4u * colours);
    for (uint32_t k = 0; k < colours * 4; ++k) ASSERT_EQ(b[54 + k], data->palette[k]) << k;
    DibPtr back(ToDIB(dir.file("a.bmp")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(DataDIB(back.get())->bitCount, 8);
    testing::expectSamePixels(dib.get(), back.get());
}

TEST(BmpFile, RunLengthCompressedIsSmallerAndReadsBackTheSame) {
    TempDir dir;
    DibPtr dib(testing::renderLikePicture(64, rgb(0, 0, 80), 2));
    DIBto8Bit(dib.get());
    ASSERT_TRUE(DIBtoBMP(dir.file("plain.bmp"), dib.get()));
    DIBtoRLE(dib.get());
    ASSERT_TRUE(DIBtoBMP(dir.file("rle.bmp"), dib.get()));
    const auto b = fileBytes(dir.file("rle.bmp"));
    EXPECT_EQ(le16(b, 28), 8u);
    EXPECT_EQ(le32(b, 30), 1u);  // BI_RLE8
    EXPECT_EQ(le32(b, 34), b.size() - le32(b, 10));
    EXPECT_LT(b.size(), fileBytes(dir.file("plain.bmp")).size());
    // The stream ends with the end-of-picture code.
    EXPECT_EQ(b[b.size() - 2], 0);
    EXPECT_EQ(b[b.size() - 1], 1);
    DibPtr back(ToDIB(dir.file("rle.bmp")));
    ASSERT_NE(back, nullptr);
    testing::expectSamePixels(dib.get(), back.get());
}

TEST(BmpFile, ReadsHandMadeRunLengthCodes) {
    // 6 x 2, palette black / red / green: bottom row as a run of 3 red then absolute green,
    // red, green; the end of the row, then a delta to column 3 of the top row, which gets two
    // greens.
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0};
    auto add32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    add32(40);
    add32(6);
    add32(2);
    b.insert(b.end(), {1, 0, 8, 0});
    add32(1);
    add32(0);
    add32(0);
    add32(0);
    add32(3);
    add32(0);
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0});
    b.insert(b.end(), {3, 1, 0, 3, 2, 1, 2, 0, 0, 0, 0, 2, 3, 0, 2, 2, 0, 1});
    TempDir dir;
    testing::writeBytes(dir.file("hand.bmp"), b);
    DibPtr back(ToDIB(dir.file("hand.bmp")));
    ASSERT_NE(back, nullptr);
    const ColorRef red = rgb(255, 0, 0), green = rgb(0, 255, 0);
    const ColorRef bottom[6] = {red, red, red, green, red, green};
    const ColorRef top[6] = {0, 0, 0, green, green, 0};
    for (int32_t x = 0; x < 6; ++x) {
        EXPECT_EQ(PixelDIB(back.get(), x, 1), bottom[x]) << x;
        EXPECT_EQ(PixelDIB(back.get(), x, 0), top[x]) << x;
    }
}

TEST(BmpFile, ReadsTopDownFiles) {
    TempDir dir;
    DibPtr dib(sample());
    ASSERT_TRUE(DIBtoBMP(dir.file("a.bmp"), dib.get()));
    auto b = fileBytes(dir.file("a.bmp"));
    // Flip the stored rows and make the height negative.
    const size_t stride = 112, offset = 54;
    std::vector<uint8_t> flipped(b);
    for (size_t r = 0; r < 37; ++r) {
        std::copy(b.begin() + static_cast<long>(offset + r * stride),
                  b.begin() + static_cast<long>(offset + (r + 1) * stride),
                  flipped.begin() + static_cast<long>(offset + (36 - r) * stride));
    }
    const uint32_t negative = static_cast<uint32_t>(-37);
    for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<uint8_t>(negative >> (8 * i));
    testing::writeBytes(dir.file("top.bmp"), flipped);
    DibPtr back(ToDIB(dir.file("top.bmp")));
    ASSERT_NE(back, nullptr);
    testing::expectSamePixels(dib.get(), back.get());
}

TEST(PngFile, TwentyFourBitRoundTripsExactly) {
    TempDir dir;
    DibPtr dib(sample());
    ASSERT_TRUE(DIBtoPNG(dir.file("a.png"), dib.get()));
    const auto chunks = pngChunks(fileBytes(dir.file("a.png")));
    ASSERT_EQ(chunks.count("IHDR"), 1u);
    const auto& ihdr = chunks.at("IHDR");
    EXPECT_EQ(be32(ihdr, 0), 37u);
    EXPECT_EQ(be32(ihdr, 4), 37u);
    EXPECT_EQ(ihdr[8], 8);  // bit depth
    EXPECT_EQ(ihdr[9], 2);  // RGB
    EXPECT_EQ(chunks.count("sBIT"), 0u);
    EXPECT_EQ(chunks.count("PLTE"), 0u);
    EXPECT_EQ(chunks.count("IEND"), 1u);
    DibPtr back(ToDIB(dir.file("a.png")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(DataDIB(back.get())->bitCount, 24);
    testing::expectSamePixels(dib.get(), back.get());
}

// A 24-bit PNG file of the picture as libpng writes it when left to its defaults, rows given red
// first; empty when libpng fails.
std::vector<uint8_t> libpngDefaultFile(DibHandle dib) {
    const DibData* d = DataDIB(dib);
    std::vector<std::vector<uint8_t>> rgbRows(static_cast<size_t>(d->height));
    std::vector<png_bytep> rows;
    for (int32_t y = 0; y < d->height; ++y) {
        for (int32_t x = 0; x < d->width; ++x) {
            const ColorRef c = PixelDIB(dib, x, y);
            rgbRows[y].insert(rgbRows[y].end(),
                              {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                               static_cast<uint8_t>(c >> 16)});
        }
        rows.push_back(rgbRows[y].data());
    }
    std::vector<uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(
            png, &bytes,
            [](png_structp p, png_bytep data, size_t n) {
                auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
                out->insert(out->end(), data, data + n);
            },
            nullptr);
        png_set_IHDR(png, info, static_cast<uint32_t>(d->width), static_cast<uint32_t>(d->height),
                     8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    } else {
        bytes.clear();
    }
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// A picture whose rows are, by turns, noise, ramps across and down, smooth diagonal shading and
// flat colour, so that each of the five row filters is the best for some rows.
DibHandle mixedRows(int32_t width, int32_t height, uint32_t seed) {
    DibHandle dib = testing::newPicture(width, height);
    std::mt19937 random(seed);
    for (int32_t y = 0; y < height; ++y) {
        const int kind = static_cast<int>(random() % 5);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t v[3];
            for (uint32_t c = 0; c < 3; ++c) {
                switch (kind) {
                case 0:
                    v[c] = random() % 256;
                    break;
                case 1:
                    v[c] = (x * (7 + c) + seed) % 256;
                    break;
                case 2:
                    v[c] = (y * (5 + c) + 40 * c) % 256;
                    break;
                case 3:
                    v[c] = (x * 3 + y * 2 + 17 * c + random() % 3) % 256;
                    break;
                default:
                    v[c] = 90 + 30 * c;
                    break;
                }
            }
            setImagePixel(DataDIB(dib)->rows, width, height, x, y, rgb(v[0], v[1], v[2]));
        }
    }
    return dib;
}

TEST(PngFile, TwentyFourBitFilesAreByteForByteWhatLibpngWritesByDefault) {
    // The rows' filters are chosen ahead and handed to libpng one row at a time; the files must
    // stay those libpng's own choice gives. Sizes cover the short rows, the first pixel and the
    // bytes left over after whole blocks of sixteen.
    TempDir dir;
    int used[5] = {};
    const int32_t sizes[][2] = {{2, 2}, {5, 3}, {6, 40}, {37, 37}, {101, 23}, {300, 64}};
    uint32_t seed = 1;
    for (const auto& size : sizes) {
        for (int k = 0; k < 2; ++k, ++seed) {
            DibPtr dib(k == 0 ? mixedRows(size[0], size[1], seed)
                              : testing::renderLikePicture(size[0], rgb(0, 0, 0), seed));
            ASSERT_TRUE(DIBtoPNG(dir.file("a.png"), dib.get()));
            EXPECT_EQ(fileBytes(dir.file("a.png")), libpngDefaultFile(dib.get()))
                << size[0] << " x " << size[1] << ", picture " << k;
            const DibData* d = DataDIB(dib.get());
            std::vector<uint8_t> above(static_cast<size_t>(d->width) * 3, 0);
            for (int32_t y = d->height - 1; y >= 0; --y) {
                const uint8_t* row = d->rows + static_cast<size_t>(y) * d->stride;
                ++used[leastSumFilter(row, above.data(), above.size(), 3)];
                above.assign(row, row + above.size());
            }
        }
    }
    for (int f = 0; f < 5; ++f) EXPECT_GT(used[f], 0) << "no row was given filter " << f;
}

TEST(PngFile, HighColourIsRgbWithFiveSignificantBits) {
    TempDir dir;
    DibPtr dib(sample());
    DibPtr original(CopyDIB(dib.get()));
    DIBto16BitEx(dib.get());
    ASSERT_TRUE(DIBtoPNG(dir.file("a.png"), dib.get()));
    const auto chunks = pngChunks(fileBytes(dir.file("a.png")));
    ASSERT_EQ(chunks.count("IHDR"), 1u);
    EXPECT_EQ(chunks.at("IHDR")[8], 8);
    EXPECT_EQ(chunks.at("IHDR")[9], 2);
    ASSERT_EQ(chunks.count("sBIT"), 1u);
    EXPECT_EQ(chunks.at("sBIT"), (std::vector<uint8_t>{5, 5, 5}));
    DibPtr back(ToDIB(dir.file("a.png")));
    ASSERT_NE(back, nullptr);
    for (int32_t y = 0; y < 37; ++y) {
        for (int32_t x = 0; x < 37; ++x) {
            const ColorRef o = PixelDIB(original.get(), x, y);
            ColorRef want = 0;
            for (int s = 0; s < 24; s += 8) {
                const uint32_t five = ((o >> s) & 0xFF) >> 3;
                want |= ((five << 3) | (five >> 2)) << s;
            }
            ASSERT_EQ(PixelDIB(back.get(), x, y), want) << x << "," << y;
        }
    }
}

TEST(PngFile, PaletteFileHoldsTheQuantisedPicture) {
    TempDir dir;
    DibPtr dib(sample());
    DIBto8Bit(dib.get());
    const DibData* data = DataDIB(dib.get());
    ASSERT_TRUE(DIBtoPNG(dir.file("a.png"), dib.get()));
    const auto chunks = pngChunks(fileBytes(dir.file("a.png")));
    EXPECT_EQ(chunks.at("IHDR")[8], 8);
    EXPECT_EQ(chunks.at("IHDR")[9], 3);
    ASSERT_EQ(chunks.count("PLTE"), 1u);
    const auto& plte = chunks.at("PLTE");
    ASSERT_EQ(plte.size(), 3u * static_cast<size_t>(data->paletteSize));
    for (int32_t k = 0; k < data->paletteSize; ++k) {
        EXPECT_EQ(plte[3 * k], data->palette[4 * k + 2]);
        EXPECT_EQ(plte[3 * k + 1], data->palette[4 * k + 1]);
        EXPECT_EQ(plte[3 * k + 2], data->palette[4 * k]);
    }
    DibPtr back(ToDIB(dir.file("a.png")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(DataDIB(back.get())->bitCount, 8);
    testing::expectSamePixels(dib.get(), back.get());
}

TEST(GifFile, IsGif89aWithTheGlobalPalette) {
    TempDir dir;
    DibPtr dib(sample());
    DIBto8Bit(dib.get());
    const int32_t colours = DataDIB(dib.get())->paletteSize;
    ASSERT_TRUE(DIBtoGIF(dir.file("a.gif"), dib.get()));
    const GifLayout g = gifLayout(fileBytes(dir.file("a.gif")));
    EXPECT_EQ(g.version, "GIF89a");
    EXPECT_EQ(g.width, 37u);
    EXPECT_EQ(g.height, 37u);
    EXPECT_TRUE(g.globalTable);
    EXPECT_GE(g.globalSize, static_cast<uint32_t>(colours));
    EXPECT_LT(g.globalSize / 2, static_cast<uint32_t>(std::max(colours, 2)));
    ASSERT_EQ(g.frames.size(), 1u);
    EXPECT_FALSE(g.frames[0].localTable);
    EXPECT_TRUE(g.trailer);
    DibPtr back(ToDIB(dir.file("a.gif")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(DataDIB(back.get())->bitCount, 8);
    testing::expectSamePixels(dib.get(), back.get());
}

TEST(GifFile, TwentyFourBitPicturesAreWrittenFromAQuantisedCopy) {
    TempDir dir;
    DibPtr dib(sample());
    DibPtr reduced(CopyDIB(dib.get()));
    DIBto8Bit(reduced.get());
    ASSERT_TRUE(DIBtoGIF(dir.file("a.gif"), dib.get()));
    EXPECT_EQ(DataDIB(dib.get())->bitCount, 24);
    DibPtr back(ToDIB(dir.file("a.gif")));
    ASSERT_NE(back, nullptr);
    testing::expectSamePixels(reduced.get(), back.get());
}

TEST(AnimatedGif, LoopsForeverWithLocalPalettesAndDelays) {
    TempDir dir;
    std::vector<DibPtr> pictures;
    std::vector<GifFrame> frames;
    const uint16_t delays[3] = {4, 10, 300};
    for (uint32_t i = 0; i < 3; ++i) {
        pictures.emplace_back(testing::renderLikePicture(30, rgb(60 * i, 0, 90), 20 + i));
        DIBto8Bit(pictures.back().get());
        frames.push_back(GifFrame{pictures.back().get(), delays[i]});
    }
    ASSERT_TRUE(DIBtoGIFAniEx(dir.file("ani.gif"), frames.data(), 3));
    const GifLayout g = gifLayout(fileBytes(dir.file("ani.gif")));
    EXPECT_EQ(g.version, "GIF89a");
    EXPECT_EQ(g.width, 30u);
    EXPECT_EQ(g.height, 30u);
    EXPECT_FALSE(g.globalTable);
    EXPECT_EQ(g.loopCount, 0);  // 0 = forever
    ASSERT_EQ(g.frames.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(g.frames[i].hasControl) << i;
        EXPECT_EQ(g.frames[i].delay, delays[i]) << i;
        EXPECT_TRUE(g.frames[i].localTable) << i;
        EXPECT_GE(g.frames[i].localSize,
                  static_cast<uint32_t>(DataDIB(pictures[i].get())->paletteSize));
        EXPECT_EQ(g.frames[i].width, 30u);
    }
    EXPECT_TRUE(g.trailer);
    DibPtr first(ToDIB(dir.file("ani.gif")));
    ASSERT_NE(first, nullptr);
    testing::expectSamePixels(pictures[0].get(), first.get());
}

TEST(AnimatedGif, FramesReadBackByToDibMakeAnAnimation) {
    // The capture's path: frames saved as GIF files, read back as 8-bit pictures, joined.
    TempDir dir;
    std::vector<DibPtr> read;
    std::vector<GifFrame> frames;
    for (uint32_t i = 0; i < 2; ++i) {
        DibPtr frame(testing::renderLikePicture(24, rgb(0, 0, 0), 40 + i));
        DIBto8Bit(frame.get());
        const std::string name = dir.file("f" + std::to_string(i) + ".gif");
        ASSERT_TRUE(DIBtoGIF(name, frame.get()));
        read.emplace_back(ToDIB(name));
        ASSERT_NE(read.back(), nullptr);
        EXPECT_EQ(DataDIB(read.back().get())->bitCount, 8);
        frames.push_back(GifFrame{read.back().get(), 8});
    }
    ASSERT_TRUE(DIBtoGIFAniEx(dir.file("ani.gif"), frames.data(), 2));
    const GifLayout g = gifLayout(fileBytes(dir.file("ani.gif")));
    ASSERT_EQ(g.frames.size(), 2u);
    EXPECT_EQ(g.frames[1].delay, 8u);
}

TEST(FileFormats, ImageMagickAgreesOnEveryFile) {
    if (!testing::haveProgram("identify"))
        GTEST_SKIP() << "ImageMagick's identify is not installed";
    TempDir dir;
    DibPtr dib(sample());
    DibPtr high(CopyDIB(dib.get()));
    DIBto16BitEx(high.get());
    DibPtr low(CopyDIB(dib.get()));
    DIBto8Bit(low.get());
    ASSERT_TRUE(DIBtoBMP(dir.file("24.bmp"), dib.get()));
    ASSERT_TRUE(DIBtoBMP(dir.file("16.bmp"), high.get()));
    ASSERT_TRUE(DIBtoBMP(dir.file("8.bmp"), low.get()));
    ASSERT_TRUE(DIBtoPNG(dir.file("24.png"), dib.get()));
    ASSERT_TRUE(DIBtoPNG(dir.file("16.png"), high.get()));
    ASSERT_TRUE(DIBtoPNG(dir.file("8.png"), low.get()));
    ASSERT_TRUE(DIBtoGIF(dir.file("8.gif"), low.get()));
    DibPtr rle(CopyDIB(low.get()));
    DIBtoRLE(rle.get());
    ASSERT_TRUE(DIBtoBMP(dir.file("rle.bmp"), rle.get()));
    const GifFrame frames[2] = {{low.get(), 5}, {low.get(), 7}};
    ASSERT_TRUE(DIBtoGIFAniEx(dir.file("ani.gif"), frames, 2));
    const std::pair<const char*, const char*> expected[] = {
        {"24.bmp", "BMP3 37x37"},  {"16.bmp", "BMP3 37x37"}, {"8.bmp", "BMP3 37x37"},
        {"rle.bmp", "BMP3 37x37"}, {"24.png", "PNG 37x37"},  {"16.png", "PNG 37x37"},
        {"8.png", "PNG 37x37"},    {"8.gif", "GIF 37x37"},   {"ani.gif", "GIF 37x37GIF 37x37"}};
    for (const auto& [name, want] : expected) {
        const std::string out =
            testing::commandOutput("identify -format '%m %wx%h' " + dir.file(name) + " 2>&1");
        EXPECT_EQ(out, want) << name;
    }
    // The palette files are palette pictures to ImageMagick too, and it decodes the
    // run-length codes to the same pixels.
    for (const char* name : {"8.bmp", "rle.bmp", "8.png", "8.gif"}) {
        EXPECT_EQ(testing::commandOutput("identify -format '%r' " + dir.file(name))
                      .rfind("PseudoClass", 0),
                  0u)
            << name;
    }
    EXPECT_EQ(testing::commandOutput("compare -metric AE " + dir.file("8.png") + " " +
                                     dir.file("rle.bmp") + " null: 2>&1"),
              "0");
    // The compression and the delays as ImageMagick reads them.
    EXPECT_EQ(testing::commandOutput("identify -format '%C' " + dir.file("rle.bmp")), "RLE");
    EXPECT_EQ(testing::commandOutput("identify -format '%T,' " + dir.file("ani.gif")), "5,7,");
}

}  // namespace
}  // namespace tavrine::imgctl
