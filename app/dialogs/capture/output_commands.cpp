#include "app/dialogs/capture/output_commands.h"

#include <QMessageBox>
#include <QTimer>

#include "app/dialogs/capture/output_file_dialogs.h"
#include "app/dialogs/dialog_controls.h"
#include "app/engine/abort_confirmation.h"
#include "app/output/animation_job.h"
#include "app/output/capture_job.h"
#include "app/output/screen_shot.h"
#include "app/session/capture_session.h"

namespace tavrine {

namespace {

// Returns text with the blanks inside each double-quoted name of a line made non-breaking, so
// that a message box wrapping a long line keeps "Make Animation GIF(A)" on one line.
QString withUnbrokenNames(const std::string& text) {
    QString shown = QString::fromStdString(text);
    bool quoted = false;
    for (QChar& c : shown) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char('\n')) {
            quoted = false;
        } else if (quoted && c == QLatin1Char(' ')) {
            c = QChar(0x00A0);
        }
    }
    return shown;
}

}  // namespace

OutputCommands::OutputCommands(OutputHost& host, Session& session, OutputJobs& jobs)
    : host_(host), session_(session), jobs_(jobs) {
    shotState_ = screenShotDialogState(session.settings);
    captureState_ = captureDialogState(session.settings);
    jobs_.captureRecord.frameCount = session.settings.frameCount;
}

bool OutputCommands::busy(const char* question) {
    if (!host_.renderBusy()) return false;
    if (askConfirmation(host_.ownerWindow(), QString::fromLatin1(question), QMessageBox::Warning,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes) {
        host_.postEngine(EngineCommand::Abort, 0);
    }
    return true;
}

void OutputCommands::message(const std::string& text, bool warning, bool keepNamesWhole) {
    askConfirmation(host_.ownerWindow(),
                    keepNamesWhole ? withUnbrokenNames(text) : QString::fromStdString(text),
                    warning ? QMessageBox::Warning : QMessageBox::NoIcon, QMessageBox::Ok,
                    QMessageBox::Ok);
}

void OutputCommands::saveScreenShot() {
    if (busy(kAbortToSaveText)) return;
    Settings& s = session_.settings;
    const ChosenFile chosen =
        askScreenShotFile(host_.ownerWindow(), shotState_, s.defaultScreenShotFolder);
    if (!chosen.chosen) return;
    PositionInfo record;
    const bool withPosition = s.savePositionInfo != 0;
    if (withPosition) {
        OrientationState& o = session_.orientation;
        o.savedPosition.orientation = o.viewPose.orientation;
        o.savedPosition.turntableAngles = o.viewPose.turntableAngles;
        record = positionInfoOf(session_);
        record.frameCount = jobs_.captureRecord.frameCount;
        record.framesDone = jobs_.captureRecord.framesDone;
        record.checkMode = jobs_.captureRecord.checkMode;
    }
    const imgctl::DibPtr picture = session_.renderPicture.copy();
    const ScreenShotResult result = tavrine::saveScreenShot(
        picture.get(), pictureTrimmingOf(session_), imgctl::colourRef(s.look.backdrop), chosen.path,
        chosen.filterIndex, shotState_, withPosition ? &record : nullptr);
    keepScreenShotDialogState(shotState_, s);
    message(result.message, !result.pictureSaved || (withPosition && !result.positionSaved));
}

void OutputCommands::restorePosition() {
    if (busy(kAbortText)) return;
    Settings& s = session_.settings;
    const ChosenFile chosen =
        askPositionInfoFile(host_.ownerWindow(), shotState_, s.defaultScreenShotFolder);
    if (!chosen.chosen) return;
    restoreChosenPosition(chosen.path);
}

void OutputCommands::restorePositionFrom(const std::string& path) {
    if (busy(kAbortText)) return;
    restoreChosenPosition(path);
}

void OutputCommands::restoreChosenPosition(const std::string& path) {
    Settings& s = session_.settings;
    PositionInfo record = jobs_.captureRecord;
    const RestoreRead read = readRestoredPosition(path, s, record, shotState_);
    if (!read.ok) {
        // Nothing of the record changed: the view stays as it is.
        message(read.message, true);
        return;
    }
    if (!host_.applyRecord(record, read.previousTrimming)) return;
    jobs_.captureRecord = record;
    takeSavedPosition(session_, record);
    host_.postRestoredPosition();
}

int OutputCommands::runCapture(int32_t checkMode) {
    CaptureProgressWindow window(jobs_.captureRecord.frameCount, host_.ownerWindow());
    QObject::connect(&window, &CaptureProgressWindow::abortRequested,
                     [this] { host_.postEngine(EngineCommand::Abort, 0); });
    captureWindow_ = &window;
    QTimer::singleShot(0, &window, [this, checkMode] {
        host_.postEngine(EngineCommand::StartCapture, checkMode);
    });
    const int result = window.exec();
    captureWindow_ = nullptr;
    return result;
}

void OutputCommands::finishCapture() {
    keepCaptureDialogState(captureState_, session_.settings);
    const CaptureResult& result = jobs_.captureResult;
    const PositionInfo& record = jobs_.captureRecord;
    if (record.framesDone == record.frameCount) {
        message(captureCompleteText(captureState_.name), false, true);
    } else if (result.outcome == CaptureOutcome::Failed && !result.message.empty()) {
        message(std::string(kCaptureAbortedText) + "\n\n" + result.message, true);
    } else {
        message(kCaptureAbortedText, false);
    }
}

void OutputCommands::newCapture() {
    if (busy(kAbortText)) return;
    if (!host_.checkRefractiveIndex()) return;
    Settings& s = session_.settings;
    NewCaptureDialog dialog(s.frameCount, host_.ownerWindow());
    if (dialog.exec() != 1) return;
    s.frameCount = dialog.frameCount();
    const ChosenFile chosen =
        askNewCaptureInfoFile(host_.ownerWindow(), captureState_, s.defaultCaptureFolder);
    if (!chosen.chosen) return;
    if (session_.orientation.syOn) host_.switchTurnStoneOff();
    jobs_.captureRecord = newCaptureRecord(session_, s.frameCount);
    jobs_.captureFiles = CaptureFiles{chosen.path, captureState_.path, FrameFormat::Gif};
    std::string error;
    if (!writePositionInfo(chosen.path, jobs_.captureRecord, &error)) {
        message(std::string(kFailedToOpenFileText) + "\n\n" + chosen.path, true);
        return;
    }
    if (s.look.sizeMode != 0) host_.showRenderWindow();
    runCapture(0);
    finishCapture();
}

void OutputCommands::resumeCapture() {
    if (busy(kAbortText)) return;
    Settings& s = session_.settings;
    const ChosenFile chosen =
        askCaptureInfoFile(host_.ownerWindow(), captureState_, s.defaultCaptureFolder);
    if (!chosen.chosen) return;
    PositionInfo record = jobs_.captureRecord;
    const Trimming previous = s.look.trimming;
    std::string error;
    if (!readPositionInfo(chosen.path, record, false, &error, RecordFile::Capture)) {
        message(std::string(kFailedToOpenFileText) + "\n\n" + chosen.path + "\n" + error, true);
        return;
    }
    const bool complete = record.frameCount == record.framesDone;
    if (!host_.applyRecord(record, previous)) return;
    jobs_.captureRecord = record;
    jobs_.captureFiles = CaptureFiles{chosen.path, captureState_.path, FrameFormat::Gif};
    if (session_.orientation.syOn) host_.switchTurnStoneOff();
    session_.liveLayer = -1;
    runCapture(record.checkMode);
    if (complete &&
        askConfirmation(host_.ownerWindow(), QString::fromLatin1(kCaptureCompleteQuestion),
                        QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No,
                        QMessageBox::No) == QMessageBox::Yes) {
        host_.showRenderProgress();
        jobs_.captureRecord.checkMode = 1;
        jobs_.captureRecord.framesDone = 0;
        runCapture(1);
    }
    finishCapture();
}

void OutputCommands::makeAnimatedGif() {
    if (busy(kAbortText)) return;
    Settings& s = session_.settings;
    gifState_.initialDirectory = captureState_.initialDirectory;
    const ChosenFile chosen =
        askCaptureInfoFile(host_.ownerWindow(), captureState_, s.defaultCaptureFolder);
    if (!chosen.chosen) return;
    PositionInfo counts;
    std::string error;
    if (!readPositionInfo(chosen.path, counts, true, &error, RecordFile::Capture)) {
        // The counts of another capture would name the wrong frames: nothing is compiled.
        message(std::string(kFailedToOpenFileText) + "\n\n" + chosen.path, true);
        return;
    }
    const std::string refusal = animationRefusal(counts);
    if (!refusal.empty()) {
        message(refusal, true);
        return;
    }
    MakeAnimationDialog dialog(s.gifTimeWeight, s.gifReverse != 0, host_.ownerWindow());
    if (dialog.exec() != 1) return;
    s.gifTimeWeight = dialog.timeWeight();
    s.gifReverse = dialog.clockwise() ? 1 : 0;
    const ChosenFile output = askAnimationFile(host_.ownerWindow(), gifState_, captureState_);
    if (!output.chosen) return;
    keepCaptureDialogState(captureState_, s);

    jobs_.animation.frameBase = captureState_.path;
    jobs_.animation.frameExtension = ".gif";
    jobs_.animation.frameCount = counts.frameCount;
    jobs_.animation.timeWeight = s.gifTimeWeight;
    jobs_.animation.clockwise = s.gifReverse != 0;
    jobs_.animation.outputPath = output.path;
    const std::string clash = animationInputClash(jobs_.animation, chosen.path);
    if (!clash.empty()) {
        message("The animated GIF would overwrite " + clash +
                    ".\n\nChoose another name for the animation.",
                true);
        return;
    }
    AnimationProgressWindow window(counts.frameCount, host_.ownerWindow());
    gifWindow_ = &window;
    QTimer::singleShot(0, &window, [this] { host_.postEngine(EngineCommand::CompileGif, 0); });
    const int result = window.exec();
    gifWindow_ = nullptr;
    if (result == 1) {
        message(animationSavedText(output.path), false);
    } else if (!jobs_.animationResult.message.empty()) {
        message(jobs_.animationResult.message, true);
    }
}

bool OutputCommands::notify(NotifyWindow window, int32_t code, int64_t lParam) {
    if (window == NotifyWindow::CaptureProgress && captureWindow_ != nullptr) {
        if (code == NOTIFY_PROGRESS) captureWindow_->showProgress(lParam);
        if (code == NOTIFY_CAPTURE_ENDED) captureWindow_->captureEnded(static_cast<int>(lParam));
        return true;
    }
    if (window == NotifyWindow::GifProgress && gifWindow_ != nullptr) {
        if (code == NOTIFY_PROGRESS) gifWindow_->showProgress(lParam);
        if (code == NOTIFY_GIF_ENDED) gifWindow_->compileEnded(static_cast<int>(lParam));
        return true;
    }
    return false;
}

}  // namespace tavrine
