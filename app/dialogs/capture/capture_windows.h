#pragma once
// The windows of the automatic capture and the animated GIF: the frame-count dialog "New
// Automatic Screen Capture", the "Make Animated-GIF" dialog, and the two progress windows
// "Automatic Screen Capturing" and "Compiling Animated-GIF". The jobs themselves run on the
// engine thread; the progress windows only show what it reports and pass the abort request on.

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;

namespace tavrine {

// Returns the number a digits-only edit holds (0 when it holds none; at most 15 digits).
long long editNumber(const QLineEdit* edit);

// The message that refuses a typed number of frames outside 1 to 4096.
inline constexpr const char* kFrameCountRangeMessage =
    "Number of frames must be set within the range of 1 to 4096.";

// "New Automatic Screen Capture" (window name HeaderSettingWnd, 385 x 205): asks for the number
// of frames of one full turn, 1 to 4096, with "Default (&D)" restoring 128 after a question.
// "OK" refuses a typed number outside the range with kFrameCountRangeMessage and stays open.
// exec() returns 1 for "OK", 0 for "CANCEL" or the close box.
class NewCaptureDialog : public QDialog {
    Q_OBJECT
  public:
    // Shows frameCount (brought into 1 to 4096) in the edit.
    NewCaptureDialog(int frameCount, QWidget* parent = nullptr);

    // Returns the frame count of the edit after "OK": the typed number brought into 1 to 4096
    // (a capture needs one frame at least, and the progress reports carry 16 bits).
    int frameCount() const;

  private:
    QLineEdit* edit_;
};

// "Make Animated-GIF" (window name GifAniFileSettingWnd, 347 x 286): asks for the delay of
// every frame in 1/100 s (0 to 4096 by the arrows; a typed number up to 65535 is kept) and the
// direction of rotation; "Default (&D)" restores 4 and "Anti Clockwise (&A)" after a question.
// exec() returns 1 for "OK", 0 for "CANCEL" or the close box.
class MakeAnimationDialog : public QDialog {
    Q_OBJECT
  public:
    MakeAnimationDialog(int timeWeight, bool clockwise, QWidget* parent = nullptr);

    // Returns the delay after "OK", brought into 0 to 65535 (GIF delays are 16 bits).
    int timeWeight() const;
    // Returns whether "Clockwise (&C)" is chosen.
    bool clockwise() const;

  private:
    QLineEdit* edit_;
    QRadioButton* anticlockwise_;
    QRadioButton* clockwiseButton_;
};

// "Automatic Screen Capturing" (window name AutoCapProgressWnd, 368 x 204): the frame count,
// a progress bar and "Abort (&A)". "Abort (&A)" and the close box ask "Now rendering, Abort
// current process?" and on Yes emit abortRequested; the window stays until captureEnded.
class CaptureProgressWindow : public QDialog {
    Q_OBJECT
  public:
    CaptureProgressWindow(int frameCount, QWidget* parent = nullptr);

  public slots:
    // Shows frame k of the capture: the bar at k, and "k / N", eight blanks, the percentage.
    void showFrame(int k, int frameCount);
    // Shows the frame of a progress notification's lParam, (k & 0xFFFF) | (N << 16).
    void showProgress(qint64 lParam);
    // Closes the window with result 1 (complete) or 2 (aborted).
    void captureEnded(int result);

  signals:
    // Emitted when the user confirmed the abort question.
    void abortRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void askAbort();

    QLabel* text_;
    QProgressBar* bar_;
    bool ended_ = false;
};

// "Compiling Animated-GIF" (window name MakeAniGifProgressWnd, 304 x 70, no close box): a
// progress bar and the percentage; closes with the compile's result, or 0 when closed.
class AnimationProgressWindow : public QDialog {
    Q_OBJECT
  public:
    AnimationProgressWindow(int frameCount, QWidget* parent = nullptr);

  public slots:
    // Shows frame i of the animation: the bar at i and "p %".
    void showFrame(int i, int frameCount);
    // Shows the frame of a progress notification's lParam, (i & 0xFFFF) | (N << 16).
    void showProgress(qint64 lParam);
    // Closes the window with result 1 (written) or 2 (failed).
    void compileEnded(int result);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QLabel* text_;
    QProgressBar* bar_;
    bool ended_ = false;
};

}  // namespace tavrine
