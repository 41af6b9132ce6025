#include "app/ui/painter_ops.h"

#include <QFontMetrics>
#include <QRegion>
#include <QString>

namespace tavrine::ui {

namespace {

QPainter& painterOf(void* context) { return *static_cast<QPainter*>(context); }

QRect toRect(OwnerDrawRect r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

void fill(void* context, OwnerDrawRect rect, uint32_t colour) {
    painterOf(context).fillRect(toRect(rect), colourFromRef(colour));
}

void roundRect(void* context, OwnerDrawRect rect, int32_t ellipseWidth, int32_t ellipseHeight,
               uint32_t penColour, uint32_t brushColour) {
    QPainter& painter = painterOf(context);
    painter.save();
    QPen pen(colourFromRef(penColour));
    pen.setWidth(0);
    painter.setPen(pen);
    painter.setBrush(colourFromRef(brushColour));
    // The outline runs through the outermost pixels of the rectangle.
    const QRectF outline(rect.left + 0.5, rect.top + 0.5, rect.right - rect.left - 1,
                         rect.bottom - rect.top - 1);
    painter.drawRoundedRect(outline, ellipseWidth / 2.0, ellipseHeight / 2.0);
    painter.restore();
}

void setPixel(void* context, int32_t x, int32_t y, uint32_t colour) {
    painterOf(context).fillRect(QRect(x, y, 1, 1), colourFromRef(colour));
}

void textOut(void* context, void* font, int32_t x, int32_t y, const char* text, int32_t length,
             uint32_t colour) {
    QPainter& painter = painterOf(context);
    const QFont& qfont = *static_cast<const QFont*>(font);
    painter.save();
    painter.setFont(qfont);
    painter.setPen(colourFromRef(colour));
    painter.drawText(QPoint(x, y + QFontMetrics(qfont).ascent()), QString::fromUtf8(text, length));
    painter.restore();
}

void textExtent(void*, void* font, const char* text, int32_t length, int32_t* width,
                int32_t* height) {
    const QFontMetrics metrics(*static_cast<const QFont*>(font));
    *width = metrics.horizontalAdvance(QString::fromUtf8(text, length));
    *height = metrics.height();
}

void clipRegionMinusRect(void* context, void* region, OwnerDrawRect excluded) {
    const QRegion& whole = *static_cast<const QRegion*>(region);
    painterOf(context).setClipRegion(whole.subtracted(QRegion(toRect(excluded))));
}

}  // namespace

PainterOps::PainterOps(QPainter& painter)
    : painter_(painter), ops_{&painter_, fill,       roundRect,          setPixel,
                              textOut,   textExtent, clipRegionMinusRect} {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

}  // namespace tavrine::ui
