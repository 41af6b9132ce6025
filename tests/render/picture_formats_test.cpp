// Saving the render picture in the seven formats: trimming, conversion of a copy by filter
// index, the backdrop repair, and failures.

#include "app/render/picture_formats.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/imgctl/test_support.h"

namespace tavrine {
namespace {

using imgctl::ColorRef;
using imgctl::DibHandle;
using imgctl::DibPtr;
using imgctl::testing::fileBytes;
using imgctl::testing::le16;
using imgctl::testing::le32;
using imgctl::testing::rgb;
using imgctl::testing::TempDir;

// A picture whose every pixel tells its own position.
DibHandle positionPicture(int32_t size) {
    DibHandle dib = imgctl::testing::newPicture(size, size);
    uint8_t* rows = imgctl::DataDIB(dib)->rows;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            imgctl::setImagePixel(rows, size, size, x, y,
                                  rgb(x % 256, y % 256, 100 + x / 256 + 2 * (y / 256)));
        }
    }
    return dib;
}

// A picture of 4096 distinct colours with the backdrop colour in its top-left corner only, so
// that colour reduction cannot keep the corner exact.
DibHandle cornerPicture(ColorRef backdrop) {
    DibHandle dib = imgctl::testing::fewColourPicture(64, 64, 4096);
    imgctl::setImagePixel(imgctl::DataDIB(dib)->rows, 64, 64, 0, 0, backdrop);
    return dib;
}

TEST(PictureFormats, FilterTextsAndExtensionsInDialogOrder) {
    const std::vector<std::string> texts(kPictureFilterTexts.begin(), kPictureFilterTexts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Bitmap 24bit FullColor (*.bmp)", "Bitmap 16bit HighColor (*.bmp)",
                         "Bitmap 256 Colors (*.bmp)", "PNG 24bit FullColor (*.png)",
                         "PNG 16bit HighColor (*.png)", "PNG 256 Colors (*.png)",
                         "GIF 256 Colors (*.gif)"}));
    for (size_t i = 0; i < kPictureFilterTexts.size(); ++i) {
        const std::string pattern = kPictureFilterPatterns[i];
        EXPECT_EQ(pattern, std::string("*.") + kPictureExtensions[i]);
        EXPECT_NE(texts[i].find("(" + pattern + ")"), std::string::npos) << texts[i];
    }
    EXPECT_STREQ(kScreenShotDefaultExtension, "bmp");
    EXPECT_STREQ(kSaveScreenShotTitle, "Save Screen Shot");
    EXPECT_EQ(pictureFormatByName("bmp24"), 1);
    EXPECT_EQ(pictureFormatByName("png16"), 5);
    EXPECT_EQ(pictureFormatByName("gif"), 7);
    EXPECT_EQ(pictureFormatByName("gif8"), 0);
    EXPECT_EQ(pictureFormatByName(""), 0);
}

TEST(PictureFormats, TrimmingTenZeroFiveFiveOf270Gives260From5And10) {
    TempDir dir;
    DibPtr render(positionPicture(270));
    PictureTrimming trim;
    trim.top = 10;
    trim.bottom = 0;
    trim.left = 5;
    trim.right = 5;
    for (int32_t index : {1, 4}) {
        const std::string path = dir.file("trim" + std::to_string(index));
        const PictureSaveResult result = savePictureFile(render.get(), trim, index, 0, path);
        ASSERT_TRUE(result.ok) << result.message;
        DibPtr back(imgctl::ToDIB(path));
        ASSERT_NE(back, nullptr);
        imgctl::BitmapInfoHeader head;
        imgctl::HeadDIB(back.get(), head);
        EXPECT_EQ(head.width, 260);
        EXPECT_EQ(head.height, 260);
        for (int32_t y = 0; y < 260; ++y) {
            for (int32_t x = 0; x < 260; ++x) {
                ASSERT_EQ(imgctl::PixelDIB(back.get(), x, y),
                          imgctl::PixelDIB(render.get(), x + 5, y + 10))
                    << "format " << index << " pixel " << x << "," << y;
            }
        }
    }
}

TEST(PictureFormats, TrimmedPictureIsANewTwentyFourBitPicture) {
    DibPtr render(positionPicture(20));
    PictureTrimming trim;
    trim.bottom = 3;
    trim.right = 2;
    DibPtr trimmed(trimmedPicture(render.get(), trim));
    ASSERT_NE(trimmed, nullptr);
    imgctl::BitmapInfoHeader head;
    imgctl::HeadDIB(trimmed.get(), head);
    EXPECT_EQ(head.width, 18);
    EXPECT_EQ(head.height, 17);
    EXPECT_EQ(imgctl::PixelDIB(trimmed.get(), 17, 16), imgctl::PixelDIB(render.get(), 17, 16));
    trim.left = 18;
    EXPECT_EQ(trimmedPicture(render.get(), trim), nullptr);
    trim = PictureTrimming{};
    trim.top = -1;
    EXPECT_EQ(trimmedPicture(render.get(), trim), nullptr);
}

TEST(PictureFormats, FormatFollowsTheFilterIndexNotTheExtension) {
    TempDir dir;
    DibPtr render(imgctl::testing::renderLikePicture(40, rgb(0, 0, 0)));
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G'};
    ASSERT_TRUE(savePictureFile(render.get(), {}, 4, 0, dir.file("x.bmp")).ok);
    const auto b = fileBytes(dir.file("x.bmp"));
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 4), png);
    ASSERT_TRUE(savePictureFile(render.get(), {}, 1, 0, dir.file("x.png")).ok);
    EXPECT_EQ(fileBytes(dir.file("x.png"))[0], 'B');
    ASSERT_TRUE(savePictureFile(render.get(), {}, 7, 0, dir.file("x.jpg")).ok);
    const auto g = fileBytes(dir.file("x.jpg"));
    EXPECT_EQ(std::string(g.begin(), g.begin() + 6), "GIF89a");
}

TEST(PictureFormats, EachIndexWritesItsDepthAndLeavesTheRenderPictureAlone) {
    TempDir dir;
    const ColorRef backdrop = rgb(30, 40, 50);
    DibPtr render(imgctl::testing::renderLikePicture(50, backdrop, 4));
    DibPtr untouched(imgctl::CopyDIB(render.get()));
    DibPtr reduced(imgctl::CopyDIB(render.get()));
    imgctl::DIBto8Bit(reduced.get());
    for (int32_t index = 1; index <= kPictureFormatCount; ++index) {
        const std::string path = dir.file("f" + std::to_string(index));
        const PictureSaveResult result = savePictureFile(render.get(), {}, index, backdrop, path);
        ASSERT_TRUE(result.ok) << result.message;
        EXPECT_NE(result.message.find(path), std::string::npos);
        const auto b = fileBytes(path);
        switch (index) {
        case 1:
        case 2:
        case 3:
            EXPECT_EQ(le16(b, 28), index == 1 ? 24u : index == 2 ? 16u : 8u);
            EXPECT_EQ(le32(b, 30), 0u);  // never run-length compressed
            break;
        case 4:
        case 5:
        case 6:
            EXPECT_EQ(b.at(25), index == 6 ? 3 : 2);  // IHDR colour type
            EXPECT_EQ(std::string(b.begin(), b.end()).find("sBIT") != std::string::npos,
                      index == 5);
            break;
        default:
            EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
        }
        DibPtr back(imgctl::ToDIB(path));
        ASSERT_NE(back, nullptr);
        for (int32_t y = 0; y < 50; ++y) {
            for (int32_t x = 0; x < 50; ++x) {
                const ColorRef got = imgctl::PixelDIB(back.get(), x, y);
                const ColorRef original = imgctl::PixelDIB(render.get(), x, y);
                if (index == 1 || index == 4) {
                    ASSERT_EQ(got, original) << index;
                } else if (index == 2 || index == 5) {
                    ASSERT_EQ(got & 0xF8F8F8, original & 0xF8F8F8) << index;
                } else {
                    ASSERT_EQ(got, imgctl::PixelDIB(reduced.get(), x, y)) << index;
                }
            }
        }
        EXPECT_EQ(imgctl::DataDIB(render.get())->bitCount, 24);
        imgctl::testing::expectSamePixels(untouched.get(), render.get());
    }
}

TEST(BackdropRepair, RepaintsTheReducedCornerColourToTheBackdrop) {
    const ColorRef backdrop = rgb(101, 151, 199);
    DibPtr reduced(cornerPicture(backdrop));
    imgctl::DIBto8Bit(reduced.get());
    const ColorRef corner = imgctl::PixelDIB(reduced.get(), 0, 0);
    ASSERT_NE(corner, backdrop) << "the reduction kept the corner exact; the test needs it not to";
    DibPtr before(imgctl::CopyDIB(reduced.get()));
    EXPECT_TRUE(repairBackdrop(reduced.get(), backdrop));
    EXPECT_EQ(imgctl::PixelDIB(reduced.get(), 0, 0), backdrop);
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            const ColorRef was = imgctl::PixelDIB(before.get(), x, y);
            ASSERT_EQ(imgctl::PixelDIB(reduced.get(), x, y), was == corner ? backdrop : was);
        }
    }
    EXPECT_FALSE(repairBackdrop(reduced.get(), backdrop));  // already exact: nothing to do
}

TEST(BackdropRepair, EveryPaletteFormatSavesTheExactBackdropInTheCorner) {
    TempDir dir;
    const ColorRef backdrop = rgb(101, 151, 199);
    DibPtr render(cornerPicture(backdrop));
    DibPtr expected(imgctl::CopyDIB(render.get()));
    imgctl::DIBto8Bit(expected.get());
    const ColorRef corner = imgctl::PixelDIB(expected.get(), 0, 0);
    ASSERT_NE(corner, backdrop);
    for (int32_t index : {3, 6, 7}) {
        const std::string path = dir.file("r" + std::to_string(index));
        ASSERT_TRUE(savePictureFile(render.get(), {}, index, backdrop, path).ok);
        DibPtr back(imgctl::ToDIB(path));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(imgctl::PixelDIB(back.get(), 0, 0), backdrop) << index;
        for (int32_t y = 0; y < 64; ++y) {
            for (int32_t x = 0; x < 64; ++x) {
                const ColorRef q = imgctl::PixelDIB(expected.get(), x, y);
                ASSERT_EQ(imgctl::PixelDIB(back.get(), x, y), q == corner ? backdrop : q)
                    << "format " << index << " pixel " << x << "," << y;
            }
        }
    }
    // The full-colour and high-colour formats are not repaired.
    ASSERT_TRUE(savePictureFile(render.get(), {}, 5, rgb(0, 0, 0), dir.file("p5")).ok);
    DibPtr high(imgctl::ToDIB(dir.file("p5")));
    EXPECT_EQ(imgctl::PixelDIB(high.get(), 0, 0) & 0xF8F8F8, backdrop & 0xF8F8F8);
}

TEST(BackdropRepair, UsesTheTrimmedCorner) {
    TempDir dir;
    const ColorRef backdrop = rgb(101, 151, 199);
    DibPtr render(imgctl::testing::newPicture(70, 70));
    DibPtr inner(cornerPicture(backdrop));
    imgctl::PasteDIB(render.get(), 3, 2, 64, 64, inner.get(), 0, 0);
    PictureTrimming trim;
    trim.top = 2;
    trim.left = 3;
    trim.bottom = 4;
    trim.right = 3;
    ASSERT_TRUE(savePictureFile(render.get(), trim, 7, backdrop, dir.file("t.gif")).ok);
    DibPtr back(imgctl::ToDIB(dir.file("t.gif")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(imgctl::PixelDIB(back.get(), 0, 0), backdrop);
}

TEST(PictureFormats, BadRequestsFailWithThePathAndWriteNothing) {
    TempDir dir;
    DibPtr render(positionPicture(30));
    for (int32_t index : {0, 8, -1}) {
        const PictureSaveResult r = savePictureFile(render.get(), {}, index, 0, dir.file("a"));
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(dir.file("a")), std::string::npos) << r.message;
    }
    PictureTrimming all;
    all.left = 15;
    all.right = 15;
    PictureSaveResult r = savePictureFile(render.get(), all, 1, 0, dir.file("b"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(dir.file("b")), std::string::npos) << r.message;
    r = savePictureFile(nullptr, {}, 1, 0, dir.file("c"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(dir.names().empty());
    for (int32_t index = 1; index <= kPictureFormatCount; ++index) {
        const std::string path = dir.file("missing/folder/x");
        r = savePictureFile(render.get(), {}, index, 0, path);
        EXPECT_FALSE(r.ok) << index;
        EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
    }
    EXPECT_TRUE(dir.names().empty());
}

// Returns the virtual memory size of this process in bytes, 0 when unknown.
uint64_t virtualMemoryBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            uint64_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
    }
    return 0;
}

// Lowers this process's address space to limit bytes and saves the picture in the 16-bit and
// the 256-colour formats; returns 0 when both saves fail, saying why, and leave no file.
int saveUnderLimit(DibHandle picture, const std::string& folder, uint64_t limit) {
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
    int wrong = 0;
    for (int32_t index : {2, 5, 7}) {
        const std::string path = folder + "/x" + std::to_string(index);
        const PictureSaveResult r = savePictureFile(picture, {}, index, 0, path);
        if (r.ok || r.message.find("out of memory") == std::string::npos ||
            std::filesystem::exists(path)) {
            ++wrong;
        }
    }
    return wrong;
}

// Lowers this process's address space to limit bytes; returns 0 when CopyDIB then gives no
// picture.
int copyUnderLimit(DibHandle picture, uint64_t limit) {
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
    return imgctl::CopyDIB(picture) == nullptr ? 0 : 1;
}

TEST(PictureFormats, AConversionWithoutMemoryFailsInsteadOfWritingTwentyFourBits) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit below allows";
#else
    TempDir dir;
    DibPtr render(imgctl::testing::newPicture(4096, 4096));  // 48 MiB
    const uint64_t now = virtualMemoryBytes();
    ASSERT_GT(now, 0u);
    // Room for the 48 MiB copy, not for the 32 MiB 16-bit or the 16 MiB 8-bit picture beside it.
    const uint64_t limit = now + (uint64_t{60} << 20);
    EXPECT_EXIT(std::exit(saveUnderLimit(render.get(), dir.path(), limit)),
                ::testing::ExitedWithCode(0), "");
    // And with no room for the copy itself, CopyDIB gives no picture rather than throwing.
    EXPECT_EXIT(std::exit(copyUnderLimit(render.get(), now + (uint64_t{8} << 20))),
                ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace tavrine
