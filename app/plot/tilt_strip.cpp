#include "app/plot/tilt_strip.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>

#include "app/plot/plot_application.h"
#include "app/plot/tilt_plot.h"
#include "util/error.h"
#include "util/path_text.h"

namespace tavrine::plot {

namespace {

// The room round each picture and between the lines under it, in pixels.
constexpr int kGap = 8;

}  // namespace

QImage imageOfPicture(const imgctl::DibData& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.rows == nullptr) return QImage();
    if (picture.bitCount != 24 && picture.bitCount != 8) return QImage();
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int row = 0; row < picture.height; ++row) {
        // Stored rows run from the bottom of the picture.
        const uint8_t* stored = picture.rows + static_cast<size_t>(picture.height - 1 - row) *
                                                   static_cast<size_t>(picture.stride);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int x = 0; x < picture.width; ++x) {
            if (picture.bitCount == 24) {
                line[x] = qRgb(stored[3 * x + 2], stored[3 * x + 1], stored[3 * x]);
            } else {
                const int i = std::min<int>(stored[x], std::max(picture.paletteSize - 1, 0));
                const uint8_t* entry =
                    picture.palette != nullptr ? picture.palette + 4 * i : nullptr;
                line[x] = entry != nullptr ? qRgb(entry[2], entry[1], entry[0]) : qRgb(0, 0, 0);
            }
        }
    }
    return image;
}

QImage makeTiltStrip(const std::vector<evaluate::TiltRow>& rows,
                     const std::vector<imgctl::DibPtr>& pictures) {
    const size_t count = std::min(rows.size(), pictures.size());
    std::vector<QImage> images;
    int cell = 0;
    for (size_t i = 0; i < count; ++i) {
        const imgctl::DibData* data = pictures[i] ? imgctl::DataDIB(pictures[i].get()) : nullptr;
        QImage image = data != nullptr ? imageOfPicture(*data) : QImage();
        if (!image.isNull() && std::max(image.width(), image.height()) > kStripPictureSize) {
            image = image.scaled(kStripPictureSize, kStripPictureSize, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
        }
        if (!image.isNull()) cell = std::max({cell, image.width(), image.height()});
        images.push_back(std::move(image));
    }
    if (cell == 0) return QImage();

    QFont font = QGuiApplication::font();
    font.setPixelSize(13);
    const QFontMetrics metrics(font);
    const int line = metrics.height();
    // Each column is wide enough for its picture and for the text "-30.0°" / "100.00 %".
    const int column =
        std::max(cell, metrics.horizontalAdvance(QStringLiteral("100.00 %")) + kGap) + kGap;
    const int height = kGap + cell + kGap / 2 + 2 * line + kGap;
    QImage strip(static_cast<int>(count) * column + kGap, height, QImage::Format_RGB32);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (size_t i = 0; i < count; ++i) {
        const int left = kGap + static_cast<int>(i) * column;
        const QImage& image = images[i];
        if (!image.isNull()) {
            painter.drawImage(left + (column - kGap - image.width()) / 2,
                              kGap + (cell - image.height()) / 2, image);
        }
        const evaluate::TiltRow& row = rows[i];
        const QRect tiltLine(left, kGap + cell + kGap / 2, column - kGap, line);
        painter.drawText(
            tiltLine, Qt::AlignCenter,
            QString::fromStdString(evaluate::tiltText(row.tiltDegrees)) + QChar(0x00B0));
        painter.drawText(tiltLine.translated(0, line), Qt::AlignCenter,
                         QString::number(row.figures.brightness, 'f', 2) + QStringLiteral(" %"));
    }
    painter.end();
    return strip;
}

bool writeTiltStrip(const std::vector<evaluate::TiltRow>& rows,
                    const std::vector<imgctl::DibPtr>& pictures, const std::string& path,
                    std::string* error) {
    if (plotFormatOf(path) != PlotFormat::Png) {
        return util::fail(error, "the strip must be a .png file, not " + util::quotedPath(path));
    }
    if (!ensurePlotApplication(error)) return false;
    const QImage strip = makeTiltStrip(rows, pictures);
    if (strip.isNull()) return util::fail(error, "there are no pictures to lay side by side");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!strip.save(&buffer, "PNG")) {
        return util::fail(error, util::cannotText("write", path, "the PNG cannot be made"));
    }
    buffer.close();
    return writePlotFile(path, bytes, error);
}

}  // namespace tavrine::plot
