#include "app/ui/tilt_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtCharts/QChartView>
#include <algorithm>

#include "app/dialogs/dialog_controls.h"
#include "app/engine/engine_ids.h"
#include "app/plot/plot_application.h"
#include "app/plot/tilt_plot.h"
#include "app/plot/tilt_strip.h"

namespace tavrine::ui {

namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The figures as tavrine-render prints them: a line per tilt, then the tilt average.
QString figuresText(const std::vector<evaluate::TiltRow>& rows) {
    QString text;
    for (const evaluate::TiltRow& row : rows) {
        text += QString::fromStdString(evaluate::tiltRowText(row)) + QLatin1Char('\n');
    }
    text += QStringLiteral("tilt-averaged brightness: %1%")
                .arg(evaluate::averageBrightness(rows), 0, 'f', 2);
    return text;
}

}  // namespace

TiltPerformanceWindow::TiltPerformanceWindow(TiltSweepHost& host, const QString& subject,
                                             const std::string& folder, QWidget* parent)
    : QDialog(parent), host_(host), folder_(folder) {
    setObjectName(QStringLiteral("TiltPerformanceWnd"));
    setWindowTitle(QStringLiteral("Tilt Performance"));
    setWindowModality(Qt::ApplicationModal);
    resize(920, 860);

    auto* layout = new QVBoxLayout(this);
    auto* about = named(new QLabel(subject, this), "subject");
    about->setWordWrap(true);
    layout->addWidget(about);

    auto* controls = new QHBoxLayout;
    auto* rangeLabel = new QLabel(QStringLiteral("Tilts (&R) \u00B1 MAX:STEP in degrees"), this);
    range_ = named(new QLineEdit(QStringLiteral("30:5"), this), "range");
    range_->setMaximumWidth(90);
    rangeLabel->setBuddy(range_);
    run_ = named(new QPushButton(QStringLiteral("Sweep (&W)"), this), "run");
    bar_ = named(new QProgressBar(this), "progressBar");
    bar_->setTextVisible(true);
    bar_->setFormat(QStringLiteral("%v / %m"));
    cancel_ = named(new QPushButton(QStringLiteral("Cancel"), this), "cancel");
    controls->addWidget(rangeLabel);
    controls->addWidget(range_);
    controls->addWidget(run_);
    controls->addWidget(bar_, 1);
    controls->addWidget(cancel_);
    layout->addLayout(controls);
    status_ = named(new QLabel(this), "status");
    layout->addWidget(status_);

    chart_ = named(new QChartView(this), "chart");
    chart_->setRenderHint(QPainter::Antialiasing);
    chart_->setMinimumHeight(320);
    layout->addWidget(chart_, 3);

    auto* stripArea = named(new QScrollArea(this), "stripArea");
    stripLabel_ = named(new QLabel(stripArea), "strip");
    stripLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stripArea->setWidget(stripLabel_);
    stripArea->setWidgetResizable(true);
    // As high as a strip of full-size pictures and the scroll bar under it.
    stripArea->setFixedHeight(plot::kStripPictureSize + 84);
    layout->addWidget(stripArea);

    figures_ = named(new QPlainTextEdit(this), "figures");
    figures_->setReadOnly(true);
    figures_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    figures_->setMinimumHeight(120);
    layout->addWidget(figures_, 1);

    auto* saves = new QHBoxLayout;
    saveCsv_ = named(new QPushButton(QStringLiteral("Save CSV... (&C)"), this), "saveCsv");
    savePlot_ = named(new QPushButton(QStringLiteral("Save Plot... (&P)"), this), "savePlot");
    saveStrip_ = named(new QPushButton(QStringLiteral("Save Strip... (&S)"), this), "saveStrip");
    auto* close = named(new QPushButton(QStringLiteral("Close"), this), "close");
    saves->addWidget(saveCsv_);
    saves->addWidget(savePlot_);
    saves->addWidget(saveStrip_);
    saves->addStretch(1);
    saves->addWidget(close);
    layout->addLayout(saves);

    connect(run_, &QPushButton::clicked, this, &TiltPerformanceWindow::startSweep);
    connect(range_, &QLineEdit::returnPressed, this, &TiltPerformanceWindow::startSweep);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (!running_) return;
        host_.stopTiltSweep();
        cancel_->setEnabled(false);
        status_->setText(QStringLiteral("Stopping..."));
    });
    connect(saveCsv_, &QPushButton::clicked, this, &TiltPerformanceWindow::saveCsv);
    connect(savePlot_, &QPushButton::clicked, this, &TiltPerformanceWindow::savePlot);
    connect(saveStrip_, &QPushButton::clicked, this, &TiltPerformanceWindow::saveStrip);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    setRunning(false);
}

void TiltPerformanceWindow::setRunning(bool running) {
    running_ = running;
    range_->setEnabled(!running);
    run_->setEnabled(!running);
    cancel_->setEnabled(running);
    for (QPushButton* save : {saveCsv_, savePlot_, saveStrip_}) {
        save->setEnabled(!running && haveResult_);
    }
}

void TiltPerformanceWindow::startSweep() {
    if (running_) return;
    evaluate::TiltRange range;
    std::string problem;
    if (!evaluate::parseTiltRange(range_->text().trimmed().toStdString(), range, &problem)) {
        status_->setText(QStringLiteral("Tilts: ") + QString::fromStdString(problem));
        return;
    }
    haveResult_ = false;
    const auto count = static_cast<int>(evaluate::tiltsOf(range).size());
    bar_->setRange(0, count);
    bar_->setValue(0);
    if (!host_.startTiltSweep(range)) {
        status_->setText(QStringLiteral("No sweep can start now."));
        setRunning(false);
        return;
    }
    status_->setText(QStringLiteral("Sweeping %1 tilts...").arg(count));
    setRunning(true);
}

void TiltPerformanceWindow::notify(int32_t code, int64_t lParam) {
    if (code == NOTIFY_PROGRESS) {
        const int k = static_cast<int>(lParam & 0xFFFF);
        const int n = static_cast<int>((lParam >> 16) & 0xFFFF);
        bar_->setRange(0, std::max(n, 1));
        bar_->setValue(std::clamp(k, 0, std::max(n, 1)));
    } else if (code == NOTIFY_TILT_ENDED) {
        sweepEnded(static_cast<int>(lParam));
    }
}

void TiltPerformanceWindow::sweepEnded(int result) {
    const evaluate::Sweep& sweep = host_.tiltSweep();
    if (result == 1) {
        haveResult_ = true;
        QChart* previous = chart_->chart();
        chart_->setChart(plot::makeTiltChart(sweep.rows));
        // The view releases the chart it showed without deleting it.
        delete previous;
        strip_ = plot::makeTiltStrip(sweep.rows, sweep.pictures);
        stripLabel_->setPixmap(QPixmap::fromImage(strip_));
        figures_->setPlainText(figuresText(sweep.rows));
        status_->setText(QStringLiteral("%1 tilts; tilt-averaged brightness %2 %")
                             .arg(sweep.rows.size())
                             .arg(evaluate::averageBrightness(sweep.rows), 0, 'f', 2));
    } else if (result == 2) {
        status_->setText(QStringLiteral("Cancelled after %1 tilts.").arg(sweep.rows.size()));
    } else {
        status_->setText(
            QStringLiteral("The sweep failed: ") +
            QString::fromStdString(sweep.error.empty() ? "no stone to judge" : sweep.error));
    }
    setRunning(false);
    if (closeWhenEnded_) close();
}

void TiltPerformanceWindow::closeEvent(QCloseEvent* event) {
    if (!running_) {
        event->accept();
        return;
    }
    // The window stays until the engine has let go of the sweep.
    closeWhenEnded_ = true;
    if (cancel_->isEnabled()) cancel_->click();
    event->ignore();
}

void TiltPerformanceWindow::reject() { close(); }

std::string TiltPerformanceWindow::askFile(const QString& title, const QStringList& filters,
                                           const QString& name) {
    QFileDialog dialog(this, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDirectory(QString::fromStdString(folder_));
    dialog.selectFile(name);
    // A name typed without an extension gets the chosen filter's.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const qsizetype star = filter.indexOf(QStringLiteral("*."));
        if (star >= 0) dialog.setDefaultSuffix(filter.mid(star + 2).chopped(1));
    });
    const QString first = filters.front();
    dialog.setDefaultSuffix(first.mid(first.indexOf(QStringLiteral("*.")) + 2).chopped(1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
    folder_ = dialog.directory().absolutePath().toStdString();
    return dialog.selectedFiles().front().toStdString();
}

void TiltPerformanceWindow::reportSaved(bool ok, const std::string& path,
                                        const std::string& error) {
    if (ok) {
        status_->setText(QStringLiteral("Wrote ") + QString::fromStdString(path));
        return;
    }
    askConfirmation(this, QString::fromStdString(error), QMessageBox::Warning, QMessageBox::Ok,
                    QMessageBox::Ok);
}

void TiltPerformanceWindow::saveCsv() {
    if (!haveResult_) return;
    const std::string path =
        askFile(QStringLiteral("Save Tilt Figures"), {QStringLiteral("CSV file (*.csv)")},
                QStringLiteral("tilt.csv"));
    if (path.empty()) return;
    const std::string csv = evaluate::tiltCsv(host_.tiltSweep().rows);
    std::string error;
    const bool ok = plot::writePlotFile(
        path, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())), &error);
    reportSaved(ok, path, error);
}

void TiltPerformanceWindow::savePlot() {
    if (!haveResult_) return;
    const std::string path =
        askFile(QStringLiteral("Save Tilt Plot"),
                {QStringLiteral("SVG picture (*.svg)"), QStringLiteral("PNG picture (*.png)")},
                QStringLiteral("tilt.svg"));
    if (path.empty()) return;
    std::string error;
    const bool ok = plot::writeTiltPlot(host_.tiltSweep().rows, path, &error);
    reportSaved(ok, path, error);
}

void TiltPerformanceWindow::saveStrip() {
    if (!haveResult_) return;
    const std::string path =
        askFile(QStringLiteral("Save Tilt Strip"), {QStringLiteral("PNG picture (*.png)")},
                QStringLiteral("tilt-strip.png"));
    if (path.empty()) return;
    const evaluate::Sweep& sweep = host_.tiltSweep();
    std::string error;
    const bool ok = plot::writeTiltStrip(sweep.rows, sweep.pictures, path, &error);
    reportSaved(ok, path, error);
}

}  // namespace tavrine::ui
