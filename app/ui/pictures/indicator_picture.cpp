#include "app/ui/pictures/indicator_picture.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <vector>

namespace tavrine {

namespace {

// The panel colour behind every layer.
const QColor kPanel(0, 0, 0);

QImage blankLayer() {
    QImage image(kPanelSide, kPanelSide, QImage::Format_RGB32);
    image.fill(kPanel);
    return image;
}

// Indicator coordinates become integers by truncation.
QPoint pixel(const PanelPoint& p) { return QPoint(static_cast<int>(p.x), static_cast<int>(p.y)); }

QPoint pixelOf(const Vec3& q, double scale) {
    return pixel(PanelPoint{kPanelCentre + scale * q.x, kPanelCentre - scale * q.y});
}

const QPoint kCentre(99, 99);

// Draws |source| over |target| with OR (SRCPAINT).
void orInto(QImage& target, const QImage& source) {
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.drawImage(0, 0, source);
}

}  // namespace

IndicatorPicture::IndicatorPicture() {
    for (QImage& layer : layers_) layer = blankLayer();
    sketchFront_ = blankLayer();
    sketchBack_ = blankLayer();
    cache_ = blankLayer();
    box_ = blankLayer();
    published_ = box_.copy();
}

void IndicatorPicture::drawBackground() {
    QImage& layer = layers_[0];
    layer.fill(kPanel);
    const std::array<Vec3, 96> points = greatCirclePoints();
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The negative half-axes in red, the circles in blue, the positive half-axes in light grey.
    painter.setPen(QPen(QColor(0xE0, 0x00, 0x00), 0));
    for (int32_t c = 0; c < 3; ++c) {
        painter.drawLine(pixelOf(points[static_cast<size_t>(32 * c + 16)], kPanelScale), kCentre);
    }
    painter.setPen(QPen(QColor(0x00, 0x00, 0xE0), 0));
    painter.setBrush(Qt::NoBrush);
    for (int32_t c = 0; c < 3; ++c) {
        QPoint outline[32];
        for (int32_t k = 0; k < 32; ++k) {
            outline[k] = pixelOf(points[static_cast<size_t>(32 * c + k)], kPanelScale);
        }
        painter.drawPolygon(outline, 32);
    }
    painter.setPen(QPen(QColor(0xE0, 0xE0, 0xE0), 0));
    for (int32_t c = 0; c < 3; ++c) {
        painter.drawLine(pixelOf(points[static_cast<size_t>(32 * c)], kPanelScale), kCentre);
    }
}

void IndicatorPicture::drawModelSketch(const ModelRecord& model) {
    sketchFront_.fill(kPanel);
    sketchBack_.fill(kPanel);
    std::vector<Vec3> turned(static_cast<size_t>(model.vertexCount));
    for (int32_t v = 0; v < model.vertexCount; ++v) {
        turned[static_cast<size_t>(v)] = turnIntoIndicatorView(model.baseVertices[v]);
    }
    QPainter front(&sketchFront_);
    QPainter back(&sketchBack_);
    front.setPen(QPen(QColor(0x00, 0xA0, 0x00), 0));
    back.setPen(QPen(QColor(0x00, 0x50, 0x00), 0));
    front.setBrush(Qt::NoBrush);
    back.setBrush(Qt::NoBrush);
    std::vector<QPoint> corners;
    const double halfScale = kPanelScale / 2.0;
    for (int32_t f = 0; f < model.facetCount; ++f) {
        const Facet& facet = model.facets[f];
        if (facet.vertexCount < 3) continue;
        const Vec3& p0 = turned[static_cast<size_t>(facet.vertexIndex[0])];
        const Vec3& p1 = turned[static_cast<size_t>(facet.vertexIndex[1])];
        const Vec3& p2 = turned[static_cast<size_t>(facet.vertexIndex[2])];
        const double ax = p1.x - p0.x;
        const double ay = p1.y - p0.y;
        const double bx = p2.x - p1.x;
        const double by = p2.y - p1.y;
        const bool facing = ax * by - bx * ay >= 0.0;
        corners.clear();
        for (int32_t i = 0; i < facet.vertexCount; ++i) {
            corners.push_back(
                pixelOf(turned[static_cast<size_t>(facet.vertexIndex[i])], halfScale));
        }
        (facing ? front : back).drawPolygon(corners.data(), static_cast<int>(corners.size()));
    }
    front.end();
    back.end();
    layers_[1] = sketchFront_.copy();
    orInto(layers_[1], sketchBack_);
}

void IndicatorPicture::drawLightRay(const LightAngles& angles, const Vec3& lightDirection) {
    QImage& layer = layers_[3];
    layer.fill(kPanel);
    const LightArrow arrow = lightArrow(angles, lightDirection);
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor wings(0xC8, 0xC8, 0x00);
    painter.setPen(QPen(wings, 0));
    painter.setBrush(wings);
    const QPoint triangle[3] = {pixel(arrow.middle), pixel(arrow.wing1), pixel(arrow.wing2)};
    painter.drawPolygon(triangle, 3);
    painter.setPen(QPen(QColor(0x80, 0x80, 0x00), 0));
    painter.drawLine(pixel(arrow.tip), pixel(arrow.foot));
    painter.drawLine(pixel(arrow.foot), kCentre);
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 0));
    painter.drawLine(kCentre, pixel(arrow.tip));
}

void IndicatorPicture::drawTrail(const ViewPointTrail& trail, bool restarted) {
    QImage& layer = layers_[2];
    layer.fill(kPanel);
    if (restarted) return;
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int32_t j = 0; j < kTrailLength - 1; ++j) {
        const size_t from = static_cast<size_t>(trail.indexFromOldest(j));
        const size_t to = static_cast<size_t>(trail.indexFromOldest(j + 1));
        const int32_t grey = trailGrey(j);
        painter.setPen(QPen(QColor(grey, grey, grey), 0));
        painter.drawLine(trail.x[from], trail.y[from], trail.x[to], trail.y[to]);
    }
}

void IndicatorPicture::clearBox() {
    box_.fill(kPanel);
    std::lock_guard<std::mutex> lock(mutex_);
    published_ = box_;
}

void IndicatorPicture::compose(int32_t liveLayer, bool full, bool trailOn) {
    if (full || trailOn != cacheTrailOn_) {
        // Every layer but the live one, the first copied and the rest ORed.
        bool first = true;
        for (int32_t i = 0; i < 4; ++i) {
            if (i == liveLayer || (i == 2 && !trailOn)) continue;
            if (first) {
                cache_ = layers_[i].copy();
                first = false;
            } else {
                orInto(cache_, layers_[i]);
            }
        }
        if (first) cache_ = blankLayer();
        cacheTrailOn_ = trailOn;
    }
    {
        QPainter painter(&box_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const QRect inner(1, 1, kPanelSide - 2, kPanelSide - 2);
        painter.drawImage(inner, cache_, inner);
        if (liveLayer >= 0 && liveLayer <= 3 && !(liveLayer == 2 && !trailOn)) {
            painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            painter.drawImage(inner, layers_[liveLayer], inner);
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    published_ = box_;
}

QImage IndicatorPicture::frame() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return published_;
}

}  // namespace tavrine
