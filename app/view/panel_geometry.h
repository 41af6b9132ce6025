#pragma once
// The geometry of the surface-model preview and of the indicator box, free of any drawing
// library: the polygon colours, the preview's projection, the fixed oblique view of the indicator,
// its three great circles, the light-ray arrow's points and the ring of view points. Plain values
// and pure functions; usable from any thread.

#include <array>
#include <cstdint>

#include "app/view/orientation.h"
#include "tracer/tvrt.h"

namespace tavrine {

// The side of the preview box and of every indicator surface, in pixels.
inline constexpr int32_t kPanelSide = 199;
// Pixels per model unit in the preview and the indicator box.
inline constexpr double kPanelScale = 90.0;
// The centre of a 199 x 199 panel surface (the preview's (380, 344) of the main window is (99, 99)
// of its own box at (281, 245)).
inline constexpr double kPanelCentre = 99.0;

// The red, green and blue factors of a polygon colour.
struct PolygonColour {
    double red = 1.0;
    double green = 0.0;
    double blue = 0.0;
};

// The number of polygon colours of the "Polygon Color(&C)" menu.
inline constexpr int32_t kPolygonColourCount = 8;

// Returns polygon colour |index| (0 White, 1 Red, 2 Green, 3 Blue, 4 Yellow, 5 Purple, 6
// Chocolate, 7 Orange); an index outside 0 to 7 gives Red, the default.
PolygonColour polygonColour(int32_t index);

// A point of a panel surface in pixels (x to the right, y down), before conversion to integers.
struct PanelPoint {
    double x = 0.0;
    double y = 0.0;
};

// Returns where a view-space point is drawn in the preview box: (99 + 90 x, 99 - 90 y).
PanelPoint previewPoint(const Vertex& v);

// The fixed oblique view of the indicator box: order 0, angles -pi/8 about x, pi/12 about y.
Orientation indicatorView();

// Returns the model-space point turned into the fixed view (as vertices are turned into view
// space), not yet scaled.
Vec3 turnIntoIndicatorView(const Vec3& p);

// Returns where a model-space point is drawn in an indicator surface at |scale| pixels per unit:
// (99 + scale q.x, 99 - scale q.y) with q the point in the fixed view.
PanelPoint indicatorPoint(const Vec3& p, double scale = kPanelScale);

// The 96 points of the indicator's background: three great circles of 32 points in the xz, yz and
// xy planes, starting on +z, +y and +x, already turned into the fixed view (unscaled).
std::array<Vec3, 96> greatCirclePoints();

// The five points of the light-ray arrow in indicator pixels: tip A, foot G (the shadow on the
// horizontal plane), middle M = A / 2 and the two wings B1, B2.
struct LightArrow {
    PanelPoint tip;
    PanelPoint foot;
    PanelPoint middle;
    PanelPoint wing1;
    PanelPoint wing2;
};

// Returns the light-ray arrow for the light angles and the light direction.
LightArrow lightArrow(const LightAngles& angles, const Vec3& lightDirection);

// The number of positions the view-point trail keeps.
inline constexpr int32_t kTrailLength = 60;

// The ring of the last 60 view points, as integer indicator pixels. Not thread-safe: the engine
// thread changes it (the window thread only before the engine starts).
struct ViewPointTrail {
    std::array<int32_t, kTrailLength> x{};
    std::array<int32_t, kTrailLength> y{};
    int32_t newest = 0;  // index of the newest position

    // Fills all 60 positions with the point.
    void restart(int32_t px, int32_t py);
    // Adds the point as the newest position, dropping the oldest.
    void add(int32_t px, int32_t py);
    // Returns the index of the j-th position from the oldest (0) to the newest (59).
    int32_t indexFromOldest(int32_t j) const { return (newest + 1 + j) % kTrailLength; }
};

// Returns the indicator pixel of the current view point: the view's axis vector in the fixed view,
// each coordinate truncated towards zero.
void trailPointOf(const Vec3& axisVector, int32_t& x, int32_t& y);

// The grey level (0 to 255) of trail segment j (0 the oldest, 58 the newest):
// floor(255 (j + 1) / 59).
int32_t trailGrey(int32_t segment);

}  // namespace tavrine
