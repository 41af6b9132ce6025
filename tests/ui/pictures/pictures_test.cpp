#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>
#include <memory>

#include "app/ui/pictures/indicator_picture.h"
#include "app/ui/pictures/panel_pictures.h"
#include "app/ui/pictures/preview_picture.h"
#include "app/view/view_space.h"

namespace tavrine {
namespace {

// A model of facets given by view-space corners; the normals and planes are computed as the
// preview pass does before drawing.
struct FlatModel {
    std::unique_ptr<ModelRecord> model = std::make_unique<ModelRecord>();
    std::vector<Vertex> view;

    void addFacet(std::initializer_list<Vertex> corners) {
        Facet& f = model->facets[model->facetCount++];
        f.vertexCount = static_cast<int32_t>(corners.size());
        int32_t i = 0;
        for (const Vertex& v : corners) {
            view.push_back(v);
            f.vertexIndex[i++] = model->vertexCount++;
        }
    }
    void computePlanes() { computeFacetPlanes(*model, view.data()); }
};

// A square facing the viewer at depth z: corners counter-clockwise on screen, normal (0, 0, -1).
FlatModel frontSquare(double z = -0.5) {
    FlatModel m;
    m.addFacet({{-0.5, -0.5, z}, {0.5, -0.5, z}, {0.5, 0.5, z}, {-0.5, 0.5, z}});
    m.computePlanes();
    return m;
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

uint32_t grey(int32_t level) {
    return (static_cast<uint32_t>(level) << 16) | (static_cast<uint32_t>(level) << 8) |
           static_cast<uint32_t>(level);
}

TEST(PreviewPicture, BaseLevelFollowsTheLightWithItsLimits) {
    PreviewPicture preview;
    FlatModel m = frontSquare();
    EXPECT_EQ(-1.0, m.model->facets[0].normal.z);
    const PolygonColour white = polygonColour(0);
    // s = 0 (light across the facet): base 128, no highlight (r = 0).
    EXPECT_EQ(1, preview.draw(*m.model, m.view.data(), {1.0, 0.0, 0.0}, white, {}));
    EXPECT_EQ(grey(128), at(preview.frame(), 99, 99));
    // s = -0.5: floor(-70) + 128 = 58, limited to 64; r = 1 - 0.5 > 0 counts nothing.
    preview.draw(*m.model, m.view.data(), {0.0, 0.0, 0.5}, white, {});
    EXPECT_EQ(grey(64), at(preview.frame(), 99, 99));
    // s = 126/140: base 254; at s = 127/140 and above 255 (with the highlight added on top).
    preview.draw(*m.model, m.view.data(), {0.0, -0.9, 0.0}, white, {});
    EXPECT_EQ(grey(128), at(preview.frame(), 99, 99));  // light across again: n.L = 0
    const double s = 0.91;                              // 127.4 -> 255
    preview.draw(*m.model, m.view.data(), {0.0, 0.0, -s}, polygonColour(1), {});
    // r = 2 s n.z - L.z = -s: highlight floor(s^16 * 256).
    const int32_t highlight = static_cast<int32_t>(std::floor(std::pow(s, 16.0) * 256.0));
    EXPECT_EQ(56, highlight);
    EXPECT_EQ(
        (255u << 16) | (static_cast<uint32_t>(highlight) << 8) | static_cast<uint32_t>(highlight),
        at(preview.frame(), 99, 99));
    // Green polygon colour 0.7 at base 128: floor(89.6) = 89.
    preview.draw(*m.model, m.view.data(), {1.0, 0.0, 0.0}, polygonColour(2), {});
    EXPECT_EQ(89u << 8, at(preview.frame(), 99, 99));
    // Just below 127/140 the base is 254, from it 255 (r = -0.5 adds no highlight here).
    const PolygonColour full{1.0, 1.0, 1.0};
    EXPECT_EQ(grey(254), previewFacetRgb({1, 0, 0}, {0.905, 0.0, 0.5}, full));
    EXPECT_EQ(grey(255), previewFacetRgb({1, 0, 0}, {0.91, 0.0, 0.5}, full));
    // s = 0.5: base 198; r = -0.5 gives floor(0.5^16 * 256) = 0.
    EXPECT_EQ(grey(198), previewFacetRgb({0, 0, -1}, {0.0, 0.0, -0.5}, full));
}

TEST(PreviewPicture, BackFacetsAreCulledEdgeOnFacetsDrawnAndTheBoxClearedBlack) {
    PreviewPicture preview;
    FlatModel back;
    back.addFacet({{-0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0.5, -0.5, 0.5}, {-0.5, -0.5, 0.5}});
    back.computePlanes();
    EXPECT_EQ(0, preview.draw(*back.model, back.view.data(), {0, 0, -1}, polygonColour(0), {}));
    EXPECT_EQ(0u, at(preview.frame(), 99, 99));

    // A facet in the plane x = 0.2 is seen edge-on: its cross product is 0 and it is drawn.
    FlatModel edge;
    edge.addFacet({{0.2, -0.5, -0.5}, {0.2, -0.5, 0.5}, {0.2, 0.5, 0.5}, {0.2, 0.5, -0.5}});
    edge.computePlanes();
    EXPECT_EQ(1,
              preview.draw(*edge.model, edge.view.data(), {1.0, 0.0, 0.0}, polygonColour(0), {}));
    // Its outline is the column 99 + 18 = 117, from row 54 to 144.
    EXPECT_NE(0u, at(preview.frame(), 117, 99));
    EXPECT_EQ(0u, at(preview.frame(), 116, 99));
    EXPECT_EQ(0u, at(preview.frame(), 118, 99));
    EXPECT_EQ(0u, at(preview.frame(), 10, 10));
}

TEST(PreviewPicture, PlaneThroughTheOriginAndCornersRoundDown) {
    // A facet through the view-space origin keeps the plane (n, 0).
    FlatModel m;
    m.addFacet({{-0.5, -0.5, 0.0}, {0.5, -0.5, 0.0}, {0.5, 0.5, 0.0}});
    m.computePlanes();
    const Facet& f = m.model->facets[0];
    EXPECT_EQ(0.0, f.plane[3]);
    EXPECT_EQ(f.normal.z, f.plane[2]);
    // Corners at 99 + 90 x rounded down: x = -0.5 gives 54, 0.5 gives 144.
    FlatModel square = frontSquare();
    PreviewPicture preview;
    preview.draw(*square.model, square.view.data(), {1.0, 0.0, 0.0}, polygonColour(0), {});
    const QImage frame = preview.frame();
    EXPECT_EQ(grey(128), at(frame, 54, 54));
    EXPECT_EQ(grey(128), at(frame, 144, 144));
    EXPECT_EQ(0u, at(frame, 53, 99));
    EXPECT_EQ(0u, at(frame, 145, 99));
    EXPECT_EQ(0u, at(frame, 99, 145));
}

TEST(PreviewPicture, TrimmingFrameIsOutlinedInGreen) {
    PreviewPicture preview;
    FlatModel m = frontSquare();
    PreviewFrame frame;
    frame.active = true;
    frame.left = 10;
    frame.top = 20;
    frame.right = 189;
    frame.bottom = 179;
    preview.draw(*m.model, m.view.data(), {1.0, 0.0, 0.0}, polygonColour(0), frame);
    const QImage image = preview.frame();
    EXPECT_EQ(0x00C800u, at(image, 10, 20));
    EXPECT_EQ(0x00C800u, at(image, 188, 178));
    EXPECT_EQ(0x00C800u, at(image, 10, 100));
    EXPECT_EQ(0u, at(image, 189, 100));
    EXPECT_EQ(0u, at(image, 11, 21));
}

// The fixed view turned independently: R of order 0 is z, then x, then y; the point in the view
// is R^T p, whose components are p's dot products with R's columns.
Vec3 fixedView(const Vec3& p) {
    const double cx = std::cos(3.141592653589793 / 8.0);
    const double sx = -std::sin(3.141592653589793 / 8.0);
    const double cy = std::cos(3.141592653589793 / 12.0);
    const double sy = std::sin(3.141592653589793 / 12.0);
    // Columns of R = Ry(sy) Rx(sx) with the row conventions of the orientation formulas.
    auto apply = [&](const Vec3& v) {
        const double y2 = v.y * cx + v.z * sx;
        const double z2 = -v.y * sx + v.z * cx;
        return Vec3{v.x * cy - z2 * sy, y2, v.x * sy + z2 * cy};
    };
    const Vec3 ex = apply({1, 0, 0});
    const Vec3 ey = apply({0, 1, 0});
    const Vec3 ez = apply({0, 0, 1});
    return Vec3{p.x * ex.x + p.y * ex.y + p.z * ex.z, p.x * ey.x + p.y * ey.y + p.z * ey.z,
                p.x * ez.x + p.y * ez.y + p.z * ez.z};
}

int px(double v) { return static_cast<int>(99.0 + 90.0 * v); }
int py(double v) { return static_cast<int>(99.0 - 90.0 * v); }

TEST(IndicatorPicture, CirclesAndHalfAxesWhereTheFixedViewPutsThem) {
    IndicatorPicture indicator;
    indicator.drawBackground();
    const QImage& layer = indicator.layer(0);
    // The positive half-axes end in light grey at the circles' first points; the centre is grey.
    for (const Vec3& axis : {Vec3{0, 0, 1}, Vec3{0, 1, 0}, Vec3{1, 0, 0}}) {
        const Vec3 q = fixedView(axis);
        EXPECT_EQ(0xE0E0E0u, at(layer, px(q.x), py(q.y))) << axis.x << axis.y << axis.z;
    }
    EXPECT_EQ(0xE0E0E0u, at(layer, 99, 99));
    // The negative half-axes' outer ends (the circles' opposite points) sit on the circles: blue
    // is drawn over the red start there, so look one step along the red line instead.
    const Vec3 q = fixedView({0, -1, 0});
    const int x = static_cast<int>(99.0 + 90.0 * q.x * 0.5);
    const int y = static_cast<int>(99.0 - 90.0 * q.y * 0.5);
    EXPECT_EQ(0xE00000u, at(layer, x, y));
    // A circle point far from every axis line is blue: the xz circle at 45 degrees.
    const double h = std::sin(3.141592653589793 / 4.0);
    const Vec3 c = fixedView({h, 0, h});
    EXPECT_EQ(0x0000E0u, at(layer, px(c.x), py(c.y)));
}

TEST(IndicatorPicture, LightArrowAndTrailAtTheirPixels) {
    IndicatorPicture indicator;
    const LightAngles angles{0.4363323129985824, 4.71238898038469, 0.0};
    const Vec3 light{std::cos(angles.elevation) * std::sin(angles.azimuth),
                     std::sin(angles.elevation),
                     std::cos(angles.elevation) * std::cos(angles.azimuth)};
    indicator.drawLightRay(angles, light);
    const Vec3 a = fixedView(light);
    EXPECT_EQ(0xFFFF00u, at(indicator.layer(3), px(a.x), py(a.y)));
    EXPECT_EQ(0xFFFF00u, at(indicator.layer(3), 99, 99));
    // The foot on the horizontal plane ends the dark yellow lines.
    const Vec3 g = fixedView({light.x, 0.0, light.z});
    EXPECT_EQ(0x808000u, at(indicator.layer(3), px(g.x), py(g.y)));

    ViewPointTrail trail;
    trail.restart(50, 60);
    indicator.drawTrail(trail, true);
    EXPECT_EQ(0u, at(indicator.layer(2), 50, 60));
    trail.add(50, 100);
    indicator.drawTrail(trail, false);
    // The newest segment is white; the older ones are single points under it.
    EXPECT_EQ(grey(255), at(indicator.layer(2), 50, 80));
    EXPECT_EQ(grey(255), at(indicator.layer(2), 50, 100));
    for (int i = 0; i < 20; ++i) trail.add(50 + 2 * i, 150);
    indicator.drawTrail(trail, false);
    // Segment 58 (newest) is white, segment 57 floor(255 * 58 / 59) = 250.
    EXPECT_EQ(grey(250), at(indicator.layer(2), 85, 150));
}

TEST(IndicatorPicture, CompositionCopiesTheCacheInsetAndOrsTheLiveLayer) {
    IndicatorPicture indicator;
    indicator.drawBackground();
    ViewPointTrail trail;
    trail.restart(20, 20);
    trail.add(20, 180);
    indicator.drawTrail(trail, false);
    const LightAngles angles{0.7853981633974483, 3.9269908169872414, 0.0};
    const Vec3 light{-0.5, 0.7071067811865476, -0.5};
    indicator.drawLightRay(angles, light);
    indicator.compose(2, true, true);
    QImage box = indicator.frame();
    // Layer 0 and 3 ORed in the cache, the trail ORed as the live layer.
    EXPECT_EQ(grey(255), at(box, 20, 100));
    EXPECT_EQ(0xE0E0E0u | 0xFFFF00u, at(box, 99, 99));
    // The one-pixel border is not part of the copy.
    EXPECT_EQ(0u, at(box, 0, 99) & 0xFF0000u ? 1u : 0u);
    // Without the trail setting the trail is left out.
    indicator.compose(2, false, false);
    box = indicator.frame();
    EXPECT_EQ(0u, at(box, 20, 100));
    // A frame already handed out stays as it was when the box changes.
    const QImage before = indicator.frame();
    indicator.clearBox();
    EXPECT_EQ(0xE0E0E0u | 0xFFFF00u, at(before, 99, 99));
    EXPECT_EQ(0u, at(indicator.frame(), 99, 99));
}

TEST(PanelPictures, ModelSketchShowsFrontAndBackOutlines) {
    PanelPictures pictures;
    auto model = std::make_unique<ModelRecord>();
    model->modelIndex = 20;
    buildModel(*model, TransformableParams{});
    pictures.drawModelSketch(*model);
    const QImage& sketch = pictures.indicator().layer(1);
    int front = 0;
    int back = 0;
    for (int y = 0; y < sketch.height(); ++y) {
        for (int x = 0; x < sketch.width(); ++x) {
            const QRgb c = at(sketch, x, y);
            front += (c & 0x00FF00u) == 0x00A000u || (c & 0x00FF00u) == 0x00F000u ? 1 : 0;
            back += c == 0x005000u ? 1 : 0;
        }
    }
    EXPECT_GT(front, 50);
    EXPECT_GT(back, 10);
    // Half scale: the cube lies in the unit sphere, so nothing is beyond 45 pixels.
    for (int y = 0; y < sketch.height(); ++y) {
        for (int x = 0; x < sketch.width(); ++x) {
            if (at(sketch, x, y) != 0u) {
                ASSERT_LE(std::hypot(x - 99, y - 99), 46.5);
            }
        }
    }
}

}  // namespace
}  // namespace tavrine
