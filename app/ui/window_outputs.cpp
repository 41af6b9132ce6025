#include "app/ui/window_outputs.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <algorithm>

#include "app/dialogs/dialog_controls.h"
#include "app/dialogs/settings_dialogs.h"
#include "app/ui/control_table.h"
#include "app/ui/design_opener.h"
#include "app/ui/owner_draw_button.h"
#include "app/ui/render_window.h"
#include "app/ui/viewer_engine.h"
#include "app/ui/window_port.h"

namespace tavrine::ui {

WindowOutputs::WindowOutputs(WindowPort& window, Session& session, ViewerEngine& engine)
    : window_(window), session_(session), engine_(engine), commands_(*this, session, jobs_) {
    engine_.connectOutputs(jobs_, window_.widget(),
                           [this](NotifyWindow target, int32_t code, int64_t lParam) {
                               if (target == NotifyWindow::TiltPerformance) {
                                   if (tiltWindow_ != nullptr) tiltWindow_->notify(code, lParam);
                                   return;
                               }
                               commands_.notify(target, code, lParam);
                           });
    for (int32_t id = kMenuSaveScreenShot; id <= kMenuMakeGif; ++id) {
        if (QAction* item = window_.action(id)) item->setEnabled(true);
    }
    if (QAction* item = window_.action(kMenuTiltPerformance)) item->setEnabled(true);
    attachRenderWindow(window_.renderWindow());
}

bool WindowOutputs::run(int32_t commandId) {
    switch (commandId) {
    case kMenuSaveScreenShot:
        commands_.saveScreenShot();
        return true;
    case kMenuRestorePosition:
        commands_.restorePosition();
        return true;
    case kMenuCaptureNew:
        commands_.newCapture();
        return true;
    case kMenuCaptureResume:
        commands_.resumeCapture();
        return true;
    case kMenuMakeGif:
        commands_.makeAnimatedGif();
        return true;
    case kMenuTiltPerformance:
        openTiltPerformance();
        return true;
    default:
        return false;
    }
}

void WindowOutputs::attachRenderWindow(RenderWindow* renderWindow) {
    if (renderWindow == nullptr) return;
    renderWindow->screenShotAction()->setEnabled(true);
    QObject::connect(renderWindow, &RenderWindow::screenShotRequested, window_.widget(),
                     [this] { commands_.saveScreenShot(); });
}

QWidget* WindowOutputs::ownerWindow() { return window_.widget(); }

bool WindowOutputs::renderBusy() { return window_.renderBusy(); }

void WindowOutputs::postEngine(EngineCommand command, int64_t argument) {
    engine_.post(command, argument);
}

void WindowOutputs::postRestoredPosition() { window_.postRestoredPosition(); }

bool WindowOutputs::checkRefractiveIndex() { return window_.checkRefractiveIndex(); }

void WindowOutputs::switchTurnStoneOff() {
    chooseTurnStone(session_, false);
    setSyOn(session_.orientation, false, session_.model->modelIndex);
    auto* sy = static_cast<OwnerDrawButton*>(window_.control(kSySwitch));
    sy->setChecked(false);
    sy->update();
}

void WindowOutputs::showRenderWindow() {
    if (RenderWindow* render = window_.renderWindow()) {
        render->show();
        render->update();
    }
}

bool WindowOutputs::applyRecord(const PositionInfo& record, const Trimming& previousTrimming) {
    // The session opens a recorded design first, so that the model it names exists; the view
    // stays for the caller to decide.
    DesignOpener* designs = window_.designOpener();
    std::string error;
    if (!tavrine::applyRecord(session_, record, &error)) {
        if (designs != nullptr) {
            designs->refuse(error);
        } else {
            askConfirmation(
                window_.widget(),
                QStringLiteral("Failed to open file.\n\n%1").arg(QString::fromStdString(error)),
                QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok);
        }
        return false;
    }
    if (designs != nullptr) designs->showRecordedDesign(record);
    const Settings& s = session_.settings;

    auto button = [this](int32_t id) { return static_cast<OwnerDrawButton*>(window_.control(id)); };
    button(kHqSwitch)->setChecked(s.look.highQuality != 0);
    button(kSySwitch)->setChecked(s.look.turnStone != 0);
    button(kGmSwitch)->setChecked(s.look.turntableView != 0);
    for (int32_t id : {kHqSwitch, kSySwitch, kGmSwitch}) button(id)->update();
    window_.showSelection();
    engine_.redrawIndicator();
    applySizeAndTrimming(s, s.look.trimming, previousTrimming, s.look.trimmingActive != 0,
                         window_.dialogHost());
    return true;
}

void WindowOutputs::showRenderProgress() { window_.control(kProgressDisplay)->show(); }

void WindowOutputs::openTiltPerformance() {
    if (window_.renderBusy()) {
        window_.confirmAbort(kAbortText);
        return;
    }
    // The index field's value is the one judged.
    if (!window_.checkRefractiveIndex()) return;
    if (tiltWindow_ != nullptr) {
        tiltWindow_->raise();
        return;
    }
    auto* window = new TiltPerformanceWindow(
        *this, tiltSubject(), session_.settings.defaultScreenShotFolder, window_.widget());
    window->setAttribute(Qt::WA_DeleteOnClose);
    tiltWindow_ = window;
    window->show();
    window->startSweep();
}

bool WindowOutputs::startTiltSweep(const evaluate::TiltRange& range) {
    jobs_.tilt.range = range;
    engine_.post(EngineCommand::TiltSweep, 0);
    return true;
}

void WindowOutputs::stopTiltSweep() { engine_.post(EngineCommand::Abort, 0); }

QString WindowOutputs::tiltSubject() const {
    auto listText = [this](int32_t id) {
        const auto* list = qobject_cast<const QComboBox*>(window_.control(id));
        return list != nullptr ? list->currentText() : QString();
    };
    const RenderSettings r = renderSettingsOf(session_);
    QString subject = QStringLiteral("%1, %2, %3, index %4, %5")
                          .arg(listText(kStoneList), listText(kModelList), listText(kColourList))
                          .arg(r.stoneIndex, 0, 'f', 2)
                          .arg(QString::fromLatin1(lightingCaption(r.lighting)));
    if (r.lighting != Lighting::Studio)
        subject += QStringLiteral(", head shadow %1\u00B0").arg(r.headShadow);
    subject += QStringLiteral("; %1 x %1 pixels%2, Fire %3, depth %4")
                   .arg(r.width)
                   .arg(r.highQuality ? QStringLiteral(" (HQ)") : QString())
                   .arg(r.renderFire ? QStringLiteral("on") : QStringLiteral("off"))
                   .arg(r.maxDepth);
    return subject;
}

}  // namespace tavrine::ui
