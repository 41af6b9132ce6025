#include "app/ui/button_pictures.h"

#include <QFont>
#include <QPainter>
#include <QPolygon>

#include "app/ui/control_table.h"

namespace tavrine::ui {

namespace {

constexpr int kSmallWidth = 32;
constexpr int kSmallHeight = 21;
const QColor kDarkBlue(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

// Direction of an arrow picture.
enum class Arrow { Right, Left, Up, Down };

void drawBack(QPainter& painter, const QRect& rect, const QColor& back, const QColor& line) {
    painter.setPen(line);
    painter.setBrush(back);
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 2.0, 2.0);
}

// An arrow: a shaft and a head, pointing from the centre of rect.
void drawArrow(QPainter& painter, const QRect& rect, Arrow arrow, const QColor& colour) {
    const int cx = rect.left() + rect.width() / 2;
    const int cy = rect.top() + rect.height() / 2;
    QPolygon shape;
    switch (arrow) {
    case Arrow::Right:
        shape << QPoint(cx - 7, cy - 1) << QPoint(cx + 1, cy - 1) << QPoint(cx + 1, cy - 5)
              << QPoint(cx + 7, cy) << QPoint(cx + 1, cy + 5) << QPoint(cx + 1, cy + 1)
              << QPoint(cx - 7, cy + 1);
        break;
    case Arrow::Left:
        shape << QPoint(cx + 7, cy - 1) << QPoint(cx - 1, cy - 1) << QPoint(cx - 1, cy - 5)
              << QPoint(cx - 7, cy) << QPoint(cx - 1, cy + 5) << QPoint(cx - 1, cy + 1)
              << QPoint(cx + 7, cy + 1);
        break;
    case Arrow::Up:
        shape << QPoint(cx - 1, cy + 6) << QPoint(cx - 1, cy - 1) << QPoint(cx - 5, cy - 1)
              << QPoint(cx, cy - 6) << QPoint(cx + 5, cy - 1) << QPoint(cx + 1, cy - 1)
              << QPoint(cx + 1, cy + 6);
        break;
    case Arrow::Down:
        shape << QPoint(cx - 1, cy - 6) << QPoint(cx - 1, cy + 1) << QPoint(cx - 5, cy + 1)
              << QPoint(cx, cy + 6) << QPoint(cx + 5, cy + 1) << QPoint(cx + 1, cy + 1)
              << QPoint(cx + 1, cy - 6);
        break;
    }
    painter.setPen(colour);
    painter.setBrush(colour);
    painter.drawPolygon(shape);
}

void drawCaption(QPainter& painter, const QRect& rect, const char* text, const QColor& colour) {
    painter.setPen(colour);
    painter.drawText(rect, Qt::AlignCenter, QString::fromUtf8(text));
}

}  // namespace

QPoint pictureSource(int32_t id) {
    switch (id) {
    case kViewRightButton:
    case kLightRightButton:
        return QPoint(0, 0);
    case kViewLeftButton:
    case kLightLeftButton:
        return QPoint(64, 0);
    case kViewUpButton:
    case kLightUpButton:
        return QPoint(128, 0);
    case kViewDownButton:
    case kLightDownButton:
        return QPoint(192, 0);
    case kViewZButton:
        return QPoint(0, 21);
    case kViewXButton:
        return QPoint(64, 21);
    case kHqSwitch:
        return QPoint(128, 21);
    case kSySwitch:
        return QPoint(0, 42);
    case kGmSwitch:
        return QPoint(128, 42);
    default:
        return QPoint(-1, -1);
    }
}

QImage drawButtonPictures() {
    QImage sheet(kPictureSheetWidth, kPictureSheetHeight, QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(12);
    painter.setFont(font);

    const Arrow arrows[4] = {Arrow::Right, Arrow::Left, Arrow::Up, Arrow::Down};
    for (int k = 0; k < 4; ++k) {
        const QRect normal(64 * k, 0, kSmallWidth, kSmallHeight);
        const QRect pressed = normal.translated(kSmallWidth, 0);
        drawBack(painter, normal, kDarkBlue, kRed);
        drawArrow(painter, normal, arrows[k], kRed);
        drawBack(painter, pressed, kBlue, kWhite);
        drawArrow(painter, pressed, arrows[k], kWhite);
    }

    // "z" and "x": normal and pressed; the switches: normal, pressed and on.
    struct Letter {
        int32_t id;
        const char* text;
        int forms;
    };
    const Letter letters[5] = {{kViewZButton, "z", 2},
                               {kViewXButton, "x", 2},
                               {kHqSwitch, "HQ", 3},
                               {kSySwitch, "SY", 3},
                               {kGmSwitch, "GM", 3}};
    for (const Letter& letter : letters) {
        const QRect normal(pictureSource(letter.id), QSize(kSmallWidth, kSmallHeight));
        drawBack(painter, normal, kDarkBlue, kRed);
        drawCaption(painter, normal, letter.text, kRed);
        const QRect pressed = normal.translated(kSmallWidth, 0);
        drawBack(painter, pressed, kBlue, kWhite);
        drawCaption(painter, pressed, letter.text, kWhite);
        if (letter.forms == 3) {
            const QRect on = pressed.translated(kSmallWidth, 0);
            drawBack(painter, on, kDarkBlue, kWhite);
            drawCaption(painter, on, letter.text, kWhite);
        }
    }
    return sheet;
}

}  // namespace tavrine::ui
