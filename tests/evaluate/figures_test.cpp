#include "app/evaluate/figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/evaluate/tilt_render.h"
#include "app/evaluate/tilt_sweep.h"
#include "app/model/gemcad_design.h"
#include "app/render/pixel_colour.h"
#include "app/settings/value_ranges.h"
#include "app/view/face_up.h"

namespace tavrine::evaluate {
namespace {

constexpr double kDegree = 3.141592653589793 / 180.0;

// The stone face-up (its -z at the top of the picture), colourless, rendered 48 pixels wide with
// Fire, and evaluated tilted by tilt degrees.
Evaluation evaluated(const ModelRecord& model, Lighting lighting, double index, int32_t headShadow,
                     double tilt = 0.0, int32_t depth = 20) {
    EvaluationScene scene;
    scene.model = &model;
    scene.faceUp = faceUpView(Orientation{}, {0.0, 0.0, -1.0});
    scene.settings.lighting = lighting;
    scene.settings.stoneIndex = index;
    scene.settings.headShadow = headShadow;
    scene.settings.maxDepth = depth;
    scene.settings.width = 48;
    scene.settings.imageScale = imageScaleForWidth(48);
    RenderObserver quiet;
    Evaluation result = evaluateAtTilt(scene, tilt, quiet);
    EXPECT_EQ(result.status, RenderStatus::Completed) << result.error;
    EXPECT_GT(result.figures.stonePixels, 0);
    return result;
}

std::unique_ptr<ModelRecord> cube() {
    auto record = std::make_unique<ModelRecord>();
    record->modelIndex = models::kRegularHedron6;
    buildModel(*record, TransformableParams{});
    return record;
}

// Face-on, every ray meets the cube's front face squarely and bounces between it and the back
// face: a slab, which returns 2R / (1 + R) of the light with R Fresnel's reflectance at normal
// incidence, whatever the lighting (every ray back leaves straight towards the eye) and in every
// Fire sample. A head shadow of a single degree takes all of it.
TEST(Figures, CubeFaceOnReturnsTheSlabReflectanceOfFresnel) {
    const auto stone = cube();
    for (const double n : {1.5, 2.42}) {
        const double r = ((n - 1.0) / (n + 1.0)) * ((n - 1.0) / (n + 1.0));
        const double expected = 100.0 * 2.0 * r / (1.0 + r);  // 7.69 % and 29.41 %
        for (const Lighting lighting : {Lighting::Iso, Lighting::Cos}) {
            const Figures f = evaluated(*stone, lighting, n, 0).figures;
            EXPECT_NEAR(f.brightness, expected, 1e-9) << n;
            EXPECT_EQ(f.darkArea, expected < 25.0 ? 100.0 : 0.0) << n;
        }
        const Figures shadowed = evaluated(*stone, Lighting::Iso, n, 1).figures;
        EXPECT_EQ(shadowed.brightness, 0.0);
        EXPECT_EQ(shadowed.darkArea, 100.0);
    }
}

// Tilted by 3 degrees, the front face sends the glare, and every ray that has only bounced between
// the front and the back face, 6 degrees off the line of sight: COS gives such a pixel cos 6
// degrees of ISO's light, a head shadow of 5 degrees leaves it as without one, and one of 7 degrees
// darkens it completely. (The depth keeps the rays of the middle pixels off the side faces.)
TEST(Figures, HeadShadowTakesTheLightWithinItsConeAndNothingElse) {
    const auto stone = cube();
    const Evaluation even = evaluated(*stone, Lighting::Iso, 2.42, 0, 3.0, 6);
    const Evaluation none = evaluated(*stone, Lighting::Cos, 2.42, 0, 3.0, 6);
    const Evaluation narrow = evaluated(*stone, Lighting::Cos, 2.42, 5, 3.0, 6);
    const Evaluation wide = evaluated(*stone, Lighting::Cos, 2.42, 7, 3.0, 6);
    const int32_t w = none.radiance.width;
    int32_t middle = 0;
    for (int32_t row = 0; row < w; ++row) {
        for (int32_t column = 0; column < w; ++column) {
            const Vec3 o = primaryRayOrigin(column, row, w, imageScaleForWidth(48));
            if (o.x * o.x > 0.09 || o.y * o.y > 0.09) continue;
            const size_t i = static_cast<size_t>(row * w + column);
            const double light = none.radiance.luminance[i];
            EXPECT_GT(light, 0.2);
            EXPECT_NEAR(light, std::cos(6.0 * kDegree) * even.radiance.luminance[i], 1e-12);
            EXPECT_EQ(narrow.radiance.luminance[i], light) << column << ", " << row;
            EXPECT_EQ(wide.radiance.luminance[i], 0.0) << column << ", " << row;
            ++middle;
        }
    }
    EXPECT_GT(middle, 60);
}

// A round design of index 1.54 (critical angle 40.5 degrees): `fold` pavilion mains at the angle
// and as many crown mains, each meeting the girdle at radius 1, and a table.
std::unique_ptr<ModelRecord> roundDesign(double pavilion, int fold = 8) {
    const std::string text = "GemCad 5.0\ng 96 0.0\ny " + std::to_string(fold) + " y\nI 1.54\na -" +
                             std::to_string(pavilion) + " " +
                             std::to_string(std::sin(pavilion * kDegree)) + " 96\na 35 " +
                             std::to_string(std::sin(35.0 * kDegree)) + " 06\na 0 0.3 96\n";
    GemCadDesign design;
    auto record = std::make_unique<ModelRecord>();
    std::string error;
    EXPECT_TRUE(parseGemCadDesign(text, "round.asc", design, &error)) << error;
    EXPECT_TRUE(buildDesignModel(design, "round.asc", record->modelVertices, record->facets,
                                 record->vertexCount, record->facetCount, nullptr, &error))
        << error;
    std::copy_n(record->modelVertices, record->vertexCount, record->baseVertices);
    return record;
}

// Light that enters the table meets a pavilion below the critical angle at less than that angle
// and leaks out of the back: face-up under ISO such a stone is far darker than one cut steeper.
TEST(Figures, PavilionBelowTheCriticalAngleLeaksTheLight) {
    const Figures good = evaluated(*roundDesign(43.0), Lighting::Iso, 1.54, 10).figures;
    const Figures poor = evaluated(*roundDesign(30.0), Lighting::Iso, 1.54, 10).figures;
    EXPECT_GT(good.brightness, 60.0);
    EXPECT_LT(poor.brightness, 0.5 * good.brightness);
    EXPECT_GT(poor.darkArea, good.darkArea + 50.0);
}

// Eight-fold with mirrors, the design is the same upside down in the face-up picture (index 0
// at the top, 48 at the bottom), and the dome of light is the same all round the line of sight:
// tilting its top away gives the figures of tilting it towards, to rounding (the pixel grid is
// symmetric too). Three-fold, it is not. Each sweep keeps the pictures it is asked for, one per
// row (the face-up one alone, or all).
TEST(TiltSweep, AMirrorSymmetricDesignSweepsSymmetricallyAndTheTiltCounts) {
    const auto sweepOf = [](const ModelRecord& model, KeptPictures kept) {
        EvaluationScene scene;
        scene.model = &model;
        scene.faceUp = faceUpView(Orientation{}, {0.0, 0.0, -1.0});
        scene.settings.lighting = Lighting::Iso;
        scene.settings.stoneIndex = 1.54;
        scene.settings.width = 64;
        scene.settings.imageScale = imageScaleForWidth(64);
        SweepObserver quiet;
        Sweep sweep = sweepTilts(scene, TiltRange{30.0, 10.0}, quiet, {}, kept);
        EXPECT_EQ(sweep.status, RenderStatus::Completed) << sweep.error;
        EXPECT_EQ(sweep.rows.size(), 7u);
        EXPECT_EQ(sweep.pictures.size(), 7u);
        for (size_t i = 0; i < sweep.pictures.size(); ++i) {
            const bool face = sweep.rows[i].tiltDegrees == 0.0;
            EXPECT_EQ(sweep.pictures[i] != nullptr, kept == KeptPictures::All || face) << i;
        }
        return sweep.rows;
    };
    const auto round = roundDesign(43.0);
    const auto trillion = roundDesign(43.0, 3);
    const std::vector<TiltRow> even = sweepOf(*round, KeptPictures::FaceUp);
    const std::vector<TiltRow> odd = sweepOf(*trillion, KeptPictures::All);
    ASSERT_EQ(even.size(), 7u);
    ASSERT_EQ(odd.size(), 7u);
    double oddMost = 0.0;
    double evenMost = 0.0;
    for (size_t i = 0; i < 3; ++i) {
        const TiltRow& down = even[i];
        const TiltRow& up = even[6 - i];
        EXPECT_EQ(down.tiltDegrees, -up.tiltDegrees);
        EXPECT_NEAR(down.figures.brightness, up.figures.brightness, 1e-9) << up.tiltDegrees;
        EXPECT_NEAR(down.figures.darkArea, up.figures.darkArea, 1e-9) << up.tiltDegrees;
        EXPECT_EQ(down.figures.stonePixels, up.figures.stonePixels) << up.tiltDegrees;
        evenMost =
            std::max(evenMost, std::fabs(down.figures.brightness - even[3].figures.brightness));
        oddMost =
            std::max(oddMost, std::fabs(odd[i].figures.brightness - odd[6 - i].figures.brightness));
    }
    // The rows tell the tilts apart, and the three-fold design's two sides differ.
    EXPECT_GT(evenMost, 1.0);
    EXPECT_GT(oddMost, 1.0);
}

// The CSV keeps a tilt of a fine step whole, so that no two rows read alike.
TEST(TiltSweep, CsvWritesEachTiltAsItIs) {
    std::vector<TiltRow> rows;
    for (const double t : tiltsOf(TiltRange{0.5, 0.25})) rows.push_back(TiltRow{t, Figures{}});
    EXPECT_EQ(tiltCsv(rows),
              "tilt_deg,brightness_percent,dark_percent\n-0.5,0.00,0.00\n-0.25,0.00,0.00\n"
              "0.0,0.00,0.00\n0.25,0.00,0.00\n0.5,0.00,0.00\n");
}

}  // namespace
}  // namespace tavrine::evaluate
