#include "app/render/render_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/model/model_record.h"
#include "app/render/pixel_colour.h"
#include "imgctl/imgctl.h"

namespace tavrine {
namespace {

// Records every report of a render job, and can ask for an abort at a given poll.
class Recorder : public RenderObserver {
  public:
    void renderStarted() override { events.push_back(-1000); }
    void progress(int32_t percent) override {
        percents.push_back(percent);
        rowsAtProgress.push_back(rows);
    }
    void rowFinished(int32_t, const imgctl::DibData&) override { ++rows; }
    bool abortRequested() override { return polls++ == abortAtPoll; }
    void renderEnded() override { events.push_back(-2000); }

    std::vector<int32_t> events;
    std::vector<int32_t> percents;
    std::vector<int32_t> rowsAtProgress;
    int32_t rows = 0;
    int32_t polls = 0;
    int32_t abortAtPoll = -1;
};

// A picture of W x W filled with one colour byte.
imgctl::DibHandle makePicture(int32_t width, uint8_t fill) {
    imgctl::BitmapInfoHeader header;
    header.width = width;
    header.height = -width;
    imgctl::DibHandle dib = imgctl::CreateDIB(header);
    imgctl::DibData* data = imgctl::DataDIB(dib);
    std::memset(data->rows, fill, static_cast<size_t>(data->stride) * data->height);
    return dib;
}

// A unit cube (the model list's cube) facing the viewer square-on: the front face z = -a.
struct CubeScene {
    std::vector<Vertex> vertices;
    std::vector<Facet> facets;
    RenderScene scene;

    CubeScene() {
        auto record = std::make_unique<ModelRecord>();
        record->modelIndex = 20;
        buildModel(*record, TransformableParams{});
        vertices.assign(record->modelVertices, record->modelVertices + record->vertexCount);
        facets.assign(record->facets, record->facets + record->facetCount);
        for (Facet& f : facets) {
            const Vec3& p0 = vertices[f.vertexIndex[0]];
            const Vec3& p1 = vertices[f.vertexIndex[1]];
            const Vec3& p2 = vertices[f.vertexIndex[2]];
            const Vec3 u{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
            const Vec3 v{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
            Vec3 n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
            const double l = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
            n = {n.x / l, n.y / l, n.z / l};
            f.normal = n;
            const double d = -(n.x * p0.x + n.y * p0.y + n.z * p0.z);
            f.plane[0] = n.x / d;
            f.plane[1] = n.y / d;
            f.plane[2] = n.z / d;
            f.plane[3] = 1.0;
        }
        scene.vertices = vertices.data();
        scene.vertexCount = static_cast<int32_t>(vertices.size());
        scene.facets = facets.data();
        scene.facetCount = static_cast<int32_t>(facets.size());
        scene.lightDirection = {0.0, 0.0, -1.0};
    }
};

// Runs the job on |picture| and takes the picture it returns back into |picture|; returns 1 for
// a completed job, 0 after an abort, -1 after a failure.
int32_t runJob(const RenderSettings& s, const RenderScene& scene, imgctl::DibHandle& picture,
               RenderObserver& observer, const RenderExecution& execution) {
    RenderResult result = renderJob(s, scene, imgctl::DibPtr(picture), observer, execution);
    picture = result.picture.release();
    if (result.status == RenderStatus::Failed) return -1;
    return result.status == RenderStatus::Completed ? 1 : 0;
}

RenderSettings smallSettings(int32_t width) {
    RenderSettings s;
    s.width = width;
    s.imageScale = imageScaleForWidth(width);
    return s;
}

TEST(RenderGeometry, CentrePixelIsTheRayThroughTheOrigin) {
    const Vec3 centre = primaryRayOrigin(135, 135, 270, 125);
    EXPECT_EQ(0.0, centre.x);
    EXPECT_EQ(0.0, centre.y);
    EXPECT_EQ(-1.1, centre.z);
    EXPECT_EQ(125, imageScaleForWidth(270));
    EXPECT_EQ(6, imageScaleForWidth(32));
    // W = 271 keeps the centre at 135: the picture reaches one column further right.
    const int32_t s = imageScaleForWidth(271);
    EXPECT_EQ(-135.0 / s, primaryRayOrigin(0, 135, 271, s).x);
    EXPECT_EQ(135.0 / s, primaryRayOrigin(270, 135, 271, s).x);
    // Rows grow downwards, y upwards.
    EXPECT_EQ(135.0 / s, primaryRayOrigin(135, 0, 271, s).y);
}

TEST(PixelColour, OffsetsClampsAndGlare) {
    EXPECT_EQ(40u + 40u * 256u + 40u * 65536u, pixelColourFromLight(0.0, 0.0, 0.0, 0.0));
    // 0.25 * 1600 + 20 = 420 clamps to 240; plus the glare offset 20 clamps to 255.
    EXPECT_EQ(255u, pixelColourFromLight(0.25, 0.0, 0.0, 0.0) & 0xFF);
    // Negative inner light clamps to 0 before the glare is added.
    EXPECT_EQ(20u, pixelColourFromLight(-5.0, 0.0, 0.0, 0.0) & 0xFF);
    // Glare 0.1 adds 120: 20 + 120 = 140 for a dark channel.
    EXPECT_EQ(140u, pixelColourFromLight(0.0, 0.0, 0.0, 0.1) & 0xFF);
    // Truncation, not rounding: 0.0006 * 1600 + 20 = 20.96, plus 20 = 40.96.
    EXPECT_EQ(40u, pixelColourFromLight(0.0006, 0.0, 0.0, 0.0) & 0xFF);
}

TEST(PixelColour, FireSampleIndexes) {
    EXPECT_NEAR(2.3595, fireSampleIndex(2.42, 0.025, 0), 1e-12);
    EXPECT_EQ(2.42, fireSampleIndex(2.42, 0.025, 1));
    EXPECT_NEAR(2.4805, fireSampleIndex(2.42, 0.025, 2), 1e-12);
    EXPECT_NEAR(0.04, normalReflectance(1.0, 1.5), 1e-15);
}

TEST(RenderJob, ProgressRunsFromZeroToHundredOncePerPercent) {
    CubeScene cube;
    RenderSettings s = smallSettings(270);
    s.renderFire = false;
    imgctl::DibHandle picture = makePicture(270, 0);
    Recorder rec;
    EXPECT_EQ(1, runJob(s, cube.scene, picture, rec, {1, false}));
    ASSERT_EQ(101u, rec.percents.size());
    for (int32_t i = 0; i <= 100; ++i) EXPECT_EQ(i, rec.percents[static_cast<size_t>(i)]);
    // The first percent is reported after the third row (3 * 100 / 270 = 1.11).
    EXPECT_EQ(3, rec.rowsAtProgress[1]);
    EXPECT_EQ(270, rec.rowsAtProgress[100]);
    EXPECT_EQ(270, rec.rows);
    EXPECT_EQ(270, rec.polls);
    ASSERT_EQ(2u, rec.events.size());
    imgctl::DeleteDIB(picture);
}

TEST(RenderJob, MissesShowTheBackdropExactly) {
    RenderScene empty;  // no facets: every ray misses
    for (bool fire : {false, true}) {
        RenderSettings s = smallSettings(40);
        s.renderFire = fire;
        s.backdrop[0] = 12;
        s.backdrop[1] = 200;
        s.backdrop[2] = 255;
        imgctl::DibHandle picture = makePicture(40, 0x55);
        Recorder rec;
        runJob(s, empty, picture, rec, {2, false});
        for (int32_t y = 0; y < 40; ++y) {
            for (int32_t x = 0; x < 40; ++x) {
                ASSERT_EQ(12u + 200u * 256u + 255u * 65536u, imgctl::PixelDIB(picture, x, y))
                    << "pixel " << x << "," << y << " fire " << fire;
            }
        }
        imgctl::DeleteDIB(picture);
    }
}

TEST(RenderJob, DarkStoneWithoutLightGivesFortyGrey) {
    CubeScene cube;
    RenderSettings s = smallSettings(64);
    s.renderFire = false;
    s.mainLight = 0;
    s.fillLight = 0;
    s.absorption[0] = s.absorption[1] = s.absorption[2] = 1000.0;
    imgctl::DibHandle picture = makePicture(64, 0);
    Recorder rec;
    runJob(s, cube.scene, picture, rec, {1, true});
    EXPECT_EQ(40u + 40u * 256u + 40u * 65536u, imgctl::PixelDIB(picture, 32, 32));
    imgctl::DeleteDIB(picture);
}

TEST(RenderJob, HighQualityRendersTwiceTheSizeThenShrinks) {
    CubeScene cube;
    RenderSettings s = smallSettings(48);
    s.highQuality = true;
    imgctl::DibHandle picture = makePicture(48, 0);
    Recorder rec;
    EXPECT_EQ(1, runJob(s, cube.scene, picture, rec, {1, false}));
    EXPECT_EQ(96, rec.polls);  // one poll per row of the 96 x 96 working picture
    EXPECT_EQ(48, imgctl::DataDIB(picture)->width);
    EXPECT_EQ(48, imgctl::DataDIB(picture)->height);
    EXPECT_EQ(0, rec.rows);  // nothing is shown row by row in HQ mode
    imgctl::DeleteDIB(picture);
}

TEST(RenderJob, AbortInTheFirstRowWritesNothingAndStillEnds) {
    CubeScene cube;
    for (int32_t threads : {1, 2}) {
        RenderSettings s = smallSettings(32);
        imgctl::DibHandle picture = makePicture(32, 0x77);
        Recorder rec;
        rec.abortAtPoll = 0;
        EXPECT_EQ(0, runJob(s, cube.scene, picture, rec, {threads, false}));
        EXPECT_EQ(0, rec.rows);
        ASSERT_EQ(2u, rec.events.size());
        EXPECT_EQ(0x777777u, imgctl::PixelDIB(picture, 16, 16));
        imgctl::DeleteDIB(picture);
    }
}

TEST(RenderJob, ThreadsAndFastPathGiveTheLiteralPixels) {
    CubeScene cube;
    cube.scene.lightDirection = {-0.5, 0.70710678118654757, -0.5};
    for (bool fire : {false, true}) {
        RenderSettings s = smallSettings(61);
        s.renderFire = fire;
        s.backdrop[0] = 40;
        imgctl::DibHandle reference = makePicture(61, 0);
        imgctl::DibHandle parallel = makePicture(61, 0);
        Recorder a;
        Recorder b;
        runJob(s, cube.scene, reference, a, {1, true});
        runJob(s, cube.scene, parallel, b, {3, false});
        const imgctl::DibData* ra = imgctl::DataDIB(reference);
        const imgctl::DibData* rb = imgctl::DataDIB(parallel);
        EXPECT_EQ(0, std::memcmp(ra->rows, rb->rows, static_cast<size_t>(ra->stride) * 61));
        imgctl::DeleteDIB(reference);
        imgctl::DeleteDIB(parallel);
    }
}

}  // namespace
}  // namespace tavrine

namespace tavrine {
namespace {

TEST(RenderJobHardening, AWrongPictureIsAFailedRenderThatStillEnds) {
    CubeScene cube;
    RenderSettings s = smallSettings(32);
    // Too small (it used to be written past its end), and the right size at 8 bits.
    imgctl::DibHandle small = makePicture(16, 0);
    imgctl::DibHandle eightBit = makePicture(32, 0);
    imgctl::DIBto8Bit(eightBit);
    for (imgctl::DibHandle wrong : {small, eightBit}) {
        Recorder rec;
        RenderResult result = renderJob(s, cube.scene, imgctl::DibPtr(wrong), rec, {2, false});
        EXPECT_EQ(RenderStatus::Failed, result.status);
        EXPECT_EQ(nullptr, result.picture);
        EXPECT_NE(std::string::npos, result.error.find("32 x 32")) << result.error;
        ASSERT_EQ(2u, rec.events.size());  // started and ended
        EXPECT_EQ(0, rec.rows);
    }
    // HQ with a given picture, and no picture at all: the job returns its own W x W picture.
    for (bool hq : {false, true}) {
        s.highQuality = hq;
        Recorder rec;
        RenderResult result = renderJob(s, cube.scene, nullptr, rec, {2, false});
        ASSERT_EQ(RenderStatus::Completed, result.status);
        EXPECT_EQ(32, imgctl::DataDIB(result.picture.get())->width);
        EXPECT_EQ(32, imgctl::DataDIB(result.picture.get())->height);
    }
}

// Throws from the report of a chosen row.
class ThrowingObserver : public RenderObserver {
  public:
    void rowFinished(int32_t, const imgctl::DibData&) override {
        if (++rows == 5) throw std::runtime_error("observer failed");
    }
    int32_t rows = 0;
};

TEST(RenderJobHardening, AnObserverThatThrowsLeavesNoWorkerRunning) {
    CubeScene cube;
    RenderSettings s = smallSettings(40);
    ThrowingObserver observer;
    // Without the workers joined first, the pool's destructor would end the process.
    EXPECT_THROW(renderJob(s, cube.scene, nullptr, observer, {3, false}), std::runtime_error);
    EXPECT_EQ(5, observer.rows);
}

TEST(RenderJobHardening, ObserverCallsComeFromTheCallingThreadOneAtATime) {
    CubeScene cube;
    RenderSettings s = smallSettings(60);
    struct SameThread : RenderObserver {
        std::thread::id caller = std::this_thread::get_id();
        int32_t foreign = 0;
        std::vector<int32_t> rowsSeen;
        void check() { foreign += std::this_thread::get_id() == caller ? 0 : 1; }
        void progress(int32_t) override { check(); }
        void rowFinished(int32_t row, const imgctl::DibData& picture) override {
            check();
            rowsSeen.push_back(row);
            EXPECT_EQ(60, picture.width);
        }
        bool abortRequested() override {
            check();
            return false;
        }
    } observer;
    RenderResult result = renderJob(s, cube.scene, nullptr, observer, {4, false});
    EXPECT_EQ(RenderStatus::Completed, result.status);
    EXPECT_EQ(0, observer.foreign);
    std::sort(observer.rowsSeen.begin(), observer.rowsSeen.end());
    ASSERT_EQ(60u, observer.rowsSeen.size());
    for (int32_t i = 0; i < 60; ++i) EXPECT_EQ(i, observer.rowsSeen[static_cast<size_t>(i)]);
}

TEST(PixelColour, NanLightBecomesZeroNotUndefined) {
    const double nan = std::nan("");
    EXPECT_EQ(0u, pixelColourFromLight(nan, 0.0, 0.0, 0.0) & 0xFFu);
    EXPECT_EQ(0u, pixelColourFromLight(0.0, 0.0, 0.0, nan));
    EXPECT_EQ(40u << 16, pixelColourFromLight(nan, nan, 0.0, 0.0));
}

}  // namespace
}  // namespace tavrine
