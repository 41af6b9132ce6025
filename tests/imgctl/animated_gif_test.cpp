#include "imgctl/animated_gif.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/imgctl/test_support.h"
#include "tests/support/gif_frames.h"

namespace tavrine::imgctl {
namespace {

using testing::TempDir;

// Returns the names in the folder (hidden temporary files included).
std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(AnimatedGifWriter, FramesOfEveryDepthComeBackWithTheirColoursAndDelays) {
    TempDir dir;
    DibPtr full(testing::renderLikePicture(24, testing::rgb(10, 20, 30), 3));
    DibPtr few(testing::fewColourPicture(24, 24, 5));
    DibPtr reduced(CopyDIB(few.get()));
    DIBto8Bit(reduced.get());
    AnimatedGifWriter writer;
    const std::string path = dir.file("anim.gif");
    ASSERT_TRUE(writer.open(path, 24, 24)) << writer.error();
    ASSERT_TRUE(writer.addFrame(reduced.get(), 0));
    ASSERT_TRUE(writer.addFrame(full.get(), 100));
    ASSERT_TRUE(writer.addFrame(few.get(), 65535));
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing at the target before finish()";
    ASSERT_TRUE(writer.finish()) << writer.error();
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"anim.gif"});

    bool ok = false;
    const std::vector<test::GifFrameColours> frames = test::readGifFrames(path, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].delay, 0);
    EXPECT_EQ(frames[1].delay, 100);
    EXPECT_EQ(frames[2].delay, 65535);
    for (const DibHandle exact : {reduced.get(), few.get()}) {
        const auto& frame = frames[exact == few.get() ? 2 : 0];
        for (int32_t y = 0; y < 24; ++y) {
            for (int32_t x = 0; x < 24; ++x) {
                ASSERT_EQ(frame.colours[static_cast<size_t>(y * 24 + x)], PixelDIB(exact, x, y))
                    << "pixel " << x << ", " << y;
            }
        }
    }
    // The library's own reader takes the first frame.
    DibPtr first(ToDIB(path));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(PixelDIB(first.get(), 3, 4), PixelDIB(reduced.get(), 3, 4));
}

TEST(AnimatedGifWriter, AWrongFrameOrADiscardLeavesTheTargetAsItWas) {
    TempDir dir;
    const std::string path = dir.file("anim.gif");
    testing::writeBytes(path, {'o', 'l', 'd'});
    DibPtr small(testing::fewColourPicture(8, 8, 3));
    DibPtr other(testing::fewColourPicture(9, 8, 3));
    AnimatedGifWriter writer;
    ASSERT_TRUE(writer.open(path, 8, 8));
    ASSERT_TRUE(writer.addFrame(small.get(), 4));
    EXPECT_FALSE(writer.addFrame(other.get(), 4));
    EXPECT_NE(writer.error().find("frame 1 is 9 x 8"), std::string::npos) << writer.error();
    EXPECT_FALSE(writer.finish());
    EXPECT_EQ(testing::fileBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);

    ASSERT_TRUE(writer.open(path, 8, 8));
    ASSERT_TRUE(writer.addFrame(small.get(), 4));
    writer.discard();
    EXPECT_EQ(testing::fileBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);

    EXPECT_FALSE(writer.open(dir.file("no-folder/anim.gif"), 8, 8));
    EXPECT_NE(writer.error().find("no-folder/anim.gif"), std::string::npos);
}

}  // namespace
}  // namespace tavrine::imgctl
