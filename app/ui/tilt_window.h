#pragma once
// The Tilt Performance window: the current stone's brightness at each tilt, swept on the engine
// thread with a progress bar and a Cancel button; the curve, the strip of its pictures and its
// figures, and buttons that save the CSV, the plot and the strip.

#include <QDialog>
#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

#include "app/evaluate/tilt_sweep.h"

class QChartView;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tavrine::ui {

// What the window asks of the viewer. Every call is made on the GUI thread.
class TiltSweepHost {
  public:
    virtual ~TiltSweepHost() = default;
    // Starts a sweep of the current stone over range on the engine thread, whose progress and
    // end reach the window's notify(); returns false when none can start.
    virtual bool startTiltSweep(const evaluate::TiltRange& range) = 0;
    // Asks the running sweep to stop at its next row of pixels.
    virtual void stopTiltSweep() = 0;
    // Returns the last sweep; read only between its end notice and the next start.
    virtual const evaluate::Sweep& tiltSweep() const = 0;
};

// "Tilt Performance" (window name TiltPerformanceWnd), application-modal while open, so that
// nothing else asks the engine for work during a sweep. The range field takes MAX:STEP (30:5 at
// first); "Sweep (&W)" starts, "Cancel" stops a running sweep; closing while one runs stops it
// first. The saves ask for a file in a file dialog and replace it whole.
class TiltPerformanceWindow : public QDialog {
    Q_OBJECT
  public:
    // subject names the stone, cut, colour, index and lighting; folder is where the file dialogs
    // open.
    TiltPerformanceWindow(TiltSweepHost& host, const QString& subject, const std::string& folder,
                          QWidget* parent = nullptr);

    // Starts a sweep over the range field's tilts; shows the problem instead when the field
    // holds no range or no sweep can start.
    void startSweep();
    // Takes a notification of the sweep: NOTIFY_PROGRESS with (k & 0xFFFF) | (n << 16), or
    // NOTIFY_TILT_ENDED with 1 done, 2 stopped or 3 failed.
    void notify(int32_t code, int64_t lParam);
    // Returns whether a sweep runs.
    bool running() const { return running_; }
    // Returns the strip of the last completed sweep (a null image before one).
    const QImage& strip() const { return strip_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void sweepEnded(int result);
    void setRunning(bool running);
    void saveCsv();
    void savePlot();
    void saveStrip();
    // Asks for a file name to save to; empty when the dialog was cancelled.
    std::string askFile(const QString& title, const QStringList& filters, const QString& name);
    void reportSaved(bool ok, const std::string& path, const std::string& error);

    TiltSweepHost& host_;
    std::string folder_;
    bool running_ = false;
    bool closeWhenEnded_ = false;
    bool haveResult_ = false;
    QImage strip_;
    QLineEdit* range_;
    QPushButton* run_;
    QPushButton* cancel_;
    QProgressBar* bar_;
    QLabel* status_;
    QChartView* chart_;
    QLabel* stripLabel_;
    QPlainTextEdit* figures_;
    QPushButton* saveCsv_;
    QPushButton* savePlot_;
    QPushButton* saveStrip_;
};

}  // namespace tavrine::ui
