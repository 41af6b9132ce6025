#include "app/ui/render_area_note.h"

#include <QFontMetrics>

#include "app/engine/engine_ids.h"
#include "app/ui/stone_panel.h"

namespace tavrine::ui {

namespace {

constexpr int kAreaSide = 199;
constexpr int kTagHeight = 14;
constexpr int kTagPadding = 4;

QRect renderArea() { return QRect(kRenderArea.left, kRenderArea.top, kAreaSide, kAreaSide); }

QFont tagFont() { return gothicFont(11); }

}  // namespace

QRect staleTagRect() {
    const int width =
        QFontMetrics(tagFont()).horizontalAdvance(QString::fromLatin1(kStaleTagText)) +
        2 * kTagPadding;
    const QRect area = renderArea();
    return QRect(area.right() - width, area.top() + 1, width, kTagHeight);
}

void paintRenderAreaNote(QPainter& painter, PictureShows shows, bool rendering) {
    // A rendering in progress shows its own rows, with no note over them.
    if (rendering) return;
    painter.save();
    painter.setClipRect(renderArea(), Qt::IntersectClip);
    if (shows == PictureShows::Nothing) {
        painter.setFont(gothicFont(13));
        painter.setPen(QColor(150, 150, 150));
        painter.drawText(renderArea(), Qt::AlignCenter, QString::fromLatin1(kRenderHintText));
    } else if (shows == PictureShows::OtherScene) {
        // A dimmed tag: the picture shows through it.
        const QRect tag = staleTagRect();
        painter.fillRect(tag, QColor(0, 0, 0, 170));
        painter.setPen(QColor(120, 120, 120));
        painter.drawRect(tag.adjusted(0, 0, -1, -1));
        painter.setFont(tagFont());
        painter.setPen(QColor(215, 215, 215));
        painter.drawText(tag, Qt::AlignCenter, QString::fromLatin1(kStaleTagText));
    }
    painter.restore();
}

}  // namespace tavrine::ui
