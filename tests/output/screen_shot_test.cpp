#include "app/output/screen_shot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

namespace fs = std::filesystem;
using imgctl::DibPtr;

// A 270 x 270 picture whose every pixel tells its column and row apart.
DibPtr numberedPicture(int32_t width) {
    imgctl::BitmapInfoHeader head;
    head.width = width;
    head.height = -width;
    DibPtr picture(imgctl::CreateDIB(head));
    imgctl::DibData* data = imgctl::DataDIB(picture.get());
    for (int32_t row = 0; row < width; ++row) {
        for (int32_t column = 0; column < width; ++column) {
            const imgctl::ColorRef colour = static_cast<imgctl::ColorRef>(column) |
                                            (static_cast<imgctl::ColorRef>(row) << 8) |
                                            (static_cast<imgctl::ColorRef>(column ^ row) << 16);
            imgctl::setImagePixel(data->rows, width, width, column, row, colour & 0xFFFFFF);
        }
    }
    return picture;
}

bool startsWith(const std::vector<uint8_t>& bytes, const char* signature) {
    const size_t n = std::strlen(signature);
    return bytes.size() >= n && std::memcmp(bytes.data(), signature, n) == 0;
}

TEST(ScreenShot, TrimmingCutsTheRectangleFromItsTopLeftCorner) {
    tavrine::test::TempFolder folder("tavrine-shot");
    const DibPtr render = numberedPicture(270);
    PictureTrimming trimming;
    trimming.top = 10;
    trimming.bottom = 0;
    trimming.left = 5;
    trimming.right = 5;
    FileDialogState state;
    const std::string path = folder.file("cut.png");
    const ScreenShotResult result =
        saveScreenShot(render.get(), trimming, 0, path, 4, state, nullptr);
    ASSERT_TRUE(result.pictureSaved) << result.message;

    const DibPtr saved(imgctl::ToDIB(path));
    ASSERT_NE(saved, nullptr);
    imgctl::BitmapInfoHeader head;
    imgctl::HeadDIB(saved.get(), head);
    EXPECT_EQ(head.width, 260);
    EXPECT_EQ(head.height, 260);
    for (int32_t y : {0, 1, 130, 259}) {
        for (int32_t x : {0, 1, 200, 259}) {
            EXPECT_EQ(imgctl::PixelDIB(saved.get(), x, y),
                      imgctl::PixelDIB(render.get(), x + 5, y + 10))
                << "saved pixel " << x << ", " << y;
        }
    }
}

TEST(ScreenShot, TheFilterDecidesTheFormatAndThePositionFileGoesBeside) {
    tavrine::test::TempFolder folder("tavrine-shot");
    const DibPtr render = numberedPicture(64);
    FileDialogState state;
    PositionInfo position;
    position.modelIndex = 24;  // the Prism: a 280-byte record
    position.frameCount = 32;
    const ScreenShotResult result = saveScreenShot(render.get(), PictureTrimming{}, 0,
                                                   folder.file("x.bmp"), 4, state, &position);
    ASSERT_TRUE(result.pictureSaved) << result.message;
    ASSERT_TRUE(result.positionSaved) << result.message;
    EXPECT_EQ(result.message, kScreenShotWithPositionSavedText);
    EXPECT_TRUE(startsWith(test::readBytes(folder.file("x.bmp")), "\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(result.positionPath, folder.file("x.gpi"));
    EXPECT_EQ(test::readBytes(folder.file("x.gpi")).size(), 280u);
    // The dialog remembers the filter, the folder and the path without its extension.
    EXPECT_EQ(state.filterIndex, 4u);
    EXPECT_EQ(state.initialDirectory, folder.path() + "/");
    EXPECT_EQ(state.path, folder.file("x"));
    EXPECT_EQ(state.extension, ".bmp");

    // Without the flag only the picture is written, as a 256-colour GIF for filter 7.
    const ScreenShotResult alone =
        saveScreenShot(render.get(), PictureTrimming{}, 0, folder.file("y.png"), 7, state, nullptr);
    ASSERT_TRUE(alone.pictureSaved) << alone.message;
    EXPECT_EQ(alone.message, kScreenShotAloneSavedText);
    EXPECT_TRUE(startsWith(test::readBytes(folder.file("y.png")), "GIF89a"));
    EXPECT_FALSE(fs::exists(folder.file("y.gpi")));
}

TEST(ScreenShot, AFailedWriteNamesTheFileAndConfirmsNothing) {
    tavrine::test::TempFolder folder("tavrine-shot");
    const DibPtr render = numberedPicture(32);
    FileDialogState state;
    PositionInfo position;
    const std::string path = folder.file("missing-folder/shot.bmp");
    const ScreenShotResult result =
        saveScreenShot(render.get(), PictureTrimming{}, 0, path, 1, state, &position);
    EXPECT_FALSE(result.pictureSaved);
    EXPECT_FALSE(result.positionSaved);
    EXPECT_EQ(result.message.rfind("Failed to open file.\n\n", 0), 0u) << result.message;
    EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
    EXPECT_FALSE(fs::exists(folder.file("missing-folder/shot.gpi")));

    // A position file that cannot be written is reported although the picture was saved.
    fs::create_directory(folder.file("z.gpi"));
    const ScreenShotResult half = saveScreenShot(render.get(), PictureTrimming{}, 0,
                                                 folder.file("z.bmp"), 1, state, &position);
    EXPECT_TRUE(half.pictureSaved);
    EXPECT_FALSE(half.positionSaved);
    EXPECT_NE(half.message.find(folder.file("z.gpi")), std::string::npos) << half.message;
}

TEST(ScreenShotDialog, AMissingFolderOpensTheDefaultOneAndTheSettingsKeepTheChoice) {
    tavrine::test::TempFolder folder("tavrine-shot");
    Settings settings = defaultSettings(folder.file("ScreenShots/"), folder.file("AutoCaps/"));
    settings.screenShotFolder = folder.file("deleted/");
    settings.screenShotFilterIndex = 6;
    FileDialogState state = screenShotDialogState(settings);
    EXPECT_EQ(state.filterIndex, 6u);
    EXPECT_EQ(dialogOpeningFolder(state, settings.defaultScreenShotFolder),
              folder.file("ScreenShots/"));
    EXPECT_TRUE(fs::is_directory(folder.file("ScreenShots"))) << "made on first use";
    fs::create_directory(folder.file("kept"));
    state.initialDirectory = folder.file("kept/");
    state.filterIndex = 3;
    EXPECT_EQ(dialogOpeningFolder(state, settings.defaultScreenShotFolder), folder.file("kept/"));
    keepScreenShotDialogState(state, settings);
    FileDialogState capture = captureDialogState(settings);
    capture.initialDirectory = folder.file("kept/");
    keepCaptureDialogState(capture, settings);

    // What the settings file stores comes back on the next start.
    ASSERT_TRUE(writeSettings(folder.file("Setting.ini"), settings, nullptr));
    Settings read = defaultSettings(folder.file("ScreenShots/"), folder.file("AutoCaps/"));
    ASSERT_TRUE(readSettings(folder.file("Setting.ini"), read));
    EXPECT_EQ(screenShotDialogState(read).initialDirectory, folder.file("kept/"));
    EXPECT_EQ(screenShotDialogState(read).filterIndex, 3u);
    EXPECT_EQ(captureDialogState(read).initialDirectory, folder.file("kept/"));
}

TEST(RestorePosition, TheRecordBringsItsCaptureCountsAndTheTrimmingBeforeIsKept) {
    tavrine::test::TempFolder folder("tavrine-shot");
    PositionInfo written;
    written.frameCount = 300;
    written.framesDone = 37;
    written.checkMode = 1;
    ASSERT_TRUE(writePositionInfo(folder.file("p.gpi"), written, nullptr));
    Settings settings;
    settings.look.trimming.top = 7;
    PositionInfo live;
    FileDialogState state;
    const RestoreRead read = readRestoredPosition(folder.file("p.gpi"), settings, live, state);
    ASSERT_TRUE(read.ok) << read.message;
    EXPECT_EQ(read.previousTrimming.top, 7);
    EXPECT_EQ(live.frameCount, 300);
    EXPECT_EQ(live.framesDone, 37);
    EXPECT_EQ(live.checkMode, 1);
    EXPECT_EQ(state.path, folder.file("p"));

    // A file that cannot be read changes nothing and says which file.
    PositionInfo untouched = live;
    const RestoreRead failed =
        readRestoredPosition(folder.file("none.gpi"), settings, untouched, state);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.message.find(folder.file("none.gpi")), std::string::npos);
    EXPECT_EQ(untouched.framesDone, 37);
}

}  // namespace
}  // namespace tavrine
