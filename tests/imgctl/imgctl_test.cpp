// Pictures in memory: layout, pixels, copies, pasting, repainting, resizing and depths.

#include "imgctl/imgctl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/imgctl/test_support.h"

namespace tavrine::imgctl {
namespace {

using testing::newPicture;
using testing::rgb;

TEST(CreateDib, NegativeHeightIsStoredBottomUp) {
    DibPtr dib(newPicture(5, 3));
    ASSERT_NE(dib, nullptr);
    DibData* data = DataDIB(dib.get());
    EXPECT_EQ(data->width, 5);
    EXPECT_EQ(data->height, 3);
    EXPECT_EQ(data->bitCount, 24);
    ASSERT_TRUE(setImagePixel(data->rows, 5, 3, 1, 0, rgb(10, 20, 30)));
    // Image row 0 (the top) is the last stored row; bytes are blue, green, red.
    const uint8_t* top = data->rows + 2 * data->stride + 3;
    EXPECT_EQ(top[0], 30);
    EXPECT_EQ(top[1], 20);
    EXPECT_EQ(top[2], 10);
    EXPECT_EQ(PixelDIB(dib.get(), 1, 0), rgb(10, 20, 30));
    // Stored row 0 is the bottom of the picture.
    ASSERT_TRUE(setImagePixel(data->rows, 5, 3, 0, 2, rgb(1, 2, 3)));
    EXPECT_EQ(data->rows[0], 3);
    EXPECT_EQ(data->rows[2], 1);
}

TEST(CreateDib, PositiveHeightHasTheSameLayout) {
    BitmapInfoHeader head;
    head.width = 4;
    head.height = 2;
    DibPtr dib(CreateDIB(head));
    ASSERT_NE(dib, nullptr);
    DibData* data = DataDIB(dib.get());
    setImagePixel(data->rows, 4, 2, 0, 1, rgb(9, 8, 7));
    EXPECT_EQ(data->rows[2], 9);
    EXPECT_EQ(PixelDIB(dib.get(), 0, 1), rgb(9, 8, 7));
}

TEST(CreateDib, RejectsSizesAndDepthsItCannotHold) {
    BitmapInfoHeader head;
    head.width = 0;
    head.height = -10;
    EXPECT_EQ(CreateDIB(head), nullptr);
    head.width = 10;
    head.height = 0;
    EXPECT_EQ(CreateDIB(head), nullptr);
    head.height = -10;
    head.bitCount = 8;
    EXPECT_EQ(CreateDIB(head), nullptr);
    head.bitCount = 24;
    head.width = 1 << 20;
    EXPECT_EQ(CreateDIB(head), nullptr);
    head.width = 30000;
    head.height = -30000;  // each side allowed, but 900 megapixels is not
    EXPECT_EQ(CreateDIB(head), nullptr);
}

TEST(CreateDib, PicturesStartBlack) {
    DibPtr dib(newPicture(7, 7));
    const DibData* data = DataDIB(dib.get());
    for (int32_t i = 0; i < data->stride * 7; ++i) ASSERT_EQ(data->rows[i], 0) << i;
}

class RowPadding : public ::testing::TestWithParam<int32_t> {};

TEST_P(RowPadding, RowsArePaddedToFourBytesAndPaddingStaysZero) {
    const int32_t width = GetParam(), height = 3;
    DibPtr dib(newPicture(width, height));
    DibData* data = DataDIB(dib.get());
    const int32_t expected = (width * 3 + 3) / 4 * 4;
    EXPECT_EQ(data->stride, expected);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            ASSERT_TRUE(setImagePixel(data->rows, width, height, x, y, 0xFFFFFF));
        }
    }
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t k = 0; k < expected; ++k) {
            const uint8_t v = data->rows[r * expected + k];
            EXPECT_EQ(v, k < width * 3 ? 0xFF : 0) << "stored row " << r << " byte " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, RowPadding, ::testing::Values(1, 2, 3, 4, 271));

TEST(SetImagePixel, WritesNothingOutsideThePicture) {
    DibPtr dib(newPicture(4, 4));
    DibData* data = DataDIB(dib.get());
    const std::vector<uint8_t> before(data->rows, data->rows + data->stride * 4);
    EXPECT_FALSE(setImagePixel(data->rows, 4, 4, -1, 0, 0xFFFFFF));
    EXPECT_FALSE(setImagePixel(data->rows, 4, 4, 0, -1, 0xFFFFFF));
    EXPECT_FALSE(setImagePixel(data->rows, 4, 4, 4, 0, 0xFFFFFF));
    EXPECT_FALSE(setImagePixel(data->rows, 4, 4, 0, 4, 0xFFFFFF));
    EXPECT_EQ(std::vector<uint8_t>(data->rows, data->rows + data->stride * 4), before);
    EXPECT_TRUE(setImagePixel(data->rows, 4, 4, 3, 3, 0xFFFFFF));
    EXPECT_EQ(PixelDIB(dib.get(), 3, 3), 0xFFFFFFu);
}

TEST(PixelDib, ReadsZeroOutsideAndForNoPicture) {
    DibPtr dib(newPicture(2, 2));
    setImagePixel(DataDIB(dib.get())->rows, 2, 2, 1, 1, rgb(5, 6, 7));
    EXPECT_EQ(PixelDIB(dib.get(), 1, 1), rgb(5, 6, 7));
    EXPECT_EQ(PixelDIB(dib.get(), 2, 1), 0u);
    EXPECT_EQ(PixelDIB(dib.get(), -1, 0), 0u);
    EXPECT_EQ(PixelDIB(nullptr, 0, 0), 0u);
}

TEST(CopyDib, CopyIsIndependent) {
    DibPtr dib(testing::renderLikePicture(16, rgb(1, 2, 3)));
    DibPtr copy(CopyDIB(dib.get()));
    testing::expectSamePixels(dib.get(), copy.get());
    EXPECT_NE(DataDIB(copy.get())->rows, DataDIB(dib.get())->rows);
    setImagePixel(DataDIB(copy.get())->rows, 16, 16, 0, 0, rgb(200, 0, 0));
    EXPECT_EQ(PixelDIB(dib.get(), 0, 0), rgb(1, 2, 3));
    DIBto8Bit(copy.get());
    EXPECT_EQ(DataDIB(dib.get())->bitCount, 24);
}

TEST(HeadDib, ReportsSizeAndDepth) {
    DibPtr dib(newPicture(10, 6));
    BitmapInfoHeader head;
    HeadDIB(dib.get(), head);
    EXPECT_EQ(head.size, 40u);
    EXPECT_EQ(head.width, 10);
    EXPECT_EQ(head.height, 6);
    EXPECT_EQ(head.bitCount, 24);
    EXPECT_EQ(head.sizeImage, 32u * 6);
    DIBto8Bit(dib.get());
    DIBtoRLE(dib.get());
    HeadDIB(dib.get(), head);
    EXPECT_EQ(head.bitCount, 8);
    EXPECT_EQ(head.compression, 1u);
    EXPECT_EQ(head.clrUsed, 1u);  // one colour, black
}

TEST(PasteDib, CopiesTheRectangleInImageCoordinates) {
    DibPtr source(testing::renderLikePicture(20, rgb(9, 9, 9)));
    DibPtr target(newPicture(8, 6));
    PasteDIB(target.get(), 1, 2, 5, 3, source.get(), 7, 11);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= 1 && x < 6 && y >= 2 && y < 5;
            const ColorRef want = inside ? PixelDIB(source.get(), x - 1 + 7, y - 2 + 11) : 0;
            EXPECT_EQ(PixelDIB(target.get(), x, y), want) << x << "," << y;
        }
    }
}

TEST(PasteDib, ClipsToBothPictures) {
    DibPtr source(testing::renderLikePicture(10, rgb(9, 9, 9)));
    DibPtr target(newPicture(4, 4));
    PasteDIB(target.get(), -2, -1, 100, 100, source.get(), 0, 0);
    EXPECT_EQ(PixelDIB(target.get(), 0, 0), PixelDIB(source.get(), 2, 1));
    EXPECT_EQ(PixelDIB(target.get(), 3, 3), PixelDIB(source.get(), 5, 4));
    PasteDIB(target.get(), 0, 0, 4, 4, source.get(), 8, 8);  // only 2 x 2 exist
    EXPECT_EQ(PixelDIB(target.get(), 1, 1), PixelDIB(source.get(), 9, 9));
}

TEST(PasteDib, PastingAPictureOntoItselfReadsBeforeWriting) {
    DibPtr dib(testing::renderLikePicture(12, rgb(9, 9, 9)));
    DibPtr before(CopyDIB(dib.get()));
    PasteDIB(dib.get(), 1, 1, 11, 11, dib.get(), 0, 0);
    for (int32_t y = 1; y < 12; ++y) {
        for (int32_t x = 1; x < 12; ++x) {
            ASSERT_EQ(PixelDIB(dib.get(), x, y), PixelDIB(before.get(), x - 1, y - 1));
        }
    }
}

TEST(RepaintDib, ChangesEveryPixelOfTheOldColourOnly) {
    DibPtr dib(newPicture(3, 3));
    uint8_t* rows = DataDIB(dib.get())->rows;
    setImagePixel(rows, 3, 3, 0, 0, rgb(1, 1, 1));
    setImagePixel(rows, 3, 3, 2, 2, rgb(1, 1, 1));
    setImagePixel(rows, 3, 3, 1, 1, rgb(1, 1, 2));
    const ColorRef pair[2] = {rgb(1, 1, 1), rgb(50, 60, 70)};
    RepaintDIB(dib.get(), pair, 1);
    EXPECT_EQ(PixelDIB(dib.get(), 0, 0), rgb(50, 60, 70));
    EXPECT_EQ(PixelDIB(dib.get(), 2, 2), rgb(50, 60, 70));
    EXPECT_EQ(PixelDIB(dib.get(), 1, 1), rgb(1, 1, 2));
    EXPECT_EQ(PixelDIB(dib.get(), 1, 0), 0u);
}

TEST(RepaintDib, ChangesThePaletteOfAnEightBitPicture) {
    DibPtr dib(testing::fewColourPicture(8, 8, 5));
    const ColorRef old = PixelDIB(dib.get(), 2, 0);
    DIBto8Bit(dib.get());
    const ColorRef pair[2] = {old, rgb(250, 1, 2)};
    RepaintDIB(dib.get(), pair, 1);
    EXPECT_EQ(DataDIB(dib.get())->bitCount, 8);
    EXPECT_EQ(PixelDIB(dib.get(), 2, 0), rgb(250, 1, 2));
    EXPECT_EQ(PixelDIB(dib.get(), 7, 0), rgb(250, 1, 2));  // the same colour, 5 pixels on
    EXPECT_NE(PixelDIB(dib.get(), 3, 0), rgb(250, 1, 2));
}

TEST(ResizeDib, HalvingTakesTheTruncatedMeanOfEachTwoByTwoBlock) {
    DibPtr dib(newPicture(10, 6));
    std::mt19937 random(42);
    uint8_t* rows = DataDIB(dib.get())->rows;
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 10; ++x) setImagePixel(rows, 10, 6, x, y, random() & 0xFFFFFF);
    }
    DibPtr before(CopyDIB(dib.get()));
    ResizeDIB(dib.get(), 5, 3);  // rows of 15 and 30 bytes, both padded
    BitmapInfoHeader head;
    HeadDIB(dib.get(), head);
    ASSERT_EQ(head.width, 5);
    ASSERT_EQ(head.height, 3);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            for (int shift = 0; shift < 24; shift += 8) {
                uint32_t sum = 0;
                for (int32_t k = 0; k < 4; ++k) {
                    sum += (PixelDIB(before.get(), 2 * x + k % 2, 2 * y + k / 2) >> shift) & 0xFF;
                }
                EXPECT_EQ((PixelDIB(dib.get(), x, y) >> shift) & 0xFF, sum / 4)
                    << "pixel " << x << "," << y << " channel " << shift / 8;
            }
        }
    }
}

TEST(ResizeDib, OtherRatiosWeighByCoveredArea) {
    DibPtr dib(newPicture(3, 1));
    uint8_t* rows = DataDIB(dib.get())->rows;
    setImagePixel(rows, 3, 1, 0, 0, rgb(0, 0, 0));
    setImagePixel(rows, 3, 1, 1, 0, rgb(90, 90, 90));
    setImagePixel(rows, 3, 1, 2, 0, rgb(180, 181, 182));
    ResizeDIB(dib.get(), 2, 1);
    // Output pixel 0 covers pixel 0 and half of pixel 1: (0 * 2 + 90) / 3 = 30.
    EXPECT_EQ(PixelDIB(dib.get(), 0, 0), rgb(30, 30, 30));
    // Output pixel 1: (90 + 180 * 2) / 3 = 150, (90 + 362) / 3 = 150, (90 + 364) / 3 = 151.
    EXPECT_EQ(PixelDIB(dib.get(), 1, 0), rgb(150, 150, 151));
}

TEST(ResizeDib, EnlargingRepeatsPixelsAndBadSizesChangeNothing) {
    DibPtr dib(testing::renderLikePicture(4, rgb(3, 4, 5)));
    DibPtr before(CopyDIB(dib.get()));
    ResizeDIB(dib.get(), 0, 8);
    ResizeDIB(dib.get(), 8, -1);
    testing::expectSamePixels(before.get(), dib.get());
    ResizeDIB(dib.get(), 8, 8);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            ASSERT_EQ(PixelDIB(dib.get(), x, y), PixelDIB(before.get(), x / 2, y / 2));
        }
    }
}

TEST(DibTo16Bit, KeepsTheTopFiveBitsOfEachChannel) {
    DibPtr dib(newPicture(3, 1));
    uint8_t* rows = DataDIB(dib.get())->rows;
    setImagePixel(rows, 3, 1, 0, 0, rgb(255, 7, 8));
    setImagePixel(rows, 3, 1, 1, 0, rgb(0x84, 0x45, 0xFB));
    setImagePixel(rows, 3, 1, 2, 0, rgb(0, 0, 0));
    DIBto16BitEx(dib.get());
    const DibData* data = DataDIB(dib.get());
    EXPECT_EQ(data->bitCount, 16);
    EXPECT_EQ(data->stride, 8);
    auto stored = [&](int x) { return data->rows[x * 2] | (data->rows[x * 2 + 1] << 8); };
    EXPECT_EQ(stored(0), (31 << 10) | (0 << 5) | 1);
    EXPECT_EQ(stored(1), (16 << 10) | (8 << 5) | 31);
    EXPECT_EQ(stored(2), 0);
    // Read back, each 5-bit channel is widened by bit replication.
    EXPECT_EQ(PixelDIB(dib.get(), 0, 0), rgb(255, 0, 8));
    EXPECT_EQ(PixelDIB(dib.get(), 1, 0), rgb(0x84, 0x42, 0xFF));
}

}  // namespace
}  // namespace tavrine::imgctl
