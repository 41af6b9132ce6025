#include "app/plot/tilt_plot.h"

#include <QBuffer>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/plot/plot_application.h"
#include "util/error.h"
#include "util/path_text.h"

namespace tavrine::plot {

namespace {

// The distance of the labelled ticks: about a quarter of limit, rounded to 1, 2, 2.5 or 5 times
// a power of ten.
double tickInterval(double limit) {
    const double raw = limit / 4.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 2.5, 5.0}) {
        if (m * magnitude >= raw) return m * magnitude;
    }
    return 10.0 * magnitude;
}

QString percentText(double value) { return QString::number(value, 'f', 2) + QStringLiteral(" %"); }

// An axis of fixed range with ticks at whole multiples of interval.
QValueAxis* axis(const QString& title, double low, double high, double interval) {
    auto* a = new QValueAxis;
    a->setTitleText(title);
    a->setRange(low, high);
    a->setTickType(QValueAxis::TicksDynamic);
    a->setTickAnchor(0.0);
    a->setTickInterval(interval);
    a->setLabelFormat(interval == std::floor(interval) ? QStringLiteral("%.0f")
                                                       : QStringLiteral("%.1f"));
    return a;
}

// Renders the chart, laid out at the plot's size, into painter.
void paintChart(QChart* chart, QPainter& painter) {
    QGraphicsScene scene;
    scene.addItem(chart);  // the scene owns the chart from here
    const QRectF area(0.0, 0.0, kTiltPlotWidth, kTiltPlotHeight);
    chart->setGeometry(area);
    scene.setSceneRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, area, area);
}

}  // namespace

QChart* makeTiltChart(const std::vector<evaluate::TiltRow>& rows, const std::string& title) {
    auto* chart = new QChart;
    chart->setTitle(title.empty() ? QStringLiteral("Tilt performance")
                                  : QString::fromStdString(title));
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setBackgroundRoundness(0.0);
    chart->legend()->setAlignment(Qt::AlignBottom);

    double widest = 0.0;
    double highest = 0.0;
    for (const evaluate::TiltRow& row : rows) {
        widest = std::max(widest, std::fabs(row.tiltDegrees));
        highest = std::max({highest, row.figures.brightness, row.figures.darkArea});
    }
    if (widest == 0.0) widest = 1.0;
    // Percentages share one scale up to 100; a Studio brightness above it widens the scale.
    const double top = highest <= 100.0 ? 100.0 : std::ceil(highest / 20.0) * 20.0;

    auto* brightness = new QLineSeries;
    brightness->setName(QStringLiteral("Brightness"));
    brightness->setPointsVisible(true);
    auto* dark = new QLineSeries;
    dark->setName(QStringLiteral("Dark area"));
    for (const evaluate::TiltRow& row : rows) {
        brightness->append(row.tiltDegrees, row.figures.brightness);
        dark->append(row.tiltDegrees, row.figures.darkArea);
    }
    QPen brightnessPen(QColor(0x1f, 0x5f, 0xbf));
    brightnessPen.setWidthF(2.5);
    brightness->setPen(brightnessPen);
    QPen darkPen(QColor(0x60, 0x60, 0x60));
    darkPen.setWidthF(1.5);
    darkPen.setStyle(Qt::DashLine);
    dark->setPen(darkPen);

    std::vector<QAbstractSeries*> series = {brightness, dark};
    const auto faceUp = std::find_if(
        rows.begin(), rows.end(), [](const evaluate::TiltRow& r) { return r.tiltDegrees == 0.0; });
    if (faceUp != rows.end()) {
        auto* mark = new QScatterSeries;
        mark->setName(QStringLiteral("Face-up: ") + percentText(faceUp->figures.brightness));
        mark->setMarkerSize(13.0);
        mark->setColor(QColor(0xd0, 0x30, 0x20));
        mark->setBorderColor(Qt::white);
        mark->append(0.0, faceUp->figures.brightness);
        series.push_back(mark);
    }
    if (!rows.empty()) {
        const double mean = evaluate::averageBrightness(rows);
        auto* average = new QLineSeries;
        average->setName(QStringLiteral("Tilt average: ") + percentText(mean));
        QPen averagePen(QColor(0x1f, 0x5f, 0xbf));
        averagePen.setWidthF(1.5);
        averagePen.setStyle(Qt::DotLine);
        average->setPen(averagePen);
        average->append(-widest, mean);
        average->append(widest, mean);
        series.push_back(average);
    }

    QValueAxis* x = axis(QStringLiteral("Tilt (degrees; positive: the top of the stone away)"),
                         -widest, widest, tickInterval(widest));
    QValueAxis* y =
        axis(QStringLiteral("Percent of the stone's face"), 0.0, top, top > 100.0 ? 20.0 : 10.0);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : series) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    return chart;
}

bool writeTiltPlot(const std::vector<evaluate::TiltRow>& rows, const std::string& path,
                   std::string* error, const std::string& title) {
    const PlotFormat format = plotFormatOf(path);
    if (format == PlotFormat::Unknown) {
        return util::fail(error,
                          "the plot must be a .svg or .png file, not " + util::quotedPath(path));
    }
    if (rows.empty()) return util::fail(error, "there are no figures to plot");
    if (!ensurePlotApplication(error)) return false;

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QChart* chart = makeTiltChart(rows, title);
    if (format == PlotFormat::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(kTiltPlotWidth, kTiltPlotHeight));
        svg.setViewBox(QRect(0, 0, kTiltPlotWidth, kTiltPlotHeight));
        svg.setResolution(96);
        svg.setTitle(chart->title());
        svg.setDescription(QStringLiteral("Brightness against tilt"));
        QPainter painter(&svg);
        paintChart(chart, painter);
    } else {
        QImage image(kTiltPlotWidth, kTiltPlotHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paintChart(chart, painter);
        }
        if (!image.save(&buffer, "PNG")) {
            return util::fail(error, util::cannotText("write", path, "the PNG cannot be made"));
        }
    }
    buffer.close();
    return writePlotFile(path, bytes, error);
}

}  // namespace tavrine::plot
