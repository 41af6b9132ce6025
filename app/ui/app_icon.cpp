#include "app/ui/app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <initializer_list>

namespace tavrine::ui {

namespace {

QPolygonF polygon(std::initializer_list<QPointF> points) { return QPolygonF(points); }

void fillPolygon(QPainter& painter, const QPolygonF& shape, const QColor& colour) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(shape);
}

}  // namespace

QImage drawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size / 128.0, size / 128.0);
    const QColor gold(0xFF, 0xC8, 0x00);

    painter.setPen(QPen(gold, 3));
    painter.setBrush(QColor(0x10, 0x10, 0x1C));
    painter.drawRoundedRect(QRectF(4, 4, 120, 120), 16, 16);

    // Crown.
    fillPolygon(painter, polygon({{20, 52}, {40, 30}, {88, 30}, {108, 52}}),
                QColor(0xD0, 0x20, 0x30));
    fillPolygon(painter, polygon({{40, 30}, {52, 52}, {64, 30}}), QColor(0xFF, 0x60, 0x70));
    fillPolygon(painter, polygon({{64, 30}, {76, 52}, {88, 30}}), QColor(0xE0, 0x38, 0x48));
    fillPolygon(painter, polygon({{20, 52}, {40, 30}, {52, 52}}), QColor(0xB0, 0x18, 0x28));
    fillPolygon(painter, polygon({{88, 30}, {108, 52}, {76, 52}}), QColor(0x90, 0x10, 0x20));
    fillPolygon(painter, polygon({{52, 52}, {64, 30}, {76, 52}}), QColor(0xF0, 0x48, 0x58));
    // Pavilion.
    fillPolygon(painter, polygon({{20, 52}, {64, 108}, {52, 52}}), QColor(0xA0, 0x10, 0x20));
    fillPolygon(painter, polygon({{52, 52}, {64, 108}, {76, 52}}), QColor(0xE0, 0x28, 0x38));
    fillPolygon(painter, polygon({{76, 52}, {64, 108}, {108, 52}}), QColor(0x70, 0x08, 0x18));
    // Outline, girdle and glint.
    QPen outline(gold, 2.5);
    outline.setJoinStyle(Qt::RoundJoin);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(polygon({{20, 52}, {40, 30}, {88, 30}, {108, 52}, {64, 108}}));
    painter.setPen(QPen(gold, 2));
    painter.drawLine(QPointF(20, 52), QPointF(108, 52));
    fillPolygon(painter, polygon({{46, 36}, {50, 40}, {46, 44}, {42, 40}}), Qt::white);
    return image;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(drawAppIcon(size)));
    }
    return icon;
}

}  // namespace tavrine::ui
