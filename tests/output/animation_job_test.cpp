#include "app/output/animation_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/output/file_names.h"
#include "imgctl/imgctl.h"
#include "tests/support/byte_files.h"
#include "tests/support/gif_frames.h"

namespace tavrine {
namespace {

namespace fs = std::filesystem;

// The single colour of generated frame k.
imgctl::ColorRef frameColour(int32_t k) {
    return static_cast<imgctl::ColorRef>((k * 37) & 0xFF) |
           (static_cast<imgctl::ColorRef>((k * 11) & 0xFF) << 8) |
           (static_cast<imgctl::ColorRef>(k / 2) << 16);
}

// Writes frames 0 to n - 1 of a capture as one-colour pictures of side pixels (with a corner
// pixel of another colour), as GIF or PNG files.
void writeFrames(const std::string& base, int32_t n, int32_t side, const char* extension) {
    for (int32_t k = 0; k < n; ++k) {
        imgctl::BitmapInfoHeader head;
        head.width = side;
        head.height = -side;
        imgctl::DibPtr picture(imgctl::CreateDIB(head));
        imgctl::DibData* data = imgctl::DataDIB(picture.get());
        for (int32_t y = 0; y < side; ++y) {
            for (int32_t x = 0; x < side; ++x) {
                imgctl::setImagePixel(data->rows, side, side, x, y,
                                      x == 0 && y == 0 ? 0xFFFFFF : frameColour(k));
            }
        }
        const std::string path = frameFileName(base, k, n, extension);
        if (std::string(extension) == ".gif") {
            imgctl::DIBto8Bit(picture.get());
            ASSERT_TRUE(imgctl::DIBtoGIF(path, picture.get())) << imgctl::lastError();
        } else {
            ASSERT_TRUE(imgctl::DIBtoPNG(path, picture.get())) << imgctl::lastError();
        }
    }
}

// Counts the progress reports.
class Counter : public AnimationObserver {
  public:
    void progress(int32_t i, int32_t) override { last = i, ++reports; }
    bool abortRequested() override { return reports > stopAfter; }
    int32_t reports = 0;
    int32_t last = -1;
    int32_t stopAfter = 1 << 30;
};

TEST(Animation, ClockwiseStartsWithTheLastFrameAndEveryFrameHasTheDelay) {
    tavrine::test::TempFolder folder("tavrine-ani");
    const std::string base = folder.file("turn");
    writeFrames(base, 128, 6, ".gif");
    AnimationRequest request;
    request.frameBase = base;
    request.frameCount = 128;
    request.timeWeight = 9;
    request.clockwise = true;
    request.outputPath = animationOutputName(base) + ".gif";
    Counter counter;
    const AnimationResult result = compileAnimation(request, counter);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(counter.reports, 129);
    EXPECT_EQ(counter.last, 128);
    EXPECT_EQ(request.outputPath, folder.file("turn_ANI.gif"));

    bool ok = false;
    const std::vector<test::GifFrameColours> frames = test::readGifFrames(request.outputPath, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(frames.size(), 128u);
    for (int32_t i = 0; i < 128; ++i) {
        EXPECT_EQ(frames[static_cast<size_t>(i)].delay, 9) << "frame " << i;
        EXPECT_EQ(frames[static_cast<size_t>(i)].colours[1], frameColour(127 - i)) << "frame " << i;
        EXPECT_EQ(frames[static_cast<size_t>(i)].colours[0], 0xFFFFFFu) << "frame " << i;
    }
}

TEST(Animation, LosslessFramesAreReducedOneAtATimeInCaptureOrder) {
    tavrine::test::TempFolder folder("tavrine-ani");
    const std::string base = folder.file("video");
    writeFrames(base, 11, 5, ".png");
    AnimationRequest request;
    request.frameBase = base;
    request.frameExtension = ".png";
    request.frameCount = 11;
    request.timeWeight = 100000;  // beyond what a GIF delay holds
    request.outputPath = folder.file("out.gif");
    Counter counter;
    ASSERT_TRUE(compileAnimation(request, counter).ok);
    bool ok = false;
    const auto frames = test::readGifFrames(request.outputPath, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames[0].delay, 65535);
    EXPECT_EQ(frames[10].colours[3], frameColour(10));
}

TEST(Animation, AMissingOrHostileFrameStopsTheCompileAndWritesNothing) {
    tavrine::test::TempFolder folder("tavrine-ani");
    const std::string base = folder.file("gem");
    writeFrames(base, 12, 4, ".gif");
    AnimationRequest request;
    request.frameBase = base;
    request.frameCount = 12;
    request.outputPath = folder.file("gem.gif");
    test::writeBytes(request.outputPath, {'o', 'l', 'd'});

    const std::string missing = frameFileName(base, 5, 12);
    fs::remove(missing);
    Counter counter;
    AnimationResult result = compileAnimation(request, counter);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, missingFrameText(missing));
    EXPECT_EQ(result.failedFrame, missing);
    EXPECT_EQ(counter.last, 5) << "the last report carries the frame the loop stopped at";
    EXPECT_EQ(test::readBytes(request.outputPath), (std::vector<uint8_t>{'o', 'l', 'd'}));

    // A file that claims to be a GIF but is not one, and a frame of another size.
    writeFrames(base, 12, 4, ".gif");
    test::writeBytes(frameFileName(base, 3, 12),
                     {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0x7F, 0xFF, 0x7F, 0xF7, 0, 0});
    result = compileAnimation(request, counter);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find(frameFileName(base, 3, 12)), std::string::npos) << result.reason;
    // A truncated PNG that declares a picture of 16384 x 16384 is refused from its header.
    std::vector<uint8_t> png = {0x89, 'P', 'N',  'G', '\r', '\n', 0x1A, '\n', 0,    0,
                                0,    13,  'I',  'H', 'D',  'R',  0,    0,    0x40, 0,
                                0,    0,   0x40, 0,   8,    2,    0,    0,    0};
    test::writeBytes(frameFileName(base, 3, 12), png);
    result = compileAnimation(request, counter);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("16384 x 16384 is larger"), std::string::npos) << result.reason;
    // So is a GIF whose small screen holds a huge first image.
    test::writeBytes(frameFileName(base, 3, 12),
                     {'G', 'I',  'F', '8', '9', 'a', 4,    0,    4,    0,    0x80, 0, 0,
                      0,   0,    0,   255, 255, 255, 0x21, 0xF9, 4,    0,    4,    0, 0,
                      0,   0x2C, 0,   0,   0,   0,   0x80, 0x3E, 0x80, 0x3E, 0});
    result = compileAnimation(request, counter);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("16000 x 16000 is larger"), std::string::npos) << result.reason;
    writeFrames(base, 12, 4, ".gif");
    writeFrames(folder.file("big"), 12, 8, ".gif");
    fs::copy_file(frameFileName(folder.file("big"), 7, 12), frameFileName(base, 7, 12),
                  fs::copy_options::overwrite_existing);
    result = compileAnimation(request, counter);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("8 x 8"), std::string::npos) << result.reason;

    // An abort leaves nothing either.
    writeFrames(base, 12, 4, ".gif");
    Counter stopping;
    stopping.stopAfter = 4;
    result = compileAnimation(request, stopping);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(test::readBytes(request.outputPath), (std::vector<uint8_t>{'o', 'l', 'd'}));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names.size(), 12u + 12u + 1u) << "no temporary file is left behind";
}

}  // namespace
}  // namespace tavrine
