#include "app/output/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrine {
namespace {

TEST(FrameFileName, TenFramesUseOneDigit) {
    EXPECT_EQ(frameNumberWidth(10), 1);
    EXPECT_EQ(frameFileName("/caps/gem", 0, 10), "/caps/gem_F[0].gif");
    EXPECT_EQ(frameFileName("/caps/gem", 9, 10), "/caps/gem_F[9].gif");
}

TEST(FrameFileName, ElevenFramesUseTwoDigits) {
    EXPECT_EQ(frameNumberWidth(11), 2);
    EXPECT_EQ(frameFileName("/caps/gem", 0, 11), "/caps/gem_F[00].gif");
    EXPECT_EQ(frameFileName("/caps/gem", 10, 11), "/caps/gem_F[10].gif");
}

TEST(FrameFileName, TheDefault128FramesUseThreeDigits) {
    EXPECT_EQ(frameNumberWidth(128), 3);
    EXPECT_EQ(frameFileName("gem", 0, 128), "gem_F[000].gif");
    EXPECT_EQ(frameFileName("gem", 7, 128), "gem_F[007].gif");
    EXPECT_EQ(frameFileName("gem", 127, 128), "gem_F[127].gif");
}

TEST(FrameFileName, WidthsChangeWhereTheLastNumberGrowsADigit) {
    EXPECT_EQ(frameNumberWidth(1), 1);
    EXPECT_EQ(frameNumberWidth(100), 2);
    EXPECT_EQ(frameNumberWidth(101), 3);
    EXPECT_EQ(frameNumberWidth(1000), 3);
    EXPECT_EQ(frameNumberWidth(1001), 4);
    EXPECT_EQ(frameNumberWidth(4096), 4);
    EXPECT_EQ(frameFileName("gem", 0, 1001), "gem_F[0000].gif");
    EXPECT_EQ(frameFileName("gem", 1000, 1001), "gem_F[1000].gif");
}

TEST(FrameFileName, NeverMoreThanFourDigitsOfPaddingAndWiderNumbersInFull) {
    EXPECT_EQ(frameNumberWidth(100000), 4);
    EXPECT_EQ(frameFileName("gem", 12345, 100000), "gem_F[12345].gif");
    EXPECT_EQ(frameFileName("gem", 12, 10), "gem_F[12].gif");
}

TEST(FrameFileName, OneFrameAndTheLargestCaptureAndLosslessFrames) {
    EXPECT_EQ(frameFileName("gem", 0, 1), "gem_F[0].gif");
    EXPECT_EQ(frameFileName("gem", 0, 4096), "gem_F[0000].gif");
    EXPECT_EQ(frameFileName("gem", 4095, 4096), "gem_F[4095].gif");
    EXPECT_EQ(frameFileName("/a/gem", 9, 1000, ".png"), "/a/gem_F[009].png");
}

TEST(SplitPath, FolderNameAndExtension) {
    const SplitPath p = splitPath("/home/u/Pictures/stone.png");
    EXPECT_EQ(p.drive, "");
    EXPECT_EQ(p.directory, "/home/u/Pictures/");
    EXPECT_EQ(p.name, "stone");
    EXPECT_EQ(p.extension, ".png");
}

TEST(SplitPath, NoDirectory) {
    const SplitPath p = splitPath("stone.gpi");
    EXPECT_EQ(p.directory, "");
    EXPECT_EQ(p.name, "stone");
    EXPECT_EQ(p.extension, ".gpi");
}

TEST(SplitPath, NoExtension) {
    const SplitPath p = splitPath("/tmp/stone");
    EXPECT_EQ(p.directory, "/tmp/");
    EXPECT_EQ(p.name, "stone");
    EXPECT_EQ(p.extension, "");
}

TEST(SplitPath, DotsInFolderNamesAreNotExtensions) {
    const SplitPath p = splitPath("/home/u/my.gems.d/stone");
    EXPECT_EQ(p.directory, "/home/u/my.gems.d/");
    EXPECT_EQ(p.name, "stone");
    EXPECT_EQ(p.extension, "");
}

TEST(SplitPath, OnlyTheLastDotStartsTheExtension) {
    const SplitPath p = splitPath("/a.b/stone.v2.png");
    EXPECT_EQ(p.directory, "/a.b/");
    EXPECT_EQ(p.name, "stone.v2");
    EXPECT_EQ(p.extension, ".png");
}

TEST(SplitPath, HiddenFiles) {
    SplitPath p = splitPath("/home/u/.stone");
    EXPECT_EQ(p.directory, "/home/u/");
    EXPECT_EQ(p.name, ".stone");
    EXPECT_EQ(p.extension, "");
    p = splitPath("/home/u/.stone.gpi");
    EXPECT_EQ(p.name, ".stone");
    EXPECT_EQ(p.extension, ".gpi");
    p = splitPath("..");
    EXPECT_EQ(p.name, "..");
    EXPECT_EQ(p.extension, "");
}

TEST(SplitPath, TrailingDotAndFolderOnly) {
    SplitPath p = splitPath("/tmp/stone.");
    EXPECT_EQ(p.name, "stone");
    EXPECT_EQ(p.extension, ".");
    p = splitPath("/tmp/");
    EXPECT_EQ(p.directory, "/tmp/");
    EXPECT_EQ(p.name, "");
    EXPECT_EQ(p.extension, "");
    p = splitPath("");
    EXPECT_EQ(p.directory, "");
    EXPECT_EQ(p.name, "");
}

TEST(FileDialogState, AChosenPathIsRememberedWithoutItsExtension) {
    FileDialogState state;
    state.filterIndex = 4;
    rememberChosenPath(state, "/home/u/Pictures/ruby.png");
    EXPECT_EQ(state.initialDirectory, "/home/u/Pictures/");
    EXPECT_EQ(state.path, "/home/u/Pictures/ruby");
    EXPECT_EQ(state.name, "ruby");
    EXPECT_EQ(state.extension, ".png");
    EXPECT_EQ(state.filterIndex, 4u);
    EXPECT_EQ(state.path + ".gpi", "/home/u/Pictures/ruby.gpi");
}

}  // namespace
}  // namespace tavrine
