// The 256-colour reduction: exact for few colours, deterministic, and close to the picture.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "imgctl/imgctl.h"
#include "tests/imgctl/test_support.h"

namespace tavrine::imgctl {
namespace {

using testing::rgb;

// Expects every index of an 8-bit picture to name a palette entry.
void expectIndexesInPalette(DibHandle dib) {
    const DibData* data = DataDIB(dib);
    ASSERT_EQ(data->bitCount, 8);
    ASSERT_GE(data->paletteSize, 1);
    ASSERT_LE(data->paletteSize, 256);
    for (int32_t r = 0; r < data->height; ++r) {
        for (int32_t x = 0; x < data->width; ++x) {
            ASSERT_LT(data->rows[r * data->stride + x], data->paletteSize) << x << "," << r;
        }
    }
}

TEST(DibTo8Bit, KeepsPicturesOfAtMost256ColoursExact) {
    for (uint32_t count : {1u, 2u, 100u, 255u, 256u}) {
        DibPtr dib(testing::fewColourPicture(40, 30, count));
        DibPtr before(CopyDIB(dib.get()));
        DIBto8Bit(dib.get());
        expectIndexesInPalette(dib.get());
        EXPECT_EQ(DataDIB(dib.get())->paletteSize, static_cast<int32_t>(count));
        testing::expectSamePixels(before.get(), dib.get());
    }
}

TEST(DibTo8Bit, ReducesManyColoursTo256) {
    DibPtr dib(testing::fewColourPicture(64, 64, 4096));
    DibPtr before(CopyDIB(dib.get()));
    DIBto8Bit(dib.get());
    expectIndexesInPalette(dib.get());
    EXPECT_EQ(DataDIB(dib.get())->paletteSize, 256);
    std::set<ColorRef> used;
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) used.insert(PixelDIB(dib.get(), x, y));
    }
    EXPECT_GT(used.size(), 240u);  // no slot wasted on a duplicate or an unused colour
    // Better than the plain 6 x 7 x 6 grid of 252 colours.
    DibPtr grid(CopyDIB(before.get()));
    uint8_t* rows = DataDIB(grid.get())->rows;
    auto level = [](uint32_t v, uint32_t n) {
        const uint32_t step = (v * (n - 1) + 127) / 255;
        return step * 255 / (n - 1);
    };
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            const ColorRef c = PixelDIB(before.get(), x, y);
            setImagePixel(rows, 64, 64, x, y,
                          rgb(level(c & 0xFF, 6), level((c >> 8) & 0xFF, 7), level(c >> 16, 6)));
        }
    }
    EXPECT_GT(picturePsnr(before.get(), dib.get()), picturePsnr(before.get(), grid.get()) + 1.0);
}

TEST(DibTo8Bit, IsDeterministic) {
    DibPtr a(testing::renderLikePicture(96, rgb(12, 34, 56), 7));
    DibPtr b(CopyDIB(a.get()));
    DIBto8Bit(a.get());
    DIBto8Bit(b.get());
    const DibData* da = DataDIB(a.get());
    const DibData* db = DataDIB(b.get());
    ASSERT_EQ(da->paletteSize, db->paletteSize);
    EXPECT_EQ(std::memcmp(da->palette, db->palette, static_cast<size_t>(da->paletteSize) * 4), 0);
    EXPECT_EQ(std::memcmp(da->rows, db->rows, static_cast<size_t>(da->stride) * 96), 0);
}

TEST(DibTo8Bit, EveryPixelTakesItsNearestPaletteColour) {
    DibPtr dib(testing::renderLikePicture(64, rgb(0, 0, 0), 3));
    DibPtr before(CopyDIB(dib.get()));
    DIBto8Bit(dib.get());
    const DibData* data = DataDIB(dib.get());
    auto distance = [](ColorRef a, ColorRef b) {
        int64_t sum = 0;
        for (int s = 0; s < 24; s += 8) {
            const int64_t d = int64_t((a >> s) & 0xFF) - int64_t((b >> s) & 0xFF);
            sum += d * d;
        }
        return sum;
    };
    for (int32_t y = 0; y < 64; y += 3) {
        for (int32_t x = 0; x < 64; x += 3) {
            const ColorRef original = PixelDIB(before.get(), x, y);
            const int64_t got = distance(original, PixelDIB(dib.get(), x, y));
            for (int32_t k = 0; k < data->paletteSize; ++k) {
                const uint8_t* q = data->palette + k * 4;
                ASSERT_LE(got, distance(original, rgb(q[2], q[1], q[0])))
                    << "pixel " << x << "," << y << " palette entry " << k;
            }
        }
    }
}

TEST(DibTo8Bit, ConvertsSixteenBitPictures) {
    DibPtr dib(testing::renderLikePicture(32, rgb(40, 80, 120)));
    DIBto16BitEx(dib.get());
    DibPtr high(CopyDIB(dib.get()));
    DIBto8Bit(dib.get());
    expectIndexesInPalette(dib.get());
    EXPECT_GT(picturePsnr(high.get(), dib.get()), 30.0);
}

TEST(DibTo8Bit, IsAtLeastAsCloseAsImageMagick) {
    if (!testing::haveProgram("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed";
    testing::TempDir dir;
    DibPtr dib(testing::renderLikePicture(160, rgb(20, 30, 40), 11));
    ASSERT_TRUE(DIBtoPNG(dir.file("in.png"), dib.get()));
    ASSERT_FALSE(testing::commandOutput("convert " + dir.file("in.png") + " -colors 256 +dither " +
                                        dir.file("im.png") + " && echo ok")
                     .empty());
    DibPtr theirs(ToDIB(dir.file("im.png")));
    ASSERT_NE(theirs, nullptr);
    DibPtr ours(CopyDIB(dib.get()));
    DIBto8Bit(ours.get());
    const double psnrOurs = picturePsnr(dib.get(), ours.get());
    const double psnrTheirs = picturePsnr(dib.get(), theirs.get());
    EXPECT_GE(psnrOurs, psnrTheirs) << "ours " << psnrOurs << " dB, ImageMagick " << psnrTheirs;
}

TEST(PicturePsnr, MeasuresTheMeanSquaredErrorOverThreeChannels) {
    DibPtr a(testing::newPicture(2, 2));
    DibPtr b(testing::newPicture(2, 2));
    EXPECT_TRUE(std::isinf(picturePsnr(a.get(), b.get())));
    // One channel of one pixel off by 12: MSE = 144 / 12 = 12.
    setImagePixel(DataDIB(b.get())->rows, 2, 2, 0, 0, rgb(12, 0, 0));
    EXPECT_NEAR(picturePsnr(a.get(), b.get()), 10.0 * std::log10(255.0 * 255.0 / 12.0), 1e-9);
    DibPtr c(testing::newPicture(3, 2));
    EXPECT_TRUE(std::isnan(picturePsnr(a.get(), c.get())));
}

}  // namespace
}  // namespace tavrine::imgctl
