#include "app/output/position_info.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "app/settings/stone_table.h"
#include "tests/support/byte_files.h"

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
    TempFolder() : test::TempFolder("tavrine-gpi") {}
};

// A record with every field away from its default, all in range, for the given model.
PositionInfo unusualInfo(int32_t modelIndex) {
    PositionInfo p;
    p.frameCount = 300;
    p.framesDone = 37;
    p.stoneIndex = 5;
    p.modelIndex = modelIndex;
    p.colourIndex = 8;
    p.refractiveIndex = 1.6180339887;
    // Cosine and sine pairs on the unit circle: (0.6, -0.8), (-0.8, 0.6), (0.28, 0.96), ...
    p.savedPosition.orientation = {1, {0.6, -0.8, 0.28}, {-0.8, 0.6, 0.96}};
    p.savedPosition.turntableAngles = {0.25, -3.5, 0.0};
    p.stonePose = {0, {0.96, -0.28, 0.8}, {0.28, 0.96, -0.6}};
    p.lightAngles = {0.4363323129985824, 4.71238898038469, 0.0};
    p.look.turnStone = 0;
    p.look.turntableView = 1;
    p.look.highQuality = 1;
    p.checkMode = 1;
    p.look.renderFire = 0;
    p.look.backdrop[0] = 1;
    p.look.backdrop[1] = 128;
    p.look.backdrop[2] = 255;
    p.look.mainLight = 150;
    p.look.backLight = 0;
    p.look.fillLight = 200;
    p.look.narrowHighlight = 1;
    p.look.sizeMode = 1;
    p.look.imageWidth = 301;
    p.look.trimming = {10, 20, 30, 40};
    p.look.trimmingActive = 1;
    p.look.trimmingCheckBox = 1;
    p.look.transformable = {24, 16, 5, 100, 16, 95, 3, 5, 95, 5};
    return p;
}

void expectSameOrientation(const Orientation& a, const Orientation& b, const char* what) {
    EXPECT_EQ(a.order, b.order) << what;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.cosines[i], b.cosines[i]) << what << " cosine " << i;
        EXPECT_EQ(a.sines[i], b.sines[i]) << what << " sine " << i;
    }
}

void expectSameAngles(const TurntableAngles& a, const TurntableAngles& b, const char* what) {
    EXPECT_EQ(a.elevation, b.elevation) << what;
    EXPECT_EQ(a.azimuth, b.azimuth) << what;
    EXPECT_EQ(a.third, b.third) << what;
}

void expectSameParams(const TransformableParams& a, const TransformableParams& b) {
    EXPECT_EQ(a.ellipsoidSurfaces, b.ellipsoidSurfaces);
    EXPECT_EQ(a.ellipsoidRows, b.ellipsoidRows);
    EXPECT_EQ(a.ellipsoidDiameterRatio, b.ellipsoidDiameterRatio);
    EXPECT_EQ(a.ellipsoidCompressionRatio, b.ellipsoidCompressionRatio);
    EXPECT_EQ(a.prismSides, b.prismSides);
    EXPECT_EQ(a.prismHeightRatio, b.prismHeightRatio);
    EXPECT_EQ(a.pyramidSides, b.pyramidSides);
    EXPECT_EQ(a.pyramidHeightRatio, b.pyramidHeightRatio);
    EXPECT_EQ(a.hedron14Keep, b.hedron14Keep);
    EXPECT_EQ(a.hedron26Keep, b.hedron26Keep);
}

void expectSameInfo(const PositionInfo& a, const PositionInfo& b) {
    EXPECT_EQ(a.frameCount, b.frameCount);
    EXPECT_EQ(a.framesDone, b.framesDone);
    EXPECT_EQ(a.stoneIndex, b.stoneIndex);
    EXPECT_EQ(a.modelIndex, b.modelIndex);
    EXPECT_EQ(a.colourIndex, b.colourIndex);
    EXPECT_EQ(a.refractiveIndex, b.refractiveIndex);
    expectSameOrientation(a.savedPosition.orientation, b.savedPosition.orientation, "view");
    expectSameAngles(a.savedPosition.turntableAngles, b.savedPosition.turntableAngles, "view");
    expectSameOrientation(a.stonePose, b.stonePose, "stone");
    expectSameAngles(a.lightAngles, b.lightAngles, "light");
    EXPECT_EQ(a.look.turnStone, b.look.turnStone);
    EXPECT_EQ(a.look.turntableView, b.look.turntableView);
    EXPECT_EQ(a.look.highQuality, b.look.highQuality);
    EXPECT_EQ(a.checkMode, b.checkMode);
    EXPECT_EQ(a.look.renderFire, b.look.renderFire);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.look.backdrop[i], b.look.backdrop[i]) << "backdrop " << i;
    }
    EXPECT_EQ(a.look.mainLight, b.look.mainLight);
    EXPECT_EQ(a.look.backLight, b.look.backLight);
    EXPECT_EQ(a.look.fillLight, b.look.fillLight);
    EXPECT_EQ(a.look.narrowHighlight, b.look.narrowHighlight);
    EXPECT_EQ(a.look.sizeMode, b.look.sizeMode);
    EXPECT_EQ(a.look.imageWidth, b.look.imageWidth);
    EXPECT_EQ(a.look.trimming.top, b.look.trimming.top);
    EXPECT_EQ(a.look.trimming.bottom, b.look.trimming.bottom);
    EXPECT_EQ(a.look.trimming.left, b.look.trimming.left);
    EXPECT_EQ(a.look.trimming.right, b.look.trimming.right);
    EXPECT_EQ(a.look.trimmingActive, b.look.trimmingActive);
    EXPECT_EQ(a.look.trimmingCheckBox, b.look.trimmingCheckBox);
    expectSameParams(a.look.transformable, b.look.transformable);
}

TEST(PositionInfoFile, SizeFollowsTheModel) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    const std::vector<std::pair<int32_t, size_t>> sizes = {
        {0, 272}, {14, 272}, {21, 272}, {23, 288}, {24, 280}, {25, 280}, {26, 276}, {27, 276}};
    for (const auto& [model, size] : sizes) {
        PositionInfo info;
        info.modelIndex = model;
        ASSERT_TRUE(writePositionInfo(path, info, nullptr));
        EXPECT_EQ(readBytes(path).size(), size) << "model " << model;
        EXPECT_EQ(positionInfoSize(model), static_cast<int>(size)) << "model " << model;
    }
}

TEST(PositionInfoFile, EveryFieldLiesAtItsOffset) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    const PositionInfo p = unusualInfo(23);
    ASSERT_TRUE(writePositionInfo(path, p, nullptr));
    const std::vector<uint8_t> b = readBytes(path);
    ASSERT_EQ(b.size(), 288u);
    EXPECT_EQ(int32At(b, 0), 300);
    EXPECT_EQ(int32At(b, 4), 37);
    EXPECT_EQ(int32At(b, 8), 5);
    EXPECT_EQ(int32At(b, 12), 23);
    EXPECT_EQ(int32At(b, 16), 8);
    EXPECT_EQ(doubleAt(b, 20), 1.6180339887);
    EXPECT_EQ(int32At(b, 28), 1);
    EXPECT_EQ(doubleAt(b, 32), 0.6);
    EXPECT_EQ(doubleAt(b, 48), 0.28);
    EXPECT_EQ(doubleAt(b, 56), -0.8);
    EXPECT_EQ(doubleAt(b, 72), 0.96);
    EXPECT_EQ(int32At(b, 80), 0);
    EXPECT_EQ(doubleAt(b, 84), 0.96);
    EXPECT_EQ(doubleAt(b, 108), 0.28);
    EXPECT_EQ(doubleAt(b, 124), -0.6);
    EXPECT_EQ(doubleAt(b, 132), 0.4363323129985824);
    EXPECT_EQ(doubleAt(b, 140), 4.71238898038469);
    EXPECT_EQ(doubleAt(b, 156), 0.25);
    EXPECT_EQ(doubleAt(b, 164), -3.5);
    EXPECT_EQ(int32At(b, 180), 0);
    EXPECT_EQ(int32At(b, 184), 1);
    EXPECT_EQ(int32At(b, 188), 1);
    EXPECT_EQ(int32At(b, 192), 1);
    EXPECT_EQ(int32At(b, 196), 0);
    EXPECT_EQ(int16At(b, 200), 1);
    EXPECT_EQ(int16At(b, 202), 128);
    EXPECT_EQ(int16At(b, 204), 255);
    for (size_t offset = 206; offset < 224; ++offset) {
        EXPECT_EQ(b[offset], 0) << offset;
    }
    EXPECT_EQ(int32At(b, 224), 150);
    EXPECT_EQ(int32At(b, 228), 0);
    EXPECT_EQ(int32At(b, 232), 200);
    EXPECT_EQ(int32At(b, 236), 1);
    EXPECT_EQ(int32At(b, 240), 1);
    EXPECT_EQ(int32At(b, 244), 301);
    EXPECT_EQ(int32At(b, 248), 10);
    EXPECT_EQ(int32At(b, 252), 20);
    EXPECT_EQ(int32At(b, 256), 30);
    EXPECT_EQ(int32At(b, 260), 40);
    EXPECT_EQ(int32At(b, 264), 1);
    EXPECT_EQ(int32At(b, 268), 1);
    EXPECT_EQ(int32At(b, 272), 100);  // compression ratio, diameter ratio, surfaces, rows
    EXPECT_EQ(int32At(b, 276), 5);
    EXPECT_EQ(int32At(b, 280), 24);
    EXPECT_EQ(int32At(b, 284), 16);
}

TEST(PositionInfoFile, TheTailsHoldTheirModelsParametersInOrder) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    PositionInfo p = unusualInfo(24);
    ASSERT_TRUE(writePositionInfo(path, p, nullptr));
    std::vector<uint8_t> b = readBytes(path);
    EXPECT_EQ(int32At(b, 272), 16);
    EXPECT_EQ(int32At(b, 276), 95);
    p.modelIndex = 25;
    ASSERT_TRUE(writePositionInfo(path, p, nullptr));
    b = readBytes(path);
    EXPECT_EQ(int32At(b, 272), 3);
    EXPECT_EQ(int32At(b, 276), 5);
    p.modelIndex = 26;
    ASSERT_TRUE(writePositionInfo(path, p, nullptr));
    EXPECT_EQ(int32At(readBytes(path), 272), 95);
    p.modelIndex = 27;
    ASSERT_TRUE(writePositionInfo(path, p, nullptr));
    EXPECT_EQ(int32At(readBytes(path), 272), 5);
}

TEST(PositionInfoFile, EveryFieldSurvivesARoundTripForEveryTail) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    for (int32_t model : {0, 13, 23, 24, 25, 26, 27}) {
        const PositionInfo written = unusualInfo(model);
        ASSERT_TRUE(writePositionInfo(path, written, nullptr));
        PositionInfo read;
        read.look.transformable =
            written.look.transformable;  // the parameters of other models stay
        std::string error;
        ASSERT_TRUE(readPositionInfo(path, read, false, &error)) << model << ": " << error;
        expectSameInfo(read, written);
    }
}

TEST(PositionInfoFile, OnlyTheCurrentModelsParametersAreRead) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    PositionInfo written = unusualInfo(24);
    ASSERT_TRUE(writePositionInfo(path, written, nullptr));
    PositionInfo read;
    ASSERT_TRUE(readPositionInfo(path, read, false, nullptr));
    EXPECT_EQ(read.look.transformable.prismSides, 16);
    EXPECT_EQ(read.look.transformable.prismHeightRatio, 95);
    const TransformableParams defaults;
    EXPECT_EQ(read.look.transformable.ellipsoidSurfaces, defaults.ellipsoidSurfaces);
    EXPECT_EQ(read.look.transformable.pyramidSides, defaults.pyramidSides);
    EXPECT_EQ(read.look.transformable.hedron26Keep, defaults.hedron26Keep);
}

TEST(PositionInfoFile, CountsOnlyReadsTheTwoCounts) {
    TempFolder folder;
    const std::string path = folder.file("capture.sqi");
    ASSERT_TRUE(writePositionInfo(path, unusualInfo(0), nullptr));
    PositionInfo read;
    ASSERT_TRUE(readPositionInfo(path, read, true, nullptr));
    EXPECT_EQ(read.frameCount, 300);
    EXPECT_EQ(read.framesDone, 37);
    PositionInfo expected;
    expected.frameCount = 300;
    expected.framesDone = 37;
    expectSameInfo(read, expected);
}

TEST(PositionInfoFile, CountsOnlyStillRefusesBadCounts) {
    TempFolder folder;
    const std::string path = folder.file("capture.sqi");
    std::vector<uint8_t> b(272, 0);
    putInt32(b, 0, 0);
    writeBytes(path, b);
    PositionInfo read;
    EXPECT_FALSE(readPositionInfo(path, read, true, nullptr));
    EXPECT_EQ(read.frameCount, 128);
    putInt32(b, 0, 10);
    putInt32(b, 4, 11);
    writeBytes(path, b);
    EXPECT_FALSE(readPositionInfo(path, read, true, nullptr));
    putInt32(b, 4, 10);
    writeBytes(path, b);
    EXPECT_TRUE(readPositionInfo(path, read, true, nullptr));
    EXPECT_EQ(read.framesDone, 10);
}

TEST(PositionInfoFile, ACutRecordIsRefusedAndACutTailKeepsItsParameters) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    const PositionInfo written = unusualInfo(23);
    ASSERT_TRUE(writePositionInfo(path, written, nullptr));
    const std::vector<uint8_t> full = readBytes(path);

    PositionInfo before;  // the state in hand: defaults, with a different ellipsoid
    before.look.transformable.ellipsoidRows = 3;
    for (size_t length = 0; length <= full.size(); ++length) {
        writeBytes(path,
                   std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
        PositionInfo read = before;
        std::string error;
        const bool accepted = readPositionInfo(path, read, false, &error);
        if (length < 272) {
            // An empty file or a truncated copy: refused whole, with its size.
            EXPECT_FALSE(accepted) << length;
            EXPECT_EQ(error, "the file is " + std::to_string(length) +
                                 " bytes; a Position-Info File has at least 272 bytes");
            expectSameInfo(read, before);
            PositionInfo counts = before;
            EXPECT_FALSE(readPositionInfo(path, counts, true, nullptr)) << length;
            continue;
        }
        ASSERT_TRUE(accepted) << length << ": " << error;
        EXPECT_EQ(read.look.trimming.right, written.look.trimming.right) << length;
        EXPECT_EQ(read.look.trimmingCheckBox, written.look.trimmingCheckBox) << length;
        EXPECT_EQ(read.look.transformable.ellipsoidCompressionRatio,
                  (length >= 276 ? written : before).look.transformable.ellipsoidCompressionRatio)
            << length;
        EXPECT_EQ(read.look.transformable.ellipsoidRows,
                  (length >= 288 ? written : before).look.transformable.ellipsoidRows)
            << length;
    }
}

// Writes a good record, changes it with mutate, and expects readPositionInfo to refuse it and
// leave the state in hand untouched.
template <typename Mutate>
void expectRefused(const std::string& path, int32_t model, Mutate mutate, const char* what) {
    ASSERT_TRUE(writePositionInfo(path, unusualInfo(model), nullptr));
    std::vector<uint8_t> b = readBytes(path);
    mutate(b);
    writeBytes(path, b);
    PositionInfo read;
    std::string error;
    EXPECT_FALSE(readPositionInfo(path, read, false, &error)) << what;
    EXPECT_FALSE(error.empty()) << what;
    expectSameInfo(read, PositionInfo{});
}

TEST(PositionInfoFile, OutOfRangeRecordsAreRefusedWhole) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    using B = std::vector<uint8_t>&;
    expectRefused(
        path, 0, [](B b) { putInt32(b, 8, 8); }, "stone 8");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 8, -1); }, "stone -1");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 12, 22); }, "model 22");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 12, 28); }, "model 28");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 12, -5); }, "model -5");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 16, 11); }, "colour 11");
    expectRefused(
        path, 0, [](B b) { putDouble(b, 20, 0.99); }, "index 0.99");
    expectRefused(
        path, 0, [](B b) { putDouble(b, 20, 3.01); }, "index 3.01");
    expectRefused(
        path, 0, [nan](B b) { putDouble(b, 20, nan); }, "index NaN");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 28, 2); }, "view order 2");
    expectRefused(
        path, 0, [nan](B b) { putDouble(b, 40, nan); }, "view cosine NaN");
    expectRefused(
        path, 0, [inf](B b) { putDouble(b, 72, -inf); }, "view sine -inf");
    expectRefused(
        path, 0, [inf](B b) { putDouble(b, 100, inf); }, "stone cosine inf");
    expectRefused(
        path, 0, [nan](B b) { putDouble(b, 124, nan); }, "stone sine NaN");
    expectRefused(
        path, 0, [nan](B b) { putDouble(b, 132, nan); }, "light angle NaN");
    expectRefused(
        path, 0, [inf](B b) { putDouble(b, 164, inf); }, "view azimuth inf");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 180, 1); }, "SY with GM");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 188, 2); }, "HQ 2");
    expectRefused(
        path, 0, [](B b) { b[201] = 1; }, "backdrop red 257");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 224, 201); }, "main light 201");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 232, -1); }, "fill light -1");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 244, 31); }, "width 31");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 244, 513); }, "width 513");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 248, -1); }, "trim -1");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 248, 281); }, "trim pair 301");
    expectRefused(
        path, 0,
        [](B b) {
            putInt32(b, 240, 0);
            putInt32(b, 256, 160);
        },
        "trim pair 200 in the fixed mode");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 0, 0); }, "no frames");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 0, 4097); }, "4097 frames");
    expectRefused(
        path, 0, [](B b) { putInt32(b, 4, 301); }, "frames done past the count");
    expectRefused(
        path, 23, [](B b) { putInt32(b, 284, 0); }, "ellipsoid rows 0");
    expectRefused(
        path, 23, [](B b) { putInt32(b, 280, 25); }, "ellipsoid surfaces 25");
    expectRefused(
        path, 24, [](B b) { putInt32(b, 272, 17); }, "prism sides 17");
    expectRefused(
        path, 25, [](B b) { putInt32(b, 276, 100); }, "pyramid height 100");
    expectRefused(
        path, 26, [](B b) { putInt32(b, 272, 0); }, "14 hedron 0");
    expectRefused(
        path, 27, [](B b) { putInt32(b, 272, 100); }, "26 hedron 100");
}

TEST(PositionInfoFile, TheReasonNamesTheField) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    ASSERT_TRUE(writePositionInfo(path, unusualInfo(0), nullptr));
    std::vector<uint8_t> b = readBytes(path);
    putInt32(b, 16, 42);
    writeBytes(path, b);
    PositionInfo read;
    std::string error;
    EXPECT_FALSE(readPositionInfo(path, read, false, &error));
    EXPECT_EQ(error,
              "the colour index 42 is outside 0..10; the file is damaged or is not a "
              "Position-Info File");

    // The frame count of a file that is no record at all, and a bad axis-order flag.
    b = readBytes(path);
    putInt32(b, 16, 8);
    putInt32(b, 0, -290883310);
    writeBytes(path, b);
    EXPECT_FALSE(readPositionInfo(path, read, false, &error));
    EXPECT_EQ(error,
              "the frame count -290883310 is outside 1..4096; the file is damaged or is not a "
              "Position-Info File");
    putInt32(b, 0, 300);
    putInt32(b, 28, 2);
    writeBytes(path, b);
    EXPECT_FALSE(readPositionInfo(path, read, false, &error));
    EXPECT_EQ(error.substr(0, error.find(';')),
              "the view orientation's axis order 2 is outside 0..1");
}

TEST(PositionInfoFile, OrientationsThatAreNoRotationsAreRefusedOnReadingAndWriting) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    const PositionInfo good = unusualInfo(0);
    ASSERT_TRUE(writePositionInfo(path, good, nullptr));
    const std::vector<uint8_t> record = readBytes(path);
    struct Case {
        size_t offset;  // of the double changed
        double value;
        const char* problem;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {32, 0.0, "the view orientation's x cosine and sine (0, -0.80000000000000004) are not"},
        {40, 1e160, "the view orientation's y cosine and sine (1e+160, 0.59999999999999998) are"},
        {116, 0.5, "the stone orientation's y cosine and sine (-0.28000000000000003, 0.5) are"},
        {100, 0.8 * (1 + 1e-5), "the stone orientation's z cosine and sine"},
        {140, inf, "the light's azimuth is not a finite number"},
        {172, -inf, "the view's turntable third angle is not a finite number"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = record;
        putDouble(b, c.offset, c.value);
        writeBytes(path, b);
        PositionInfo read = unusualInfo(24);
        std::string error;
        EXPECT_FALSE(readPositionInfo(path, read, false, &error)) << c.offset;
        EXPECT_EQ(error.rfind(c.problem, 0), 0u) << error;
        expectSameInfo(read, unusualInfo(24));
    }
    // A pair off the circle by far less than the tolerance is a rotation.
    std::vector<uint8_t> b = record;
    putDouble(b, 32, 0.6 * (1 + 1e-12));
    writeBytes(path, b);
    PositionInfo read;
    EXPECT_TRUE(readPositionInfo(path, read, false, nullptr));

    // What the writer is asked to store must read back: an all-zero view is refused and no
    // file is left behind.
    PositionInfo zero = good;
    zero.savedPosition.orientation = Orientation{0, {0, 0, 0}, {0, 0, 0}};
    const std::string fresh = folder.file("fresh.gpi");
    std::string error;
    EXPECT_FALSE(writePositionInfo(fresh, zero, &error));
    EXPECT_NE(error.find("the view orientation's x cosine and sine (0, 0)"), std::string::npos)
        << error;
    EXPECT_FALSE(fs::exists(fresh));
    PositionInfo huge = good;
    huge.stonePose.sines[2] = 1e160;
    EXPECT_FALSE(writePositionInfo(fresh, huge, &error));
    EXPECT_FALSE(fs::exists(fresh));
}

TEST(PositionInfoFile, TrimmingIsInForceWheneverAValueIsNotZero) {
    TempFolder folder;
    const std::string path = folder.file("stone.gpi");
    ASSERT_TRUE(writePositionInfo(path, unusualInfo(0), nullptr));
    std::vector<uint8_t> b = readBytes(path);
    putInt32(b, 264, 0);  // values 10, 20, 30, 40 stored with "trimming active" 0
    writeBytes(path, b);
    PositionInfo read;
    ASSERT_TRUE(readPositionInfo(path, read, false, nullptr));
    EXPECT_EQ(read.look.trimmingActive, 1);
    for (size_t offset = 248; offset < 264; offset += 4) putInt32(b, offset, 0);
    putInt32(b, 264, 1);  // no values, yet marked active
    writeBytes(path, b);
    ASSERT_TRUE(readPositionInfo(path, read, false, nullptr));
    EXPECT_EQ(read.look.trimmingActive, 0);
}

TEST(PositionInfoFile, AFileThatCannotBeReadGivesTheSystemsReason) {
    TempFolder folder;
    PositionInfo read;
    std::string error;
    EXPECT_FALSE(readPositionInfo(folder.file("missing.gpi"), read, false, &error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(readPositionInfo(folder.path(), read, false, &error));
    EXPECT_EQ(error, "it is a folder");
}

TEST(PositionInfoFile, AFailedWriteKeepsTheOldFile) {
    TempFolder folder;
    const std::string blocker = folder.file("plain-file");
    writeBytes(blocker, {9});
    std::string error;
    EXPECT_FALSE(writePositionInfo(blocker + "/stone.gpi", PositionInfo{}, &error));
    EXPECT_EQ(error, "Failed to open file.");

    const std::string path = folder.file("stone.gpi");
    ASSERT_TRUE(writePositionInfo(path, unusualInfo(24), nullptr));
    const std::vector<uint8_t> old = readBytes(path);
    EXPECT_FALSE(writePositionInfo(path + "/", PositionInfo{}, &error));
    EXPECT_EQ(readBytes(path), old);
}

TEST(PositionInfoFile, CorruptedFilesNeverGiveAnOutOfRangeState) {
    TempFolder folder;
    const std::string path = folder.file("fuzz.gpi");
    std::mt19937 random(20240611u);
    const std::vector<int32_t> models = {0, 23, 24, 25, 26, 27};
    const std::vector<int32_t> extremes = {0,
                                           -1,
                                           1,
                                           22,
                                           28,
                                           255,
                                           256,
                                           512,
                                           513,
                                           4096,
                                           4097,
                                           std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()};
    std::vector<std::vector<uint8_t>> goodFiles;
    for (int32_t model : models) {
        ASSERT_TRUE(writePositionInfo(path, unusualInfo(model), nullptr));
        goodFiles.push_back(readBytes(path));
    }
    int accepted = 0;
    int refused = 0;
    for (int iteration = 0; iteration < 4000; ++iteration) {
        std::vector<uint8_t> b = goodFiles[random() % goodFiles.size()];
        const int mutations = 1 + static_cast<int>(random() % 4);
        for (int m = 0; m < mutations; ++m) {
            switch (random() % 4) {
            case 0:  // flip one bit
                b[random() % b.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
                break;
            case 1:  // an extreme integer at a field boundary
                if (b.size() >= 4) {
                    putInt32(b, 4 * (random() % (b.size() / 4)),
                             extremes[random() % extremes.size()]);
                }
                break;
            case 2:  // random bytes
                b[random() % b.size()] = static_cast<uint8_t>(random());
                break;
            default:  // truncate
                b.resize(random() % (b.size() + 1));
                break;
            }
            if (b.empty()) {
                break;
            }
        }
        writeBytes(path, b);
        const PositionInfo before = unusualInfo(0);
        PositionInfo read = before;
        if (readPositionInfo(path, read, false, nullptr)) {
            ++accepted;
            ASSERT_EQ(positionInfoProblem(read), "") << "iteration " << iteration;
            ASSERT_TRUE(isStoneIndex(read.stoneIndex)) << iteration;
            ASSERT_TRUE(isColourIndex(read.colourIndex)) << iteration;
            ASSERT_GE(read.modelIndex, 0) << iteration;
            ASSERT_LT(read.modelIndex, kModelCount) << iteration;
            ASSERT_NE(read.modelIndex, kSeparatorModelIndex) << iteration;
            ASSERT_GE(read.refractiveIndex, 1.0) << iteration;
            ASSERT_LE(read.refractiveIndex, 3.0) << iteration;
        } else {
            ++refused;
            expectSameInfo(read, before);
            ASSERT_FALSE(testing::Test::HasFailure()) << "iteration " << iteration;
        }
    }
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 100);
}

TEST(PositionInfoFile, ADesignsPathFollowsTheRecord) {
    TempFolder folder;
    const std::string path = folder.file("design.gpi");
    const std::string cutPath = folder.file("cut.gpi");
    PositionInfo written = unusualInfo(kDesignModelIndex);
    written.designPath = "/home/faceter/Designs/Caf\xC3\xA9 brilliant.asc";
    ASSERT_TRUE(writePositionInfo(path, written, nullptr));
    PositionInfo read;
    read.look.transformable = written.look.transformable;  // a design stores no parameters
    std::string error;
    ASSERT_TRUE(readPositionInfo(path, read, false, &error)) << error;
    expectSameInfo(read, written);
    EXPECT_EQ(written.designPath, read.designPath);

    // The file is the cut's record, the model index aside, with the path after it: a reader
    // that stops after the record sees a whole record.
    PositionInfo cut = written;
    cut.modelIndex = 0;
    ASSERT_TRUE(writePositionInfo(cutPath, cut, nullptr));
    std::vector<uint8_t> designBytes = readBytes(path);
    const std::vector<uint8_t> cutBytes = readBytes(cutPath);
    ASSERT_EQ(cutBytes.size() + 4 + written.designPath.size(), designBytes.size());
    EXPECT_EQ(kDesignModelIndex, int32At(designBytes, 12));
    EXPECT_EQ(static_cast<int32_t>(written.designPath.size()), int32At(designBytes, 272));
    putInt32(designBytes, 12, 0);
    EXPECT_TRUE(std::equal(cutBytes.begin(), cutBytes.end(), designBytes.begin()));

    // A design record without its path, or with a count beyond the file, is refused whole.
    PositionInfo kept = unusualInfo(3);
    for (size_t size : {size_t{272}, size_t{276}, designBytes.size() - 1}) {
        std::vector<uint8_t> bytes = readBytes(path);
        bytes.resize(size);
        writeBytes(path, bytes);
        PositionInfo target = kept;
        EXPECT_FALSE(readPositionInfo(path, target, false, &error)) << size;
        EXPECT_EQ(3, target.modelIndex);
        EXPECT_TRUE(target.designPath.empty());
    }
    // Without a path a design cannot be recorded.
    written.designPath.clear();
    EXPECT_FALSE(positionInfoProblem(written).empty());
}

TEST(PositionInfoFile, FrameSettingsFollowEverythingAndOlderFilesReadWithout) {
    TempFolder folder;
    const std::string path = folder.file("turn.sqi"), plainPath = folder.file("turn.gpi");
    for (const int32_t model : {int32_t{24}, kDesignModelIndex}) {
        PositionInfo plain = unusualInfo(model);
        plain.designPath = "/designs/oval.asc";
        PositionInfo written = plain;
        written.frameSettings = FrameSettings{12, 2, 30};  // COS with a head shadow of 30 degrees
        ASSERT_TRUE(writePositionInfo(path, written, nullptr));
        ASSERT_TRUE(writePositionInfo(plainPath, plain, nullptr));
        // The record as without them, then 24 bytes: a reader that stops before them reads it.
        const std::vector<uint8_t> bytes = readBytes(path), plainBytes = readBytes(plainPath);
        ASSERT_EQ(bytes.size(), plainBytes.size() + 24) << model;
        EXPECT_TRUE(std::equal(plainBytes.begin(), plainBytes.end(), bytes.begin())) << model;
        PositionInfo read;
        std::string error;
        ASSERT_TRUE(readPositionInfo(path, read, false, &error)) << error;
        ASSERT_TRUE(read.frameSettings.has_value()) << model;
        EXPECT_EQ(read.frameSettings->recursionDepth, 12);
        EXPECT_EQ(read.frameSettings->lighting, 2);
        EXPECT_EQ(read.frameSettings->headShadow, 30);
        ASSERT_TRUE(readPositionInfo(plainPath, read, false, &error)) << error;
        EXPECT_FALSE(read.frameSettings.has_value()) << "a file without them gives none";
    }
    // A later version, settings cut short and a depth, lighting or head shadow out of range are
    // refused.
    const std::vector<uint8_t> good = readBytes(path);
    const size_t at = good.size() - 24;
    const std::pair<std::function<void(std::vector<uint8_t>&)>, const char*> damages[] = {
        {[&](std::vector<uint8_t>& b) { putInt32(b, at + 4, 2); }, "written by a later version"},
        {[](std::vector<uint8_t>& b) { b.pop_back(); },
         "the frame settings after the record are cut short"},
        {[&](std::vector<uint8_t>& b) { putInt32(b, at + 12, 25); },
         "the recursion depth 25 is outside 1..20"},
        {[&](std::vector<uint8_t>& b) { putInt32(b, at + 16, 3); },
         "the lighting 3 is outside 0..2"},
        {[&](std::vector<uint8_t>& b) { putInt32(b, at + 20, 46); },
         "the head shadow 46 is outside 0..45"}};
    for (const auto& [damage, reason] : damages) {
        std::vector<uint8_t> bytes = good;
        damage(bytes);
        writeBytes(path, bytes);
        PositionInfo target = unusualInfo(3);
        std::string error;
        EXPECT_FALSE(readPositionInfo(path, target, false, &error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(target.modelIndex, 3);
    }
}

}  // namespace
}  // namespace tavrine
