#include "app/view/panel_geometry.h"

#include <cmath>

namespace tavrine {

namespace {

constexpr double kPi = 3.141592653589793;

constexpr PolygonColour kPolygonColours[kPolygonColourCount] = {
    {1.0, 1.0, 1.0},   {1.0, 0.0, 0.0}, {0.0, 0.7, 0.0}, {0.3, 0.3, 0.8},
    {0.98, 0.89, 0.0}, {0.6, 0.2, 0.8}, {0.8, 0.4, 0.0}, {0.98, 0.4, 0.0},
};

PanelPoint scaled(const Vec3& q, double scale) {
    return PanelPoint{kPanelCentre + scale * q.x, kPanelCentre - scale * q.y};
}

}  // namespace

PolygonColour polygonColour(int32_t index) {
    if (index < 0 || index >= kPolygonColourCount) index = 1;
    return kPolygonColours[index];
}

PanelPoint previewPoint(const Vertex& v) {
    return PanelPoint{kPanelCentre + kPanelScale * v.x, kPanelCentre - kPanelScale * v.y};
}

Orientation indicatorView() {
    Orientation o;
    o.order = 0;
    o.cosines[0] = std::cos(kPi / 8.0);
    o.cosines[1] = std::cos(kPi / 12.0);
    o.cosines[2] = 1.0;
    o.sines[0] = -std::sin(kPi / 8.0);
    o.sines[1] = std::sin(kPi / 12.0);
    o.sines[2] = 0.0;
    return o;
}

Vec3 turnIntoIndicatorView(const Vec3& p) {
    static const Orientation view = indicatorView();
    return applyTranspose(view, p);
}

PanelPoint indicatorPoint(const Vec3& p, double scale) {
    return scaled(turnIntoIndicatorView(p), scale);
}

std::array<Vec3, 96> greatCirclePoints() {
    std::array<Vec3, 96> points{};
    for (int32_t k = 0; k < 32; ++k) {
        const double theta = (2.0 * kPi * k) / 32.0;
        const double s = std::sin(theta);
        const double c = std::cos(theta);
        points[static_cast<size_t>(k)] = turnIntoIndicatorView(Vec3{s, 0.0, c});
        points[static_cast<size_t>(32 + k)] = turnIntoIndicatorView(Vec3{0.0, c, s});
        points[static_cast<size_t>(64 + k)] = turnIntoIndicatorView(Vec3{c, s, 0.0});
    }
    return points;
}

LightArrow lightArrow(const LightAngles& angles, const Vec3& lightDirection) {
    const double alpha = kPi / 10.0;
    const Vec3 a = turnIntoIndicatorView(lightDirection);
    const Vec3 g = turnIntoIndicatorView(Vec3{lightDirection.x, 0.0, lightDirection.z});
    const Vec3 m{a.x / 2.0, a.y / 2.0, a.z / 2.0};
    const double e = angles.elevation + alpha;
    const Vec3 raised =
        turnIntoIndicatorView(Vec3{std::cos(e) * std::sin(angles.azimuth), std::sin(e),
                                   std::cos(e) * std::cos(angles.azimuth)});
    const double ca = std::cos(alpha);
    const Vec3 shortened = turnIntoIndicatorView(
        Vec3{ca * lightDirection.x, ca * lightDirection.y, ca * lightDirection.z});
    const Vec3 b1{m.x + 0.32 * raised.x, m.y + 0.32 * raised.y, m.z + 0.32 * raised.z};
    const Vec3 b2{m.x + 0.32 * shortened.x, m.y + 0.32 * shortened.y, m.z + 0.32 * shortened.z};
    LightArrow arrow;
    arrow.tip = scaled(a, kPanelScale);
    arrow.foot = scaled(g, kPanelScale);
    arrow.middle = scaled(m, kPanelScale);
    arrow.wing1 = scaled(b1, kPanelScale);
    arrow.wing2 = scaled(b2, kPanelScale);
    return arrow;
}

void ViewPointTrail::restart(int32_t px, int32_t py) {
    x.fill(px);
    y.fill(py);
    newest = kTrailLength - 1;
}

void ViewPointTrail::add(int32_t px, int32_t py) {
    newest = (newest + 1) % kTrailLength;
    x[static_cast<size_t>(newest)] = px;
    y[static_cast<size_t>(newest)] = py;
}

void trailPointOf(const Vec3& axisVector, int32_t& x, int32_t& y) {
    const PanelPoint p = indicatorPoint(axisVector);
    x = static_cast<int32_t>(p.x);
    y = static_cast<int32_t>(p.y);
}

int32_t trailGrey(int32_t segment) { return 255 * (segment + 1) / 59; }

}  // namespace tavrine
