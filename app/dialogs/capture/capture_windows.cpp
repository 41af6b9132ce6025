#include "app/dialogs/capture/capture_windows.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <cmath>

#include "app/dialogs/dialog_controls.h"
#include "app/engine/abort_confirmation.h"
#include "app/output/animation_job.h"
#include "app/output/capture_job.h"
#include "app/output/screen_shot.h"
#include "app/settings/settings_file.h"
#include "app/settings/value_ranges.h"

namespace tavrine {

namespace {

// Texts of these windows besides the shared ones of the output jobs.
constexpr const char* kCaptureAbortHint =
    " Click this button to abort capturing process.                You can resume capturing by "
    "choosing \"Resume(R)\" from \"Automatic Screen Capture(P)\" menu.";

// Gives a window its name, caption, fixed size and font.
void frameWindow(QDialog* window, const char* name, const char* caption, int width, int height) {
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(QString::fromLatin1(caption));
    window->setFixedSize(width, height);
    window->setFont(dialogFont());
    window->setModal(true);
}

template <typename Widget>
Widget* place(Widget* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* l = place(new QLabel(text, parent), name, x, y, w, h);
    l->setWordWrap(true);
    return l;
}

// A digits-only edit of at most 15 characters with an up-down control beside it that steps its
// number within [minimum, maximum]; the edit may hold a number beyond that range.
QLineEdit* numberEditWithArrows(QWidget* parent, int value, int minimum, int maximum, int x,
                                int y) {
    auto* edit = place(new QLineEdit(parent), "edit", x, y, 64, 22);
    edit->setAlignment(Qt::AlignRight);
    edit->setMaxLength(15);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    auto* upDown = place(new UpDown(edit, minimum, maximum, parent), "updown", x + 64, y, 16, 22);
    upDown->setPosition(value);
    edit->setText(QString::number(value));
    return edit;
}

bool askYesNo(QWidget* parent, const char* text) {
    return askConfirmation(parent, QString::fromLatin1(text), QMessageBox::Warning,
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

int roundedPercent(int k, int n) {
    return n > 0 ? static_cast<int>(std::lround(k * 100.0 / n)) : 0;
}

}  // namespace

long long editNumber(const QLineEdit* edit) {
    bool ok = false;
    const long long value = edit->text().left(15).toLongLong(&ok);
    return ok ? value : 0;
}

NewCaptureDialog::NewCaptureDialog(int frameCount, QWidget* parent) : QDialog(parent) {
    frameWindow(this, "HeaderSettingWnd", kNewCaptureDialogTitle, 385, 205);
    place(new QGroupBox(QStringLiteral("Capture Info File Setting"), this), "group", 12, 8, 361,
          136);
    label(this, "numberLabel", QStringLiteral("Number of Frames"), 28, 36, 112, 16);
    edit_ = numberEditWithArrows(this, std::clamp(frameCount, 1, kMaxFrameCount), 1, kMaxFrameCount,
                                 142, 33);
    label(this, "framesLabel", QStringLiteral("Frames"), 232, 36, 60, 16);
    label(this, "defaultLabel", QStringLiteral("( Default = 128 )"), 142, 58, 160, 16);
    label(this, "fluentLabel",
          QStringLiteral("Larger the number gets, More fluent the motion becomes."), 20, 76, 345,
          30);
    label(this, "rotationLabel",
          QStringLiteral("These frames collectively compose the motion of a full rotation."), 20,
          106, 345, 32);
    auto* ok = place(new QPushButton(QStringLiteral("OK"), this), "ok", 28, 156, 90, 28);
    auto* cancel =
        place(new QPushButton(QStringLiteral("CANCEL"), this), "cancel", 128, 156, 90, 28);
    auto* reset =
        place(new QPushButton(QStringLiteral("Default (&D)"), this), "default", 267, 156, 90, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        // A count outside the range is refused with the range; the dialog stays open.
        if (!ranges::kFrameCount.contains(editNumber(edit_))) {
            askConfirmation(this, QString::fromLatin1(kFrameCountRangeMessage),
                            QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok);
            edit_->setFocus();
            edit_->selectAll();
            return;
        }
        done(1);
    });
    connect(cancel, &QPushButton::clicked, this, [this] { done(0); });
    connect(reset, &QPushButton::clicked, this, [this] {
        if (askYesNo(this, "Restore default settings?")) {
            edit_->setText(QString::number(kDefaultFrameCount));
        }
    });
}

int NewCaptureDialog::frameCount() const {
    return static_cast<int>(std::clamp<long long>(editNumber(edit_), 1, kMaxFrameCount));
}

MakeAnimationDialog::MakeAnimationDialog(int timeWeight, bool clockwise, QWidget* parent)
    : QDialog(parent) {
    frameWindow(this, "GifAniFileSettingWnd", kMakeAnimationDialogTitle, 347, 286);
    place(new QGroupBox(QStringLiteral("Time-Weight Per Frame."), this), "timeGroup", 12, 8, 323,
          118);
    edit_ = numberEditWithArrows(this, std::clamp(timeWeight, 0, 65535), 0, 4096, 28, 34);
    label(this, "unitLabel", QStringLiteral("/ 100 second."), 116, 37, 140, 16);
    label(this, "secondLabel", QStringLiteral("\"100\" make             1 second."), 28, 66, 295,
          16);
    label(this, "speedLabel", QStringLiteral("Smaller this value gets, Faster the motion flows."),
          28, 94, 295, 16);
    place(new QGroupBox(QStringLiteral("Direction Of Rotation"), this), "directionGroup", 12, 134,
          323, 88);
    anticlockwise_ = place(new QRadioButton(QStringLiteral("Anti Clockwise (&A)"), this),
                           "anticlockwise", 28, 158, 240, 22);
    clockwiseButton_ = place(new QRadioButton(QStringLiteral("Clockwise (&C)"), this), "clockwise",
                             28, 186, 240, 22);
    (clockwise ? clockwiseButton_ : anticlockwise_)->setChecked(true);
    auto* ok = place(new QPushButton(QStringLiteral("OK"), this), "ok", 20, 238, 90, 28);
    auto* cancel =
        place(new QPushButton(QStringLiteral("CANCEL"), this), "cancel", 120, 238, 90, 28);
    auto* reset =
        place(new QPushButton(QStringLiteral("Default (&D)"), this), "default", 237, 238, 90, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(0); });
    connect(reset, &QPushButton::clicked, this, [this] {
        if (askYesNo(this, "Restore default setting?")) {
            edit_->setText(QString::number(kDefaultTimeWeight));
            anticlockwise_->setChecked(true);
        }
    });
}

int MakeAnimationDialog::timeWeight() const {
    return static_cast<int>(std::clamp<long long>(editNumber(edit_), 0, 65535));
}

bool MakeAnimationDialog::clockwise() const { return !anticlockwise_->isChecked(); }

CaptureProgressWindow::CaptureProgressWindow(int frameCount, QWidget* parent) : QDialog(parent) {
    frameWindow(this, "AutoCapProgressWnd", kCaptureProgressTitle, 368, 204);
    text_ = place(new QLabel(this), "progressText", 100, 24, 168, 14);
    text_->setAlignment(Qt::AlignCenter);
    bar_ = place(new QProgressBar(this), "progressBar", 33, 50, 300, 15);
    bar_->setTextVisible(false);
    auto* abort =
        place(new QPushButton(QStringLiteral("Abort (&A)"), this), "abort", 140, 80, 88, 28);
    label(this, "abortHint", QString::fromLatin1(kCaptureAbortHint), 48, 118, 295, 58);
    connect(abort, &QPushButton::clicked, this, &CaptureProgressWindow::askAbort);
    showFrame(0, frameCount);
}

void CaptureProgressWindow::showFrame(int k, int frameCount) {
    bar_->setRange(0, std::max(frameCount, 1));
    bar_->setValue(std::clamp(k, 0, std::max(frameCount, 1)));
    text_->setText(QString::fromStdString(captureProgressText(k, frameCount)));
}

void CaptureProgressWindow::showProgress(qint64 lParam) {
    showFrame(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
}

void CaptureProgressWindow::captureEnded(int result) {
    ended_ = true;
    done(result);
}

void CaptureProgressWindow::askAbort() {
    if (ended_) return;
    if (askYesNo(this, kAbortText)) emit abortRequested();
}

void CaptureProgressWindow::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    // The window stays until the engine reports the end.
    event->ignore();
    askAbort();
}

void CaptureProgressWindow::reject() {
    if (ended_) {
        QDialog::reject();
        return;
    }
    askAbort();
}

AnimationProgressWindow::AnimationProgressWindow(int frameCount, QWidget* parent)
    : QDialog(parent) {
    frameWindow(this, "MakeAniGifProgressWnd", kAnimationProgressTitle, 304, 70);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    bar_ = place(new QProgressBar(this), "progressBar", 16, 18, 200, 15);
    bar_->setTextVisible(false);
    text_ = place(new QLabel(this), "progressText", 232, 18, 50, 15);
    text_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    showFrame(0, frameCount);
}

void AnimationProgressWindow::showFrame(int i, int frameCount) {
    bar_->setRange(0, std::max(frameCount, 1));
    bar_->setValue(std::clamp(i, 0, std::max(frameCount, 1)));
    text_->setText(QStringLiteral("%1 %").arg(roundedPercent(i, frameCount)));
}

void AnimationProgressWindow::showProgress(qint64 lParam) {
    showFrame(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
}

void AnimationProgressWindow::compileEnded(int result) {
    ended_ = true;
    done(result);
}

void AnimationProgressWindow::closeEvent(QCloseEvent* event) {
    if (!ended_) {
        ended_ = true;
        done(0);
    }
    event->accept();
}

}  // namespace tavrine
