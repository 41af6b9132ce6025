#include "app/ui/window_outputs.h"

#include <QAction>
#include <QMessageBox>

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
                               commands_.notify(target, code, lParam);
                           });
    for (int32_t id = kMenuSaveScreenShot; id <= kMenuMakeGif; ++id) {
        if (QAction* item = window_.action(id)) item->setEnabled(true);
    }
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

void WindowOutputs::resetIdle() { engine_.resetIdle(); }

bool WindowOutputs::checkRefractiveIndex() { return window_.checkRefractiveIndex(); }

void WindowOutputs::switchTurnStoneOff() {
    session_.settings.turnStone = 0;
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
    // A design record opens its design first, so that the model it names exists.
    DesignOpener* designs = window_.designOpener();
    if (designs != nullptr) {
        if (!designs->openRecordedDesign(record)) return false;
    } else {
        std::string error;
        if (!openRecordedDesign(session_, record, &error)) {
            askConfirmation(
                window_.widget(),
                QStringLiteral("Failed to open file.\n\n%1").arg(QString::fromStdString(error)),
                QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok);
            return false;
        }
    }
    Settings& s = session_.settings;
    takeRecordSettings(session_, record);
    // Every field of the record is read into the settings, the trimming as well.
    s.trimming = record.trimming;
    s.trimmingActive = record.trimmingActive;
    s.trimmingCheckBox = record.trimmingCheckBox;
    s.turnStone = record.turnStone != 0 ? 1 : 0;
    s.turntableView = record.turntableView != 0 && record.turnStone == 0 ? 1 : 0;

    // The model, its stone pose and the light; the view stays for the caller to decide.
    const ViewPose view = session_.orientation.viewPose;
    rebuildModel(session_);
    restoreOrientation(session_, record);
    session_.orientation.viewPose = view;

    auto button = [this](int32_t id) { return static_cast<OwnerDrawButton*>(window_.control(id)); };
    button(kHqSwitch)->setChecked(s.highQuality != 0);
    button(kSySwitch)->setChecked(s.turnStone != 0);
    button(kGmSwitch)->setChecked(s.turntableView != 0);
    for (int32_t id : {kHqSwitch, kSySwitch, kGmSwitch}) button(id)->update();
    window_.showSelection();
    engine_.redrawIndicator();
    applySizeAndTrimming(s, s.trimming, previousTrimming, s.trimmingActive != 0,
                         window_.dialogHost());
    return true;
}

void WindowOutputs::showRenderProgress() { window_.control(kProgressDisplay)->show(); }

}  // namespace tavrine::ui
