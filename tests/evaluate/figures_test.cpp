#include "app/evaluate/figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/evaluate/tilt_render.h"
#include "app/model/gemcad_design.h"
#include "app/render/pixel_colour.h"
#include "app/settings/value_ranges.h"
#include "app/view/face_up.h"

namespace tavrine::evaluate {
namespace {

// The cube, whose face +y is the table, seen from above with -z at the top of the picture.
std::unique_ptr<ModelRecord> cube() {
    auto record = std::make_unique<ModelRecord>();
    record->modelIndex = models::kRegularHedron6;
    buildModel(*record, TransformableParams{});
    return record;
}

// The scene of a colourless stone of the index in the lighting, rendered 48 pixels wide.
EvaluationScene sceneOf(const ModelRecord& model, const Vec3& top, Lighting lighting, double index,
                        int32_t headShadow, int32_t depth = 20) {
    EvaluationScene scene;
    scene.model = &model;
    scene.faceUp = faceUpView(Orientation{}, top);
    scene.settings.lighting = lighting;
    scene.settings.stoneIndex = index;
    scene.settings.headShadow = headShadow;
    scene.settings.maxDepth = depth;
    scene.settings.width = 48;
    scene.settings.imageScale = imageScaleForWidth(48);
    return scene;
}

Evaluation evaluated(const EvaluationScene& scene, double tilt) {
    RenderObserver quiet;
    Evaluation result = evaluateAtTilt(scene, tilt, quiet);
    EXPECT_EQ(result.status, RenderStatus::Completed) << result.error;
    EXPECT_GT(result.figures.stonePixels, 0);
    return result;
}

// Face-on, every ray meets the cube's front face squarely and bounces between it and the back
// face: a slab, which returns 2R / (1 + R) of the light with R Fresnel's reflectance at normal
// incidence, whatever the lighting (every ray back leaves straight towards the eye), in every Fire
// sample. A head shadow of a single degree takes all of it.
TEST(Figures, CubeFaceOnReturnsTheSlabReflectanceOfFresnel) {
    const auto stone = cube();
    for (const double index : {1.5, 2.42}) {
        const double r = ((index - 1.0) / (index + 1.0)) * ((index - 1.0) / (index + 1.0));
        const double expected = 100.0 * 2.0 * r / (1.0 + r);  // 7.69 % and 29.41 %
        for (const Lighting lighting : {Lighting::Iso, Lighting::Cos}) {
            const Figures f =
                evaluated(sceneOf(*stone, {0, 0, -1}, lighting, index, 0), 0.0).figures;
            EXPECT_NEAR(f.brightness, expected, 1e-9) << index;
            EXPECT_EQ(f.darkArea, expected < 25.0 ? 100.0 : 0.0) << index;
        }
        const Figures shadowed =
            evaluated(sceneOf(*stone, {0, 0, -1}, Lighting::Iso, index, 1), 0.0).figures;
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
    const Evaluation even = evaluated(sceneOf(*stone, {0, 0, -1}, Lighting::Iso, 2.42, 0, 6), 3.0);
    const Evaluation none = evaluated(sceneOf(*stone, {0, 0, -1}, Lighting::Cos, 2.42, 0, 6), 3.0);
    const Evaluation narrow =
        evaluated(sceneOf(*stone, {0, 0, -1}, Lighting::Cos, 2.42, 5, 6), 3.0);
    const Evaluation wide = evaluated(sceneOf(*stone, {0, 0, -1}, Lighting::Cos, 2.42, 7, 6), 3.0);
    const int32_t w = none.radiance.width;
    const int32_t scale = imageScaleForWidth(48);
    int32_t middle = 0;
    for (int32_t row = 0; row < w; ++row) {
        for (int32_t column = 0; column < w; ++column) {
            const Vec3 o = primaryRayOrigin(column, row, w, scale);
            if (o.x * o.x > 0.09 || o.y * o.y > 0.09) continue;
            const size_t i = static_cast<size_t>(row * w + column);
            ASSERT_EQ(none.radiance.meetsStone[i], 1);
            EXPECT_GT(none.radiance.luminance[i], 0.2);
            EXPECT_NEAR(none.radiance.luminance[i],
                        std::cos(6.0 * 3.141592653589793 / 180.0) * even.radiance.luminance[i],
                        1e-12);
            EXPECT_EQ(narrow.radiance.luminance[i], none.radiance.luminance[i])
                << column << ", " << row;
            EXPECT_EQ(wide.radiance.luminance[i], 0.0) << column << ", " << row;
            ++middle;
        }
    }
    EXPECT_GT(middle, 60);
    EXPECT_LT(wide.figures.brightness, narrow.figures.brightness);
}

// A round design of eight pavilion mains, eight crown mains and a table, in a stone of index 1.54
// (critical angle 40.5 degrees), with its pavilion at the given angle.
std::unique_ptr<ModelRecord> roundDesign(double pavilionAngle, GemCadDesign& design) {
    design.gearTeeth = 96;
    design.symmetry = 8;
    design.mirror = true;
    design.refractiveIndex = 1.54;
    const double kDegree = 3.141592653589793 / 180.0;
    auto tier = [](double angle, bool pavilion, double distance, double index) {
        DesignTier t;
        t.angle = angle;
        t.pavilion = pavilion;
        t.distance = distance;
        t.indexes = {index};
        return t;
    };
    // Each main meets the girdle at radius 1; the table stands 0.3 above it.
    design.tiers = {tier(-pavilionAngle, true, std::sin(pavilionAngle * kDegree), 0.0),
                    tier(35.0, false, std::sin(35.0 * kDegree), 6.0), tier(0.0, false, 0.3, 0.0)};
    auto record = std::make_unique<ModelRecord>();
    std::string error;
    EXPECT_TRUE(buildDesignModel(design, "round.asc", record->modelVertices, record->facets,
                                 record->vertexCount, record->facetCount, nullptr, &error))
        << error;
    std::copy(record->modelVertices, record->modelVertices + record->vertexCount,
              record->baseVertices);
    return record;
}

// Light that enters the table meets a pavilion below the critical angle at less than that angle
// and leaks out of the back: face-up under ISO such a stone is far darker than one cut steeper.
TEST(Figures, PavilionBelowTheCriticalAngleLeaksTheLight) {
    GemCadDesign steep, shallow;
    const auto wellCut = roundDesign(43.0, steep);
    const auto leaking = roundDesign(30.0, shallow);
    const Figures good = evaluated(sceneOf(*wellCut, gearIndexDirection(steep, 0), Lighting::Iso,
                                           1.54, ranges::kDefaultHeadShadow),
                                   0.0)
                             .figures;
    const Figures poor = evaluated(sceneOf(*leaking, gearIndexDirection(shallow, 0), Lighting::Iso,
                                           1.54, ranges::kDefaultHeadShadow),
                                   0.0)
                             .figures;
    EXPECT_GT(good.brightness, 60.0);
    EXPECT_LT(poor.brightness, 0.5 * good.brightness);
    EXPECT_GT(poor.darkArea, good.darkArea + 50.0);
}

}  // namespace
}  // namespace tavrine::evaluate
