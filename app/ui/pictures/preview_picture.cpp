#include "app/ui/pictures/preview_picture.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <cmath>
#include <vector>

namespace tavrine {

namespace {

// One channel: floor(base x factor + highlight), at most 255.
int32_t previewChannel(int32_t base, double factor, int32_t highlight) {
    const double v = std::floor(base * factor + highlight);
    if (!(v < 255.0)) return 255;
    return v < 0.0 ? 0 : static_cast<int32_t>(v);
}

}  // namespace

uint32_t previewFacetRgb(const Vec3& n, const Vec3& light, const PolygonColour& colour) {
    double s = n.x * light.x + n.y * light.y + n.z * light.z;
    if (std::isnan(s)) s = 0.0;  // a facet without area has no normal
    double b = std::floor(140.0 * s) + 128.0;
    if (b < 64.0) b = 64.0;
    if (b > 255.0) b = 255.0;
    const int32_t base = static_cast<int32_t>(b);
    // The z part of the mirrored light counts only towards the viewer.
    double r = 2.0 * s * n.z - light.z;
    if (!(r <= 0.0)) r = 0.0;
    const double c = std::fabs(r);
    const double c8 = c * c * c * c * c * c * c * c;
    double h = std::floor(c8 * c8 * 256.0);
    if (h > 255.0) h = 255.0;
    const int32_t highlight = static_cast<int32_t>(h);
    const uint32_t red = static_cast<uint32_t>(previewChannel(base, colour.red, highlight));
    const uint32_t green = static_cast<uint32_t>(previewChannel(base, colour.green, highlight));
    const uint32_t blue = static_cast<uint32_t>(previewChannel(base, colour.blue, highlight));
    return (red << 16) | (green << 8) | blue;
}

PreviewPicture::PreviewPicture()
    : working_(kPanelSide, kPanelSide, QImage::Format_RGB32), published_() {
    working_.fill(QColor(0, 0, 0));
    published_ = working_.copy();
}

int32_t PreviewPicture::draw(const ModelRecord& model, const Vertex* viewVertices,
                             const Vec3& lightDirection, const PolygonColour& colour,
                             const PreviewFrame& frame) {
    working_.fill(QColor(0, 0, 0));
    QPainter painter(&working_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    std::vector<QPoint> corners;
    int32_t drawn = 0;
    for (int32_t f = 0; f < model.facetCount; ++f) {
        const Facet& facet = model.facets[f];
        if (facet.vertexCount < 3) continue;
        const Vertex& p0 = viewVertices[facet.vertexIndex[0]];
        const Vertex& p1 = viewVertices[facet.vertexIndex[1]];
        const Vertex& p2 = viewVertices[facet.vertexIndex[2]];
        const double ax = p1.x - p0.x;
        const double ay = p1.y - p0.y;
        const double bx = p2.x - p1.x;
        const double by = p2.y - p1.y;
        // The model is convex: culling alone hides the far side; edge-on facets are drawn.
        if (ax * by - bx * ay < 0.0) continue;
        const QColor c = QColor::fromRgb(previewFacetRgb(facet.normal, lightDirection, colour));
        corners.clear();
        for (int32_t i = 0; i < facet.vertexCount; ++i) {
            const PanelPoint p = previewPoint(viewVertices[facet.vertexIndex[i]]);
            corners.emplace_back(static_cast<int>(std::floor(p.x)),
                                 static_cast<int>(std::floor(p.y)));
        }
        painter.setPen(QPen(c, 0));
        painter.setBrush(c);
        painter.drawPolygon(corners.data(), static_cast<int>(corners.size()));
        ++drawn;
    }
    if (frame.active && frame.right > frame.left && frame.bottom > frame.top) {
        painter.setPen(QPen(QColor(0x00, 0xC8, 0x00), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame.left, frame.top, frame.right - frame.left - 1,
                         frame.bottom - frame.top - 1);
    }
    painter.end();
    std::lock_guard<std::mutex> lock(mutex_);
    published_ = working_;
    return drawn;
}

QImage PreviewPicture::frame() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return published_;
}

}  // namespace tavrine
