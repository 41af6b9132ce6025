#include "app/settings/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "app/model/model_record.h"
#include "app/settings/stone_table.h"
#include "tests/support/byte_files.h"
#include "util/binary_record.h"

namespace tavrine {
namespace {

namespace fs = std::filesystem;

using test::doubleAt;
using test::int16At;
using test::int32At;
using test::putDouble;
using test::putInt32;
using test::readBytes;
using test::writeBytes;

// A temporary folder for this file's tests.
class TempFolder : public test::TempFolder {
  public:
    TempFolder() : test::TempFolder("tavrine-settings") {}
};

std::string textAt(const std::vector<uint8_t>& b, size_t offset) {
    const char* start = reinterpret_cast<const char*>(b.data() + offset);
    return std::string(start, strnlen(start, 260));
}

const std::string kShots = "/opt/tavrine/ScreenShots/";
const std::string kCaps = "/opt/tavrine/AutoCaps/";

// Settings with every stored field away from its default, all in range.
Settings unusualSettings() {
    Settings s = defaultSettings(kShots, kCaps);
    s.polygonColour = 6;
    s.stoneIndex = 1;
    s.modelIndex = 24;
    s.colourIndex = 9;
    s.refractiveIndex = 1.234567;
    s.reserved = -12345;
    s.showTitle = 0;
    s.renderWindowTopMost = 0;
    s.turnDelay = 173;
    s.recursionDepth = 17;
    s.drawTrail = 0;
    s.screenShotFolder = "/home/user/Bilder/Édelsteine/";
    s.screenShotFilterIndex = 6;
    s.captureFolder = "/srv/capture/";
    s.frameCount = 300;
    s.gifTimeWeight = 9;
    s.gifReverse = 1;
    s.look.turnStone = 0;
    s.look.turntableView = 1;
    s.look.highQuality = 1;
    s.look.renderFire = 0;
    s.buttonPlacement = 0;
    s.savePositionInfo = 0;
    s.look.backdrop[0] = 12;
    s.look.backdrop[1] = 200;
    s.look.backdrop[2] = 255;
    s.lightVolumesCheck = 1;
    s.look.mainLight = 150;
    s.look.backLight = 0;
    s.look.fillLight = 200;
    s.look.narrowHighlight = 1;
    s.look.sizeMode = 1;
    s.look.imageWidth = 333;
    s.look.trimming = {10, 20, 30, 40};
    s.look.trimmingActive = 1;
    s.look.trimmingCheckBox = 1;
    s.largerFont = 0;
    s.japanese = 1;
    s.look.transformable = {24, 16, 5, 100, 16, 95, 3, 5, 95, 5};
    return s;
}

// One stored field: its offset and size in the file, and how to compare it between settings.
struct FieldProbe {
    const char* name;
    size_t offset;
    size_t size;
    std::function<bool(const Settings&, const Settings&)> same;
};

template <typename Member>
FieldProbe probe(const char* name, size_t offset, size_t size, Member member) {
    return {name, offset, size,
            [member](const Settings& a, const Settings& b) { return member(a) == member(b); }};
}

std::vector<FieldProbe> settingsFields() {
    using S = const Settings&;
    return {
        probe("polygonColour", 0, 4, [](S s) { return s.polygonColour; }),
        probe("stoneIndex", 4, 4, [](S s) { return s.stoneIndex; }),
        probe("modelIndex", 8, 4, [](S s) { return s.modelIndex; }),
        probe("colourIndex", 12, 4, [](S s) { return s.colourIndex; }),
        probe("refractiveIndex", 16, 8, [](S s) { return s.refractiveIndex; }),
        probe("reserved", 24, 4, [](S s) { return s.reserved; }),
        probe("showTitle", 28, 4, [](S s) { return s.showTitle; }),
        probe("renderWindowTopMost", 32, 4, [](S s) { return s.renderWindowTopMost; }),
        probe("turnDelay", 36, 4, [](S s) { return s.turnDelay; }),
        probe("recursionDepth", 40, 4, [](S s) { return s.recursionDepth; }),
        probe("drawTrail", 44, 1, [](S s) { return s.drawTrail; }),
        probe("screenShotFolder", 45, 260, [](S s) { return s.screenShotFolder; }),
        probe("screenShotFilterIndex", 305, 4, [](S s) { return s.screenShotFilterIndex; }),
        probe("captureFolder", 309, 260, [](S s) { return s.captureFolder; }),
        probe("frameCount", 569, 4, [](S s) { return s.frameCount; }),
        probe("gifTimeWeight", 573, 4, [](S s) { return s.gifTimeWeight; }),
        probe("gifReverse", 577, 4, [](S s) { return s.gifReverse; }),
        probe("turnStone", 581, 4, [](S s) { return s.look.turnStone; }),
        probe("turntableView", 585, 4, [](S s) { return s.look.turntableView; }),
        probe("highQuality", 589, 4, [](S s) { return s.look.highQuality; }),
        probe("renderFire", 593, 4, [](S s) { return s.look.renderFire; }),
        probe("buttonPlacement", 597, 4, [](S s) { return s.buttonPlacement; }),
        probe("savePositionInfo", 601, 4, [](S s) { return s.savePositionInfo; }),
        probe("backdropRed", 605, 2, [](S s) { return s.look.backdrop[0]; }),
        probe("backdropGreen", 607, 2, [](S s) { return s.look.backdrop[1]; }),
        probe("backdropBlue", 609, 2, [](S s) { return s.look.backdrop[2]; }),
        probe("lightVolumesCheck", 629, 4, [](S s) { return s.lightVolumesCheck; }),
        probe("mainLight", 633, 4, [](S s) { return s.look.mainLight; }),
        probe("backLight", 637, 4, [](S s) { return s.look.backLight; }),
        probe("fillLight", 641, 4, [](S s) { return s.look.fillLight; }),
        probe("narrowHighlight", 645, 4, [](S s) { return s.look.narrowHighlight; }),
        probe("sizeMode", 649, 4, [](S s) { return s.look.sizeMode; }),
        probe("imageWidth", 653, 4, [](S s) { return s.look.imageWidth; }),
        probe("trimTop", 657, 4, [](S s) { return s.look.trimming.top; }),
        probe("trimBottom", 661, 4, [](S s) { return s.look.trimming.bottom; }),
        probe("trimLeft", 665, 4, [](S s) { return s.look.trimming.left; }),
        probe("trimRight", 669, 4, [](S s) { return s.look.trimming.right; }),
        probe("trimmingActive", 673, 4, [](S s) { return s.look.trimmingActive; }),
        probe("trimmingCheckBox", 677, 4, [](S s) { return s.look.trimmingCheckBox; }),
        probe("largerFont", 681, 4, [](S s) { return s.largerFont; }),
        probe("japanese", 685, 4, [](S s) { return s.japanese; }),
        probe("ellipsoidCompressionRatio", 689, 4,
              [](S s) { return s.look.transformable.ellipsoidCompressionRatio; }),
        probe("ellipsoidDiameterRatio", 693, 4,
              [](S s) { return s.look.transformable.ellipsoidDiameterRatio; }),
        probe("ellipsoidSurfaces", 697, 4,
              [](S s) { return s.look.transformable.ellipsoidSurfaces; }),
        probe("ellipsoidRows", 701, 4, [](S s) { return s.look.transformable.ellipsoidRows; }),
        probe("prismSides", 705, 4, [](S s) { return s.look.transformable.prismSides; }),
        probe("prismHeightRatio", 709, 4,
              [](S s) { return s.look.transformable.prismHeightRatio; }),
        probe("pyramidSides", 713, 4, [](S s) { return s.look.transformable.pyramidSides; }),
        probe("pyramidHeightRatio", 717, 4,
              [](S s) { return s.look.transformable.pyramidHeightRatio; }),
        probe("hedron14Keep", 721, 4, [](S s) { return s.look.transformable.hedron14Keep; }),
        probe("hedron26Keep", 725, 4, [](S s) { return s.look.transformable.hedron26Keep; }),
    };
}

// A settings value of the default folders, as start-up prepares it before reading.
Settings freshSettings() { return defaultSettings(kShots, kCaps); }

TEST(SettingsFile, MissingFileGivesTheDefaults) {
    TempFolder folder;
    Settings settings = unusualSettings();
    EXPECT_FALSE(readSettings(folder.file("Setting.ini"), settings));
    EXPECT_STREQ(stoneCaption(settings.stoneIndex, false), "Diamond");
    EXPECT_STREQ(modelCaption(settings.modelIndex), "BrilliantCut (R)");
    EXPECT_STREQ(colourCaption(settings.colourIndex, false), "Colorless");
    EXPECT_EQ(settings.refractiveIndex, 2.42);
    EXPECT_EQ(settings.look.imageWidth, 270);
    EXPECT_EQ(settings.recursionDepth, 8);
    EXPECT_EQ(settings.frameCount, 128);
    EXPECT_EQ(settings.screenShotFolder, kShots);
    EXPECT_EQ(settings.captureFolder, kCaps);
}

TEST(SettingsFile, DefaultFileHoldsEveryDefaultAtItsOffset) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, freshSettings(), nullptr));
    const std::vector<uint8_t> b = readBytes(path);
    ASSERT_EQ(b.size(), 729u);
    const std::vector<std::pair<size_t, int32_t>> ints = {
        {0, 1},   {4, 0},     {8, 0},     {12, 0},   {24, 0},    {28, 1},    {32, 1},    {36, 50},
        {40, 8},  {305, 1},   {569, 128}, {573, 4},  {577, 0},   {581, 0},   {585, 0},   {589, 0},
        {593, 1}, {597, 1},   {601, 1},   {629, 0},  {633, 100}, {637, 100}, {641, 100}, {645, 0},
        {649, 0}, {653, 270}, {657, 0},   {661, 0},  {665, 0},   {669, 0},   {673, 0},   {677, 0},
        {681, 1}, {685, 0},   {689, 70},  {693, 80}, {697, 16},  {701, 8},   {705, 6},   {709, 70},
        {713, 6}, {717, 70},  {721, 50},  {725, 87}};
    for (const auto& [offset, value] : ints) {
        EXPECT_EQ(int32At(b, offset), value) << "at offset " << offset;
    }
    EXPECT_EQ(doubleAt(b, 16), 2.42);
    EXPECT_EQ(b[44], 1);
    EXPECT_EQ(textAt(b, 45), kShots);
    EXPECT_EQ(textAt(b, 309), kCaps);
    for (size_t offset = 605; offset < 629; ++offset) {
        EXPECT_EQ(b[offset], 0) << "at offset " << offset;
    }
}

TEST(SettingsFile, EveryFieldSurvivesARoundTrip) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    const Settings written = unusualSettings();
    ASSERT_TRUE(writeSettings(path, written, nullptr));
    const std::vector<uint8_t> firstBytes = readBytes(path);
    ASSERT_EQ(firstBytes.size(), 729u);

    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    for (const FieldProbe& field : settingsFields()) {
        EXPECT_TRUE(field.same(read, written)) << field.name;
    }
    EXPECT_EQ(read.look.turntableView, 1);
    EXPECT_EQ(read.defaultScreenShotFolder, kShots);

    ASSERT_TRUE(writeSettings(path, read, nullptr));
    EXPECT_EQ(readBytes(path), firstBytes);
}

TEST(SettingsFile, StoredBytesMatchTheFieldOffsets) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    Settings s = unusualSettings();
    s.look.turnStone = 1;
    s.look.turntableView = 0;
    ASSERT_TRUE(writeSettings(path, s, nullptr));
    const std::vector<uint8_t> b = readBytes(path);
    EXPECT_EQ(int32At(b, 4), 1);
    EXPECT_EQ(int32At(b, 8), 24);
    EXPECT_EQ(doubleAt(b, 16), 1.234567);
    EXPECT_EQ(int32At(b, 24), -12345);
    EXPECT_EQ(int32At(b, 40), 17);
    EXPECT_EQ(textAt(b, 45), s.screenShotFolder);
    EXPECT_EQ(int32At(b, 305), 6);
    EXPECT_EQ(textAt(b, 309), "/srv/capture/");
    EXPECT_EQ(int32At(b, 569), 300);
    EXPECT_EQ(int32At(b, 581), 1);
    EXPECT_EQ(int32At(b, 585), 0);
    EXPECT_EQ(int16At(b, 605), 12);
    EXPECT_EQ(int16At(b, 607), 200);
    EXPECT_EQ(int16At(b, 609), 255);
    EXPECT_EQ(int32At(b, 653), 333);
    EXPECT_EQ(int32At(b, 669), 40);
    EXPECT_EQ(int32At(b, 689), 100);  // compression ratio comes first in the file
    EXPECT_EQ(int32At(b, 697), 24);
    EXPECT_EQ(int32At(b, 725), 5);

    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.look.turnStone, 1);
    EXPECT_EQ(read.look.turntableView, 0);
}

TEST(SettingsFile, TheByteAt44IsASingleUnalignedByte) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    Settings s = freshSettings();
    s.drawTrail = 0;
    s.recursionDepth = 20;
    s.screenShotFolder = "/x/";
    ASSERT_TRUE(writeSettings(path, s, nullptr));
    std::vector<uint8_t> b = readBytes(path);
    EXPECT_EQ(int32At(b, 40), 20);
    EXPECT_EQ(b[44], 0);
    EXPECT_EQ(b[45], '/');
    EXPECT_EQ(b[46], 'x');

    b[44] = 1;
    writeBytes(path, b);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.drawTrail, 1);
    EXPECT_EQ(read.recursionDepth, 20);
    EXPECT_EQ(read.screenShotFolder, "/x/");
}

TEST(SettingsFile, AFolderOf259BytesFits) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    Settings s = freshSettings();
    s.screenShotFolder = "/" + std::string(257, 'a') + "/";
    s.captureFolder = "/" + std::string(257, 'b') + "/";
    ASSERT_EQ(s.screenShotFolder.size(), 259u);
    ASSERT_TRUE(writeSettings(path, s, nullptr));
    const std::vector<uint8_t> b = readBytes(path);
    ASSERT_EQ(b.size(), 729u);
    EXPECT_EQ(b[45 + 259], 0);
    EXPECT_EQ(int32At(b, 305), 1);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.screenShotFolder, s.screenShotFolder);
    EXPECT_EQ(read.captureFolder, s.captureFolder);
}

TEST(SettingsFile, ALongerFolderIsStoredAsTheDefaultNeverCutShort) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    for (size_t length : {260u, 261u, 4000u}) {
        Settings s = freshSettings();
        s.screenShotFolder = "/" + std::string(length - 2, 'a') + "/";
        s.captureFolder = s.screenShotFolder;
        ASSERT_TRUE(writeSettings(path, s, nullptr));
        const std::vector<uint8_t> b = readBytes(path);
        ASSERT_EQ(b.size(), 729u) << length;
        EXPECT_EQ(textAt(b, 45), kShots) << length;
        EXPECT_EQ(textAt(b, 309), kCaps) << length;
    }
}

TEST(SettingsFile, ADefaultFolderTooLongItselfIsStoredEmptyAndReadAsTheDefault) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    const std::string deep = "/" + std::string(300, 'd') + "/ScreenShots/";
    Settings s = defaultSettings(deep, kCaps);
    ASSERT_TRUE(writeSettings(path, s, nullptr));
    EXPECT_EQ(textAt(readBytes(path), 45), "");
    Settings read = defaultSettings(deep, kCaps);
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.screenShotFolder, deep);
}

TEST(SettingsFile, AnUnterminatedFolderTextGetsTheDefault) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    std::vector<uint8_t> b = readBytes(path);
    std::memset(b.data() + 309, 'z', 260);
    writeBytes(path, b);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.captureFolder, kCaps);
    EXPECT_EQ(read.screenShotFolder, unusualSettings().screenShotFolder);
    EXPECT_EQ(read.frameCount, 300);
}

TEST(SettingsFile, AFolderHoldingControlCharactersGetsTheDefault) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    const std::vector<uint8_t> good = readBytes(path);
    // An escape sequence, a line feed, DEL and a C1 control (U+009B in UTF-8) in either field.
    const std::vector<std::string> hostile = {"/tmp/\x1b[2J/", "/tmp/a\nb/", "/tmp/\x7f/",
                                              "/tmp/\xc2\x9b"
                                              "31m/"};
    for (const std::string& text : hostile) {
        for (size_t offset : {size_t{45}, size_t{309}}) {
            std::vector<uint8_t> b = good;
            std::memset(b.data() + offset, 0, 260);
            std::memcpy(b.data() + offset, text.data(), text.size());
            writeBytes(path, b);
            Settings read = freshSettings();
            ASSERT_TRUE(readSettings(path, read));
            EXPECT_EQ(offset == 45 ? read.screenShotFolder : read.captureFolder,
                      offset == 45 ? kShots : kCaps)
                << text;
            EXPECT_EQ(read.frameCount, 300);
        }
    }
    // Text beyond ASCII is a folder name like any other.
    std::vector<uint8_t> b = good;
    const std::string japanese = "/tmp/\xe5\x86\x99\xe7\x9c\x9f/";
    std::memset(b.data() + 45, 0, 260);
    std::memcpy(b.data() + 45, japanese.data(), japanese.size());
    writeBytes(path, b);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.screenShotFolder, japanese);
}

TEST(SettingsFile, ReservedBytesAreWrittenAsZeroAndIgnoredWhenRead) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    std::vector<uint8_t> b = readBytes(path);
    for (size_t offset = 611; offset < 629; ++offset) {
        EXPECT_EQ(b[offset], 0) << offset;
        b[offset] = 0xEE;
    }
    writeBytes(path, b);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.look.backdrop[2], 255);
    EXPECT_EQ(read.lightVolumesCheck, 1);
    EXPECT_EQ(read.look.mainLight, 150);
}

TEST(SettingsFile, ViewerChoicesLiveInTheFirstReservedBytesAndAnOldFileReadsAsBefore) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    Settings on = unusualSettings();
    on.liveRayTrace = 1;
    on.lighting = 2;    // COS
    on.headShadow = 0;  // none
    ASSERT_TRUE(writeSettings(path, on, nullptr));
    std::vector<uint8_t> b = readBytes(path);
    ASSERT_EQ(b.size(), 729u);
    EXPECT_EQ(int32At(b, 611), 1);
    EXPECT_EQ(int32At(b, 615), 2);
    EXPECT_EQ(int32At(b, 619), -10);
    for (size_t offset = 623; offset < 629; ++offset) EXPECT_EQ(b[offset], 0) << offset;
    // Every other byte is as the file without them has it: the defaults are written as zero.
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    std::vector<uint8_t> off = readBytes(path);
    for (size_t offset = 611; offset < 623; ++offset) off[offset] = b[offset];
    EXPECT_EQ(off, b);

    writeBytes(path, b);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.liveRayTrace, 1);
    EXPECT_EQ(read.lighting, 2);
    EXPECT_EQ(read.headShadow, 0);
    EXPECT_EQ(read.look.backdrop[2], 255);
    EXPECT_EQ(read.lightVolumesCheck, 1);
    ASSERT_TRUE(writeSettings(path, read, nullptr));
    EXPECT_EQ(readBytes(path), b);

    // A file of the earlier program holds zero in all 18 reserved bytes: live view off, Studio,
    // the default head shadow. The bytes after them are still ignored.
    for (size_t offset = 611; offset < 629; ++offset) b[offset] = offset < 623 ? 0 : 0xEE;
    writeBytes(path, b);
    read = on;
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.liveRayTrace, 0);
    EXPECT_EQ(read.lighting, 0);
    EXPECT_EQ(read.headShadow, 10);
    EXPECT_EQ(read.look.mainLight, 150);
    EXPECT_EQ(freshSettings().liveRayTrace, 0);
}

TEST(SettingsFile, AShortFileTakesItsFieldsAndDefaultsTheRest) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    const Settings written = unusualSettings();
    ASSERT_TRUE(writeSettings(path, written, nullptr));
    const std::vector<uint8_t> full = readBytes(path);
    ASSERT_EQ(full.size(), 729u);
    const std::vector<FieldProbe> fields = settingsFields();

    for (size_t length = 0; length <= full.size(); ++length) {
        writeBytes(path,
                   std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
        Settings read = unusualSettings();  // what the reader held must not leak through
        read.defaultScreenShotFolder = kShots;
        read.defaultCaptureFolder = kCaps;
        ASSERT_TRUE(readSettings(path, read)) << length;

        // The defaults of the missing fields; model, colour and index follow the read stone.
        Settings expectedMissing = freshSettings();
        if (length >= 8) {
            const StoneEntry& stone = stoneTable[static_cast<size_t>(written.stoneIndex)];
            expectedMissing.modelIndex = stone.defaultModel;
            expectedMissing.colourIndex = stone.defaultColour;
            expectedMissing.refractiveIndex = stone.refractiveIndex100 / 100.0;
        }
        for (const FieldProbe& field : fields) {
            if (field.offset == 673) {
                continue;  // trimmingActive follows the trimming values read
            }
            const bool present = field.offset + field.size <= length;
            const Settings& expected = present ? written : expectedMissing;
            EXPECT_TRUE(field.same(read, expected))
                << field.name << " with a file of " << length << " bytes";
        }
        const Trimming& trim = read.look.trimming;
        EXPECT_EQ(read.look.trimmingActive, (trim.top | trim.bottom | trim.left | trim.right) != 0)
            << length;
        EXPECT_GE(read.refractiveIndex, 1.0) << length;
        EXPECT_GE(read.look.imageWidth, 32) << length;
        EXPECT_GE(read.recursionDepth, 1) << length;
    }
}

TEST(SettingsFile, OutOfRangeValuesAreClampedWhenRead) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));  // stone 1: Sapphire
    const std::vector<uint8_t> good = readBytes(path);

    struct Case {
        size_t offset;
        int32_t stored;
        std::function<int64_t(const Settings&)> field;
        int64_t expected;
    };
    const std::vector<Case> cases = {
        {40, 0, [](const Settings& s) { return s.recursionDepth; }, 1},
        {40, 21, [](const Settings& s) { return s.recursionDepth; }, 20},
        {653, 1000, [](const Settings& s) { return s.look.imageWidth; }, 512},
        {653, 0, [](const Settings& s) { return s.look.imageWidth; }, 32},
        {8, 22, [](const Settings& s) { return s.modelIndex; }, 6},
        {8, 28, [](const Settings& s) { return s.modelIndex; }, 6},
        {8, -1, [](const Settings& s) { return s.modelIndex; }, 6},
        {12, 11, [](const Settings& s) { return s.colourIndex; }, 3},
        {4, 8, [](const Settings& s) { return s.stoneIndex; }, 0},
        {4, -7, [](const Settings& s) { return s.stoneIndex; }, 0},
        {0, 8, [](const Settings& s) { return s.polygonColour; }, 1},
        {36, 500, [](const Settings& s) { return s.turnDelay; }, 200},
        {36, -1, [](const Settings& s) { return s.turnDelay; }, 0},
        {305, 8, [](const Settings& s) { return s.screenShotFilterIndex; }, 1},
        {569, 0, [](const Settings& s) { return s.frameCount; }, 1},
        {569, 100000, [](const Settings& s) { return s.frameCount; }, 4096},
        {573, -1, [](const Settings& s) { return s.gifTimeWeight; }, 0},
        {573, 70000, [](const Settings& s) { return s.gifTimeWeight; }, 65535},
        {589, 7, [](const Settings& s) { return s.look.highQuality; }, 1},
        {633, 201, [](const Settings& s) { return s.look.mainLight; }, 200},
        {637, -3, [](const Settings& s) { return s.look.backLight; }, 0},
        {649, 2, [](const Settings& s) { return s.look.sizeMode; }, 1},
        {697, 2, [](const Settings& s) { return s.look.transformable.ellipsoidSurfaces; }, 3},
        {701, 0, [](const Settings& s) { return s.look.transformable.ellipsoidRows; }, 2},
        {705, 17, [](const Settings& s) { return s.look.transformable.prismSides; }, 16},
        {709, 100, [](const Settings& s) { return s.look.transformable.prismHeightRatio; }, 95},
        {721, 0, [](const Settings& s) { return s.look.transformable.hedron14Keep; }, 5},
        {725, 100, [](const Settings& s) { return s.look.transformable.hedron26Keep; }, 95},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        putInt32(b, c.offset, c.stored);
        writeBytes(path, b);
        Settings read = freshSettings();
        ASSERT_TRUE(readSettings(path, read));
        EXPECT_EQ(c.field(read), c.expected) << "value " << c.stored << " at offset " << c.offset;
    }
}

TEST(SettingsFile, ATimeWeightOfZeroSurvivesARestart) {
    // The time-weight dialog allows 0: frames without delay.
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    Settings s = freshSettings();
    s.gifTimeWeight = 0;
    ASSERT_TRUE(writeSettings(path, s, nullptr));
    EXPECT_EQ(int32At(readBytes(path), 573), 0);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.gifTimeWeight, 0);
}

TEST(SettingsFile, OutOfRangeRefractiveIndexesAreClamped) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    const std::vector<uint8_t> good = readBytes(path);
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, double>> cases = {
        {0.0, 1.0}, {-5.0, 1.0}, {3.5, 3.0},
        {inf, 3.0}, {-inf, 1.0}, {std::numeric_limits<double>::quiet_NaN(), 1.77}};
    for (const auto& [stored, expected] : cases) {
        std::vector<uint8_t> b = good;
        putDouble(b, 16, stored);
        writeBytes(path, b);
        Settings read = freshSettings();
        ASSERT_TRUE(readSettings(path, read));
        EXPECT_EQ(read.refractiveIndex, expected) << "stored " << stored;
    }
}

TEST(SettingsFile, ConflictingAndUnusableCombinationsAreRepaired) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    std::vector<uint8_t> b;
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    b = readBytes(path);
    putInt32(b, 581, 1);  // "SY" together with "GM"
    putInt32(b, 585, 1);
    putInt32(b, 649, 0);  // fixed mode: 199 pixels, and top + bottom = 199 leaves nothing
    putInt32(b, 657, 100);
    putInt32(b, 661, 99);
    b[606] = 0x7F;  // backdrop red 0x7F0C, far beyond 255
    writeBytes(path, b);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.look.turnStone, 0);
    EXPECT_EQ(read.look.turntableView, 1);
    EXPECT_EQ(read.look.trimming.top, 0);
    EXPECT_EQ(read.look.trimming.bottom, 0);
    EXPECT_EQ(read.look.trimming.left, 0);
    EXPECT_EQ(read.look.trimmingActive, 0);
    EXPECT_EQ(read.look.backdrop[0], 255);

    putInt32(b, 661, 98);  // 198 still leaves one row
    putInt32(b, 673, 0);   // trimming in force follows the values
    writeBytes(path, b);
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.look.trimming.top, 100);
    EXPECT_EQ(read.look.trimming.bottom, 98);
    EXPECT_EQ(read.look.trimmingActive, 1);
}

TEST(SettingsFile, AFileLongerThanTheRecordIsReadUpToItsEnd) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    std::vector<uint8_t> b = readBytes(path);
    b.resize(5000, 0xAB);
    writeBytes(path, b);
    Settings read = freshSettings();
    ASSERT_TRUE(readSettings(path, read));
    EXPECT_EQ(read.look.transformable.hedron26Keep, 5);
}

TEST(SettingsFile, WritingIntoAFileInsteadOfAFolderFails) {
    TempFolder folder;
    const std::string blocker = folder.file("not-a-folder");
    writeBytes(blocker, {1, 2, 3});
    std::string error;
    EXPECT_FALSE(writeSettings(blocker + "/Setting.ini", freshSettings(), &error));
    EXPECT_EQ(error, "Failed to open file.");
    EXPECT_EQ(readBytes(blocker), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SettingsFile, WritingIntoAnUnwritableFolderFailsAndKeepsTheOldFile) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    const std::vector<uint8_t> old = readBytes(path);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    if (::access(folder.path().c_str(), W_OK) == 0) {
        ::chmod(folder.path().c_str(), 0755);
        GTEST_SKIP() << "this user may write into read-only folders (running as root)";
    }
    std::string error;
    EXPECT_FALSE(writeSettings(path, freshSettings(), &error));
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(error, "Failed to open file.");
    EXPECT_EQ(readBytes(path), old);
}

TEST(SettingsFile, AWriteCutShortKeepsTheOldFileAndLeavesNoTemporary) {
    TempFolder folder;
    const std::string path = folder.file("Setting.ini");
    ASSERT_TRUE(writeSettings(path, unusualSettings(), nullptr));
    const std::vector<uint8_t> old = readBytes(path);

    // Limit file sizes below the record so that the write itself fails half-way.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 100;
    auto* const previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string error;
    const bool written = writeSettings(path, freshSettings(), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(error, "Failed to open file.");
    EXPECT_EQ(readBytes(path), old);
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        EXPECT_EQ(entry.path().filename(), "Setting.ini");
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST(SettingsFile, WritingCreatesAMissingSettingsFolder) {
    TempFolder folder;
    const std::string path = folder.file(".config/tavrine/Setting.ini");
    ASSERT_TRUE(writeSettings(path, freshSettings(), nullptr));
    EXPECT_EQ(readBytes(path).size(), 729u);
}

TEST(SettingsFile, ADirectoryOrFifoAtThePathReadsAsMissing) {
    TempFolder folder;
    Settings read = unusualSettings();
    read.defaultScreenShotFolder = kShots;
    EXPECT_FALSE(readSettings(folder.path(), read));
    EXPECT_EQ(read.frameCount, 128);
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readSettings(fifo, read));
}

TEST(SettingsLocations, AWritableProgramFolderHoldsEverything) {
    const SettingsLocations l =
        resolveSettingsLocations("/opt/tavrine", true, "/home/u/.cfg", "/home/u/Pics", "/home/u");
    EXPECT_EQ(l.settingsFolder, "/opt/tavrine/");
    EXPECT_EQ(l.settingsFile, "/opt/tavrine/Setting.ini");
    EXPECT_EQ(l.screenShotFolder, "/opt/tavrine/ScreenShots/");
    EXPECT_EQ(l.captureFolder, "/opt/tavrine/AutoCaps/");
}

TEST(SettingsLocations, AnUnwritableProgramFolderUsesTheXdgFolders) {
    const SettingsLocations l =
        resolveSettingsLocations("/usr/bin/", false, "/home/u/.cfg", "/home/u/Pics/", "/home/u");
    EXPECT_EQ(l.settingsFile, "/home/u/.cfg/tavrine/Setting.ini");
    EXPECT_EQ(l.screenShotFolder, "/home/u/Pics/Tavrine/ScreenShots/");
    EXPECT_EQ(l.captureFolder, "/home/u/Pics/Tavrine/AutoCaps/");
}

TEST(SettingsLocations, UnsetOrRelativeXdgFoldersFallBackToHome) {
    for (const std::string unset : {"", "relative/cfg"}) {
        const SettingsLocations l =
            resolveSettingsLocations("/usr/bin/", false, unset, unset, "/home/u");
        EXPECT_EQ(l.settingsFolder, "/home/u/.config/tavrine/") << unset;
        EXPECT_EQ(l.screenShotFolder, "/home/u/Pictures/Tavrine/ScreenShots/") << unset;
        EXPECT_EQ(l.captureFolder, "/home/u/Pictures/Tavrine/AutoCaps/") << unset;
    }
}

TEST(SettingsLocations, NoHomeAtAllKeepsTheProgramFolder) {
    const SettingsLocations l = resolveSettingsLocations("/usr/bin/", false, "", "", "");
    EXPECT_EQ(l.settingsFile, "/usr/bin/Setting.ini");
    EXPECT_EQ(l.captureFolder, "/usr/bin/AutoCaps/");
}

TEST(SettingsLocations, InstalledProgramFoldersAreSystemFolders) {
    for (const std::string folder : {"/usr/bin/", "/usr/local/bin", "/bin/", "/sbin", "/usr"}) {
        EXPECT_TRUE(isSystemProgramFolder(folder)) << folder;
    }
    for (const std::string folder : {"/usrx/bin/", "/home/u/usr/bin/", "/opt/tavrine/", ""}) {
        EXPECT_FALSE(isSystemProgramFolder(folder)) << folder;
    }
}

TEST(SettingsLocations, TheRunningProgramsFolderIsFound) {
    const std::string folder = programFolderPath();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::exists(folder + "settings_tests"));
    TempFolder temp;
    EXPECT_TRUE(isWritableFolder(temp.path()));
    EXPECT_FALSE(isWritableFolder(temp.file("missing")));
}

}  // namespace
}  // namespace tavrine
